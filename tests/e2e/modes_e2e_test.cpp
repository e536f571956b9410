// velmora end-to-end tests of the textured modes: the gimbal chain (13) and the tinted ring (8).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// Mode 13 draws its rings concentric on the window centre; ring j spans these radii on screen.
constexpr double kRing0[2] = {234, 250}, kRing1[2] = {197, 209};

bool isRed(Rgb c)
{
    return c.r > 0 && c.g == 0 && c.b == 0;
}

// Pixels between two radii: how many, how many not black, how many pure red.
struct Band {
    std::size_t all = 0, lit = 0, red = 0;
};

Band band(const Image &image, double from, double to)
{
    Band b;
    between(image, from, to, [&](int x, int y) {
        ++b.all;
        b.lit += image.at(x, y) != Rgb{};
        b.red += isRed(image.at(x, y));
    });
    return b;
}

// How a ring's band looks: "dark" (no ring), "metal" (textured), "red" (the selection) or "mixed".
std::string look(const Band &b)
{
    if (b.lit * 100 <= b.all)
        return "dark";
    if (b.lit * 100 < b.all * 98)
        return "mixed";
    return b.red == b.lit ? "red" : b.red == 0 ? "metal" : "mixed";
}

// "outer ring red, inner ring dark": how the bands of the two outermost rings look.
std::string describe(const std::string &outer, const std::string &inner)
{
    return "outer ring " + outer + ", inner ring " + inner;
}

std::string describe(const Image &image)
{
    return describe(look(band(image, kRing0[0], kRing0[1])), look(band(image, kRing1[0], kRing1[1])));
}

class Textured : public ViewerTest {
protected:
    // Mode 13 redraws all the time and its solid spins: a shot whose ring pixels match the
    // shot taken 100 ms before, and show some ring.
    Image rings()
    {
        // The first frame lights the outer ring with GL's default material, later ones
        // with the solid's: wait until the solid has moved, so a later frame is shown.
        Image first;
        if (!pollUntil([&] { return band(first = screenshot(dpy(), window), 0, kSolid).lit > 0; }) ||
            !pollUntil([&] { return differing(screenshot(dpy(), window), first, 0, kSolid) > 0; }))
            ADD_FAILURE() << "the solid never moved";
        Image shot;
        if (!settledShot(dpy(), window, kSolid, kWait, shot,
                         [](const Image &image) { return band(image, kSolid, 1e9).lit > 0; }))
            ADD_FAILURE() << "the rings never settled";
        return shot;
    }

    // Polls until the two ring bands look as given. After a failure the later steps would
    // only time out one after another, so they are skipped.
    void waitFor(const std::string &outer, const std::string &inner)
    {
        if (HasFailure())
            return;
        std::string seen;
        EXPECT_TRUE(pollUntil([&] { return (seen = describe(screenshot(dpy(), window))) == describe(outer, inner); }))
            << "wanted " << describe(outer, inner) << "; saw " << seen;
    }

    // The pointer moved off the window centre; the viewer warps it back within a millisecond.
    void nudge(int dx, int dy)
    {
        movePointerInWindow(dpy(), window, kCx + dx, kCy + dy);
        std::this_thread::sleep_for(Millis{30});
    }
};

TEST_F(Textured, ChainIsTheDefaultModeAndOnlyItsSolidMovesBetweenFrames)
{
    launch({{"NOFS", "1"}});
    const Image start = rings();
    keep(start, "mode13");
    // One grey metal ring about the centre, nothing else but the solid well inside it.
    EXPECT_EQ(look(band(start, kRing0[0], kRing0[1])), "metal") << describe(start);
    EXPECT_EQ(band(start, 95, 222).lit, 0u) << "something between the solid and the ring";
    EXPECT_EQ(band(start, 262, 1e9).lit, 0u) << "something outside the ring";
    const Band solid = band(start, 0, 60);
    EXPECT_EQ(solid.lit, solid.all) << "no solid at the centre";
    const Box box = boundingBox(start);
    EXPECT_NEAR(box.centreX(), kCx, 1) << toString(box);
    EXPECT_NEAR(box.centreY(), kCy, 1) << toString(box);
    EXPECT_NEAR(box.width(), 516, 6) << toString(box);

    // The solid turns by itself; the ring stays put to the pixel.
    std::this_thread::sleep_for(Millis{300});
    const Image later = screenshot(dpy(), window);
    EXPECT_GT(differing(start, later, 0, 95), 500u) << "the solid did not turn";
    EXPECT_EQ(differing(start, later, kSolid), 0u) << "the ring changed";
    escape();

    launch({{"NOFS", "1"}, {"MODE", "13"}});
    EXPECT_EQ(differing(rings(), start, kSolid), 0u) << "MODE=13 draws another ring";
    escape();
}

