// velmora tests: the pose written and read back bit for bit, and every unsound pose refused whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

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
std::string viewerBytes()  // the camera and the chain: equal only when every bit is
{
    return std::string(reinterpret_cast<const char *>(&generic), sizeof generic) +
           std::string(reinterpret_cast<const char *>(&d13), offsetof(D13, angle) + 8 * d13.gimbalc);
}

// Read into a viewer at its start, the viewer's pose gives the same bits and writes the same text.
void expectRoundTrip()
{
    const std::string before = viewerBytes(), text = written(poseOfViewer());
    genericInit();
    d13.gimbalc = 1;
    const std::string err = stderrOf([&] { poseStart(text.c_str()); });
    EXPECT_EQ(err + viewerBytes(), before) << text;
    EXPECT_EQ(written(poseOfViewer()), text);
}

TEST(Pose, OneRingAndALongTurnedChainReadBackBitForBit)
{
    genericInit();
    window.specificDisplayFunc = d13display;
    d13 = D13{1, 0, {0.0}, {}, {}};
    expectRoundTrip();
    // Thousands of turns and a zoom; angles whose bits a decimal text would lose, -0.0 among them.
    for (int i = 0; i < 5000; ++i)
        genericGlide(0.1 * (i % 3 - 1), 0.1 * (i % 5 == 0), 0.0001 * (i % 7) * (i % 7));
    generic = {'m', 1.5 * std::pow(0.95, 13), generic.up, generic.eye, generic.right};
    d13 = D13{maxGimbals, 93, {}, d13.gimbal, d13.dodecahedron};
    for (int j = 0; j < maxGimbals; ++j)
        d13.angle[j] = std::sin(j * 1.7) * 0.01 * j + 1e-17 * j - (j == 5);
    d13.angle[6] = -0.0;
    expectRoundTrip();
}

TEST(Pose, UnsoundPosesAreRefusedWholeWithTheirReason)
{
    genericInit();
    window.specificDisplayFunc = d13display;
    const Pose sound{'v', 1.5, generic.up, generic.eye, generic.right, 1, 0, {0.0}};
    auto with = [&](auto change) { Pose pose = sound; change(pose); return written(pose); };
    const std::string camera = written(sound).substr(0, 111),
                      skew = "camera frame is further from orthonormal than the camera lets it drift";
    const std::pair<std::string, std::string> cases[] = {
        {"v.m", "it does not start with a version"},
        {"2" + camera.substr(1), "its version is not one this velmora knows"},
        {"1.x" + camera.substr(3), "its interaction mode is not v or m"},
        {camera.substr(0, 110) + "B", "its camera is not ten doubles in base64url"},  // bits past the end
        {with([](Pose &p) { p.vfar = -0.0; }), "its vfar is not finite and positive"},
        {with([](Pose &p) { p.up.y = NAN; }), "its camera frame is not finite"},
        {with([](Pose &p) { p.eye.z *= 1 + 1.5e-9; }), "its " + skew},
        {with([](Pose &p) { p.right = {-std::cos(5e-9), std::sin(5e-9), 0}; }), "its " + skew},
        {camera + ".0", "it has no angles"},
        {camera + ".0." + std::string(1366, 'A'), "its ring count is outside 1..127"},
        {camera + ".0.AAAAAAAAAA", "its angles are not whole doubles in base64url"},
        {with([](Pose &p) { p.gimbalc = 3, p.current = 3; }), "its selection is outside the chain"},
        {with([](Pose &p) { p.angle[0] = NAN; }), "a joint angle is not finite"},
    };
    for (const auto &[text, reason] : cases) {
        // Posed otherwise before, so that a half-applied pose would show.
        generic.vfar = 2.5;
        d13 = D13{2, 1, {0.5, 0.25}, {}, {}};
        const std::string before = viewerBytes(), err = stderrOf([&] { poseStart(text.c_str()); });
        EXPECT_EQ(err + viewerBytes(), "pose ignored: " + reason + "\n" + before) << text;
    }
    window.specificDisplayFunc = nullptr;
    const std::string before = viewerBytes(), err = stderrOf([&] { poseStart(written(sound).c_str()); });
    EXPECT_EQ(err + viewerBytes(), "pose ignored: it holds a chain, and this display mode shows none\n" + before);
}

}  // namespace
