// velmora tests: the pose written and read back bit for bit, and every unsound pose refused whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "glrecord.h"
#include "modes/mode13.h"
#include "modes/pose.h"
#include "shell/velmora.h"
#include "testutil.h"
#include "view/camera.h"

namespace {

std::string written(const Pose &pose)
{
    char text[poseTextSize];
    poseWrite(pose, text);
    return text;
}

// The viewer's camera and chain, as bytes: equal only when every bit is.
std::string viewerBytes()
{
    return std::string(reinterpret_cast<const char *>(&generic), sizeof generic) +
           std::string(reinterpret_cast<const char *>(&d13.gimbalc), sizeof d13.gimbalc * 2) +
           std::string(reinterpret_cast<const char *>(d13.angle), sizeof(double) * d13.gimbalc);
}

class PoseTest : public testing::Test {
protected:
    void SetUp() override
    {
        generic = Generic();
        genericInit();
        window.specificDisplayFunc = d13display;
        d13.gimbalc = 1;
        d13.current = 0;
        d13.angle[0] = 0.0;
    }
    // The viewer's pose written, then read into a viewer at its start: the text and the
    // state it gives, which must be the viewer's own.
    void expectRoundTrip()
    {
        const std::string before = viewerBytes(), text = written(poseOfViewer());
        SetUp();
        const std::string err = stderrOf([&] { poseStart(text.c_str()); });
        EXPECT_EQ(err, "");
        EXPECT_EQ(viewerBytes(), before) << text;
        EXPECT_EQ(written(poseOfViewer()), text);
    }
};

TEST_F(PoseTest, OneRingAndALongTurnedChainReadBackBitForBit)
{
    expectRoundTrip();
    // The start pose, as Python's struct and base64 modules give it: links of today keep this form.
    EXPECT_EQ(written(poseOfViewer()),
              "1.v.AAAAAAAA-D8AAAAAAAAAAAAAAAAAAPA_AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA8L8AAAAAAADwvwAAAAA"
              "AAAAAAAAAAAAAAAA.0.AAAAAAAAAAA");

    // Thousands of turns, as keys and the pointer give them, and zoom; every angle a double
    // whose bits a decimal text would not keep, -0.0 and a subnormal among them.
    for (int i = 0; i < 5000; ++i)
        genericGlide(0.1 * (i % 3 - 1), 0.1 * (i % 5 == 0), 0.0001 * (i % 7) * (i % 7));
    generic.vfar = 1.5 * std::pow(0.95, 13) * std::pow(20.0 / 19, 5);
    generic.interaction = 'm';
    d13.gimbalc = maxGimbals;
    d13.current = 93;
    for (int j = 0; j < maxGimbals; ++j)
        d13.angle[j] = std::sin(j * 1.7) * 0.01 * j + 1e-17 * j;
    d13.angle[5] = -0.0;
    d13.angle[6] = std::numeric_limits<double>::denorm_min();
    expectRoundTrip();
    EXPECT_LE(written(poseOfViewer()).size() + std::strlen("pose="), 2048u);
}

// Each text is refused with its line, and neither the camera nor the chain changes.
TEST_F(PoseTest, UnsoundPosesAreRefusedWholeWithTheirReason)
{
    const Pose sound = poseOfViewer();
    auto with = [&](auto change) {
        Pose pose = sound;
        change(pose);
        return written(pose);
    };
    const std::string camera = written(sound).substr(4, 107);
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string, std::string> cases[] = {
        {"", "it does not start with a version"},
        {"v.m", "it does not start with a version"},
        {"2.v." + camera, "its version is not one this velmora knows"},
        {"01.v." + camera, "its version is not one this velmora knows"},
        {"1.x." + camera, "its interaction mode is not v or m"},
        {"1.mv." + camera, "its interaction mode is not v or m"},
        {"1.v", "it has no camera"},
        {"1.v." + camera.substr(1), "its camera is not ten doubles in base64url"},
        {"1.v." + camera + "A", "its camera is not ten doubles in base64url"},
        {"1.v." + camera.substr(0, 106) + "B", "its camera is not ten doubles in base64url"},  // bits past the end
        {"1.v." + camera.substr(0, 50) + "+" + camera.substr(51), "its camera is not ten doubles in base64url"},
        {with([](Pose &p) { p.vfar = 0; }), "its vfar is not finite and positive"},
        {with([](Pose &p) { p.vfar = -1.5; }), "its vfar is not finite and positive"},
        {with([&](Pose &p) { p.vfar = inf; }), "its vfar is not finite and positive"},
        {with([&](Pose &p) { p.vfar = nan; }), "its vfar is not finite and positive"},
        {with([&](Pose &p) { p.up.y = nan; }), "its camera frame is not finite"},
        {with([&](Pose &p) { p.right.z = inf; }), "its camera frame is not finite"},
        {with([](Pose &p) { p.eye.z *= 1 + 1.5e-9; }), "its camera frame is further from orthonormal than the camera lets it drift"},
        {with([](Pose &p) { p.up = {0, std::cos(2e-9), std::sin(2e-9)}; }), "its camera frame is further from orthonormal than the camera lets it drift"},
        {with([](Pose &p) { p.right.x = 1; }), "its camera frame is further from orthonormal than the camera lets it drift"},
        {with([](Pose &p) { p.right = {-std::cos(5e-9), std::sin(5e-9), 0}; }), "its camera frame is further from orthonormal than the camera lets it drift"},
        {"1.v." + camera + ".", "its selection is not a number"},
        {"1.v." + camera + ".01.AAAAAAAAAAA", "its selection is not a number"},
        {"1.v." + camera + ".-1.AAAAAAAAAAA", "its selection is not a number"},
        {"1.v." + camera + ".0", "it has no angles"},
        {"1.v." + camera + ".0.", "its ring count is outside 1..127"},
        {"1.v." + camera + ".0." + std::string(1366, 'A'), "its ring count is outside 1..127"},
        {"1.v." + camera + ".0.AAAAAAAAAA", "its angles are not whole doubles in base64url"},
        {"1.v." + camera + ".0.AAAAAAAAAAA.", "its angles are not whole doubles in base64url"},
        {"1.v." + camera + ".1.AAAAAAAAAAA", "its selection is outside the chain"},
        {"1.v." + camera + ".4294967297.AAAAAAAAAAA", "its selection is outside the chain"},
        {with([](Pose &p) { p.gimbalc = 3, p.current = 3; }), "its selection is outside the chain"},
        {with([&](Pose &p) { p.gimbalc = 2, p.angle[1] = nan; }), "a joint angle is not finite"},
    };
    for (const auto &[text, reason] : cases) {
        // A viewer already posed otherwise, so that a half-applied pose would show.
        generic.vfar = 2.5;
        generic.interaction = 'm';
        d13.gimbalc = 2;
        d13.current = 1;
        d13.angle[0] = 0.25;
        d13.angle[1] = 0.5;
        const std::string before = viewerBytes();
        EXPECT_EQ(stderrOf([&] { poseStart(text.c_str()); }), "pose ignored: " + reason + "\n") << text;
        EXPECT_EQ(viewerBytes(), before) << text;
    }

    // A chain where the display mode shows none; without its chain, the same pose is taken.
    window.specificDisplayFunc = nullptr;
    const std::string chained = written(sound);
    EXPECT_EQ(stderrOf([&] { poseStart(chained.c_str()); }),
              "pose ignored: it holds a chain, and this display mode shows none\n");
    EXPECT_EQ(generic.vfar, 2.5);
    EXPECT_EQ(stderrOf([&] { poseStart(("1.v." + camera).c_str()); }), "");
    EXPECT_EQ(generic.vfar, 1.5);
    EXPECT_EQ(generic.interaction, 'v');
}

}  // namespace