TEST_F(Textured, EditingModeShowsTheSelectionInRedAndItsKeysEditTheChain)
{
    launch({{"NOFS", "1"}});
    const Image start = rings();
    // Chain keys in mode 'v' change nothing: after 'm' the one ring turns red, and is still alone.
    key(XK_f);
    key(XK_m);
    waitFor("red", "dark");
    key(XK_f);  // a new ring at the selection, which stays outermost
    waitFor("red", "metal");
    const Image selected = rings();
    key(XK_v);
    waitFor("metal", "metal");
    // The ring after the selected one gets the grey material back, its highlight included:
    // it looks the same as when nothing is selected.
    EXPECT_EQ(differing(rings(), selected, kSolid, 222), 0u) << "the inner ring kept some of the selection's red";
    key(XK_k);
    key(XK_n);
    key(XK_m);  // neither the deletion nor the move happened
    waitFor("red", "metal");
    key(XK_n);
    waitFor("metal", "red");
    key(XK_n);  // already innermost
    key(XK_p);
    waitFor("red", "metal");
    key(XK_p);  // already outermost
    key(XK_k);
    waitFor("red", "dark");
    key(XK_k);  // the last ring stays
    key(XK_v);
    waitFor("metal", "dark");
    EXPECT_EQ(differing(rings(), start, kSolid), 0u) << "the ring differs from the one at the start";
    escape();
}

TEST_F(Textured, PointerTurnsTheSelectedJointSidewaysOnlyInEditingMode)
{
    launch({{"NOFS", "1"}});
    rings();
    key(XK_m);
    key(XK_f);
    waitFor("red", "metal");
    const Image before = rings();

    // Up and down: no joint turns.
    for (int i = 0; i < 8; ++i)
        nudge(0, i % 2 ? 30 : -30);
    key(XK_p);  // does nothing with the outer ring selected, but comes after the motions
    EXPECT_EQ(differing(rings(), before, kSolid), 0u) << "vertical pointer movement changed the rings";

    // Sideways: the outer joint turns what it carries about the vertical axis, so the inner
    // ring leaves the horizontal line and keeps its top and bottom.
    const int x = kCx, y = kCy;
    auto innerOnHorizontal = [&](const Image &image, bool lit) {
        for (int r = 199; r <= 207; ++r)
            for (int side : {-1, 1})
                if ((image.at(x + side * r, y) != Rgb{}) != lit)
                    return false;
        return true;
    };
    ASSERT_TRUE(innerOnHorizontal(before, true));
    // A key after each move marks when the move has been handled (the first two moves of the
    // process may have been dropped), so the loop stops after the first turn that shows.
    Image turned;
    ASSERT_TRUE(pollUntil(
        [&] {
            nudge(30, 0);
            key(XK_p);
            return innerOnHorizontal(turned = rings(), false);
        },
        kWait, Millis{0}))
        << "moving the pointer sideways never turned the inner ring";
    keep(turned, "mode13-turned");
    for (int dy : {-203, 203})
        EXPECT_NE(turned.at(x, y + dy), Rgb{}) << "inner ring gone at offset " << dy << " from the centre";
    // The selected outer ring itself does not move: its top and bottom are the same to the pixel.
    // (Elsewhere the near side of the tilted inner ring may hide some of it.)
    std::size_t moved = 0;
    between(turned, 222, 1e9,
            [&](int px, int py) { moved += std::abs(px - x) <= 8 && turned.at(px, py) != before.at(px, py); });
    EXPECT_EQ(moved, 0u) << "the outer ring moved";
    escape();
}

TEST_F(Textured, ModeEightDrawsOneCentredRingTintedRed)
{
    launch({{"NOFS", "1"}, {"MODE", "8"}});
    const Image ring = settledScreenshot(dpy(), window, hasPicture);
    keep(ring, "mode8");
    int maxRed = 0;
    std::size_t lit = 0;
    for (const auto &[colour, n] : colourCounts(ring)) {
        EXPECT_LE(std::max(colour.g, colour.b), 128) << n << " pixels of colour " << toString(colour);
        maxRed = std::max<int>(maxRed, colour.r);
        lit += colour == Rgb{} ? 0 : n;
    }
    EXPECT_GT(maxRed, 128) << "red was dimmed too";
    EXPECT_GT(lit, 5000u);
    const Box box = boundingBox(ring);
    EXPECT_NEAR(box.centreX(), kCx, 1) << toString(box);
    EXPECT_NEAR(box.centreY(), kCy, 1) << toString(box);
    EXPECT_NEAR(box.width(), 443, 6) << toString(box);
    EXPECT_NEAR(box.height(), 443, 6) << toString(box);
    const Band hole = band(ring, 0, 166), body = band(ring, 175, 216);
    EXPECT_EQ(hole.lit, 0u) << "the hole is not black";
    EXPECT_EQ(body.lit, body.all) << "the ring has gaps";
    escape();
}

TEST_F(Textured, BrokenPictureEndsTheViewerWithTheFailedCheck)
{
    const auto missing = [](const fs::path &p) { fs::remove(p); };
    const auto empty = [](const fs::path &p) { fs::resize_file(p, 0); };
    const auto shorten = [](const fs::path &p) { fs::resize_file(p, fs::file_size(p) - 1); };
    const auto reheader = [](const fs::path &p) {
        std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
        file << "P6\n512 511\n255\n";  // as long as the real header
    };
    struct Case {
        const char *mode, *picture;
        std::function<void(const fs::path &)> breakIt;
        std::string check;
    };
    const Case cases[] = {
        {"8", "pgac.ppm", missing, kOpened},           {"8", "pgac.ppm", empty, kHeaderRead},
        {"8", "pgac.ppm", shorten, kPixelsRead},       {"8", "pgac.ppm", reheader, kHeaderMatches},
        {"13", "xeb2.ppm", reheader, kHeaderMatches}, {"13", "path.ppm", shorten, kPixelsRead},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("MODE=") + c.mode + ", " + c.picture + ", " + c.check);
        const Pictures pictures;
        c.breakIt(pictures.file(c.picture));
        Viewer broken(server, {{"NOFS", "1"}, {"MODE", c.mode}}, {}, VELMORA_BINARY, pictures.root.string());
        EXPECT_EQ(broken.waitExit(), 1);
        EXPECT_EQ(broken.stdoutText(), "");
        EXPECT_EQ(broken.stderrText(), fatalMessage(c.check));
    }
}

}  // namespace

// A chain posed by keys and the pointer, and a fresh viewer started with its pose: the same rings.
TEST_F(Textured, APosedChainsPoseStartsAFreshViewerInTheSamePicture)
{
    launch({{"NOFS", "1"}});
    rings();
    key(XK_m);
    // The first pointer events of the process are dropped: spend them on vertical moves, which turn
    // nothing in mode 'm'. 'b' does nothing, but its line says the move before it was handled.
    for (int dy : {30, -30, 30, -30})
        nudge(0, dy);
    std::string steps = "cd '" VELMORA_SOURCE_DIR "' && '" POSE_OF_STEPS "' m";
    for (const std::string step : {"b", "f", "f", "f", "+40", "b", "n", "-25", "b", "n", "+60", "b", "n", "p", "v",
                                   "x", "w", "w", "w", "a", "+20", "b", "-7", "b", "m"}) {
        steps += " " + step;
        step[0] == '+' || step[0] == '-' ? nudge(std::stoi(step), 0) : key(XStringToKeysym(step.c_str()));
    }
    const Image posed = rings();
    escape();
    char pose[2048] = "";
    FILE *out = popen((steps + " 2>/dev/null").c_str(), "r");
    ASSERT_TRUE(out && std::fscanf(out, "%2047s", pose) == 1 && pclose(out) == 0) << steps;
    launch({{"NOFS", "1"}, {"POSE", pose}});
    EXPECT_EQ(differing(rings(), posed, kSolid), 0u) << "POSE=" << pose;
    EXPECT_EQ(countStartingWith(viewer->stderrLines(), "pose ignored"), 0);
    escape();
}
