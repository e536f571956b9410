// velmora end-to-end tests: the real viewer on its own Xvfb, typed at and looked at through X.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;

namespace {

// The picture's non-black bounding box is centred in the image, give or take `slack` pixels.
bool centred(const Box &box, const Image &image, double slack = 3)
{
    return !box.empty && std::abs(box.centreX() - image.width / 2.0) <= slack &&
           std::abs(box.centreY() - image.height / 2.0) <= slack;
}

// How many sockets the process holds open.
long socketCount(pid_t pid)
{
    namespace fs = std::filesystem;
    long sockets = 0;
    for (const auto &entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        sockets += fs::read_symlink(entry.path()).string().rfind("socket:", 0) == 0;
    return sockets;
}

std::vector<std::string> without(const std::vector<std::string> &lines, const std::string &prefix)
{
    std::vector<std::string> kept;
    for (const auto &line : lines)
        if (line.rfind(prefix, 0) != 0)
            kept.push_back(line);
    return kept;
}

class Velmora : public ViewerTest {
protected:
    // The first complete mode-6 frame, once it has stopped changing.
    Image startPicture()
    {
        return settledScreenshot(dpy(), window, hasPicture);
    }

    // Polls screenshots until one satisfies `wanted`; returns whether one did, and leaves it in `shot`.
    bool waitForPicture(const std::function<bool(const Image &)> &wanted, Image &shot)
    {
        return pollUntil([&] { return wanted(shot = screenshot(dpy(), window)); });
    }
};

TEST_F(Velmora, OpensA1200x900WindowAt100x100WhenNofsIsSetAndIgnoresArguments)
{
    struct Variant {
        const char *what;
        Viewer::Vars vars;
        std::vector<std::string> args;
    };
    const Variant variants[] = {
        {"NOFS=1", {{"NOFS", "1"}, {"MODE", "6"}}, {}},
        {"NOFS empty", {{"NOFS", ""}, {"MODE", "6"}}, {}},
        {"GLUT-style arguments", {{"NOFS", "1"}, {"MODE", "6"}}, {"--foo", "-display", "nowhere", "-geometry", "10x10"}},
    };
    for (const auto &variant : variants) {
        SCOPED_TRACE(variant.what);
        launch(variant.vars, variant.args);
        EXPECT_EQ(windowsNamed(dpy(), "velmora").size(), 1u);
        EXPECT_EQ(toString(windowGeometry(dpy(), window)), "1200x900+100+100");
        viewer->waitForStderrLine("reshapeFunc(1200, 900)");
        for (const auto &line : viewer->stderrLines())
            EXPECT_EQ(line, "reshapeFunc(1200, 900)") << "the only lines before any input are reshapes";
        escape();
    }
}

TEST_F(Velmora, LogsKeysAndSpecialKeysInOrderWithTheirCodesAndThePointerPosition)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    startPicture();
    // The program holds the pointer at the window centre; key lines report it.
    ASSERT_TRUE(pollUntil([&] { return pointerInWindow(dpy(), window) == std::pair{600, 450}; }))
        << "the pointer never reached the window centre";

    for (KeySym key : {XK_a, XK_A, XK_F1, XK_F12, XK_Left, XK_Up, XK_Right, XK_Down, XK_Page_Up, XK_Page_Down,
                       XK_Home, XK_End, XK_Insert, XK_x, XK_x, XK_c, XK_z, XK_Escape})
        sendKey(dpy(), key);
    ASSERT_EQ(viewer->waitExit(), 0);

    const std::vector<std::string> expected = {
        "keyboardFunc(97, 600, 450)",
        "keyboardFunc(65, 600, 450)",
        "specialFunc(1, 450, 600)",    // F1 .. F12 are 1 .. 12
        "specialFunc(12, 450, 600)",
        "specialFunc(100, 450, 600)",  // left, up, right, down, page up, page down, home, end, insert
        "specialFunc(101, 450, 600)",
        "specialFunc(102, 450, 600)",
        "specialFunc(103, 450, 600)",
        "specialFunc(104, 450, 600)",
        "specialFunc(105, 450, 600)",
        "specialFunc(106, 450, 600)",
        "specialFunc(107, 450, 600)",
        "specialFunc(108, 450, 600)",
        "keyboardFunc(120, 600, 450)",
        "vfar = 1.578947",
        "keyboardFunc(120, 600, 450)",
        "vfar = 1.662050",
        "keyboardFunc(99, 600, 450)",  // 'c' also resets vfar to 1.5
        "keyboardFunc(122, 600, 450)",
        "vfar = 1.425000",
        "keyboardFunc(27, 600, 450)",
    };
    // Shift (for 'A') arrives as a special key of its own, 112: GLUT's doing, so it is left out.
    EXPECT_EQ(without(without(viewer->stderrLines(), "reshapeFunc("), "specialFunc(112, "), expected);
}

TEST_F(Velmora, CameraKeysTurnTheRingAndCResetsItButDistanceKeysDoNotChangeThePreview)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    const Image start = startPicture();
    Image shot;
    for (KeySym key : {XK_a, XK_d, XK_e, XK_q, XK_w, XK_s}) {
        SCOPED_TRACE("key " + std::string(XKeysymToString(key)));
        sendKey(dpy(), key);
        ASSERT_TRUE(waitForPicture([&](const Image &i) { return i != start; }, shot)) << "the picture did not change";
        sendKey(dpy(), XK_c);
        ASSERT_TRUE(waitForPicture([&](const Image &i) { return i == start; }, shot))
            << "'c' did not restore the start picture; " << differingPixels(shot, start) << " pixels differ";
    }

    // x and z move the eye in the camera model, but the preview draws from a fixed distance.
    sendKey(dpy(), XK_x);
    viewer->waitForStderrLine("vfar = 1.578947");
    sendKey(dpy(), XK_z);
    viewer->waitForStderrLine("vfar = 1.500000");
    shot = settledScreenshot(dpy(), window, hasPicture);
    EXPECT_EQ(differingPixels(shot, start), 0u);
    escape();
}

TEST_F(Velmora, PointerTurnsTheCameraInModeVOnlyAndCRestoresTheStartPicture)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    const Image start = startPicture();
    Image shot;

    // Nudges the pointer off the centre again and again (the program warps it back each
    // millisecond, and drops the first two motions of the process) until the picture changes.
    auto nudgeUntilChanged = [&](const Image &from) {
        return pollUntil([&] {
            movePointerInWindow(dpy(), window, 600 + 25, 450 - 20);
            std::this_thread::sleep_for(Millis{30});
            shot = screenshot(dpy(), window);
            return shot != from;
        });
    };
    ASSERT_TRUE(nudgeUntilChanged(start)) << "moving the pointer never turned the camera";
    keep(shot, "pointer-turned");
    sendKey(dpy(), XK_c);
    EXPECT_TRUE(waitForPicture([&](const Image &i) { return i == start; }, shot))
        << "'c' did not restore the start picture; " << differingPixels(shot, start) << " pixels differ";

    // In interaction mode 'm' the pointer goes to the mode, and the checker preview ignores it.
    sendKey(dpy(), XK_m);
    viewer->waitForStderrLineStartingWith("keyboardFunc(109, ");
    for (int i = 0; i < 10; ++i) {
        movePointerInWindow(dpy(), window, 600 + 25 - 5 * i, 450 - 20 + 4 * i);
        std::this_thread::sleep_for(Millis{30});
    }
    // The key is handled after the motions before it, and redraws the picture.
    sendKey(dpy(), XK_v);
    viewer->waitForStderrLineStartingWith("keyboardFunc(118, ");
    shot = settledScreenshot(dpy(), window, hasPicture);
    EXPECT_EQ(differingPixels(shot, start), 0u) << "the pointer changed the picture in mode 'm'";

    // Back in mode 'v' the same movement turns the camera again.
    EXPECT_TRUE(nudgeUntilChanged(start)) << "the pointer did not turn the camera after 'v'";
    escape();
}

TEST_F(Velmora, WithoutNofsFallsBackFromGameModeToAFullScreenWindow)
{
    launch({{"MODE", "6"}});
    viewer->waitForStderrLine("reshapeFunc(1600, 1200)");
    const auto lines = viewer->stderrLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "mode string '1600x1200:32@75'");
    // Between the two of ours, GLUT's own complaint that the mode could not be set: a plain X
    // server is asked for game mode, not taken for Xwayland.
    const auto fallback = std::find(lines.begin(), lines.end(),
                                    "game mode is not available; using a full-screen window");
    ASSERT_NE(fallback, lines.end());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), *fallback), 1);
    EXPECT_GT(fallback - lines.begin(), 1) << "game mode was not asked for";
    for (auto line = lines.begin() + 1; line != fallback; ++line)
        EXPECT_EQ(line->rfind("freeglut", 0), 0u) << *line;
    for (auto line = fallback + 1; line != lines.end(); ++line)
        EXPECT_EQ(line->rfind("reshapeFunc(", 0), 0u) << *line;

    EXPECT_EQ(windowsNamed(dpy(), "velmora").size(), 1u);
    // One connection to the server: the one that asked whether it is Xwayland was closed.
    EXPECT_EQ(socketCount(viewer->pid()), 1);
    const Geometry g = windowGeometry(dpy(), window);
    EXPECT_EQ(g.width, 1600);
    EXPECT_EQ(g.height, 1200);
    EXPECT_LE(std::abs(g.x) + std::abs(g.y), 2) << toString(g);

    // The picture fills the screen: the ring sits at the screen centre, scaled to its height.
    Image screen;
    const bool ok = pollUntil([&] {
        screen = screenshot(dpy(), server.root());
        return centred(boundingBox(screen), screen);
    });
    keep(screen, "fullscreen");
    const Box box = boundingBox(screen);
    EXPECT_TRUE(ok) << "ring box " << toString(box) << " is not centred on (800, 600)";
    EXPECT_NEAR(box.height(), 220 * 1200 / 900, 10) << toString(box);
    escape();
}

TEST_F(Velmora, ResizingRedrawsThePictureCentredInTheNewWindow)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    startPicture();
    for (auto [width, height] : {std::pair{800, 600}, std::pair{1000, 500}, std::pair{1200, 900}}) {
        const std::string size = std::to_string(width) + ", " + std::to_string(height);
        SCOPED_TRACE(size);
        resizeWindow(dpy(), window, width, height);
        viewer->waitForStderrLine("reshapeFunc(" + size + ")");
        // A pointer event queued before the reshape is measured from the new centre
        // and may turn the camera; 'c' puts it back so the shape can be judged.
        sendKey(dpy(), XK_c);
        Image shot;
        const bool ok = waitForPicture(
            [&](const Image &i) {
                const Box b = boundingBox(i);
                return i.width == width && i.height == height && centred(b, i) && std::abs(b.width() - b.height()) <= 2;
            },
            shot);
        const Box box = boundingBox(shot);
        // The projection follows the new aspect ratio, so the ring stays round.
        EXPECT_NEAR(box.width(), box.height(), 2) << toString(box);
        EXPECT_NEAR(box.height(), 220.0 * height / 900, 8) << toString(box);
        ASSERT_TRUE(ok) << "ring box " << toString(box) << " is not centred in " << size;
    }
    escape();
}

TEST_F(Velmora, CheckerPreviewHasOnlyBlackAndTheTwoSharpCheckerColours)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    const Image picture = startPicture();
    keep(picture, "mode6");

    // Unlit decal texturing with nearest filtering: no shade between the three colours anywhere.
    const auto counts = colourCounts(picture);
    for (const auto &[colour, n] : counts)
        EXPECT_TRUE(colour == kBlack || colour == kBlue || colour == kRose)
            << n << " pixels of colour " << toString(colour);
    EXPECT_GT(counts.count(kBlue) ? counts.at(kBlue) : 0, 2000u);
    EXPECT_GT(counts.count(kRose) ? counts.at(kRose) : 0, 2000u);

    // A ring about 220 pixels across at the window centre, with a black hole in the middle.
    const Box box = boundingBox(picture);
    EXPECT_TRUE(centred(box, picture)) << toString(box);
    EXPECT_NEAR(box.width(), 220, 10) << toString(box);
    EXPECT_NEAR(box.height(), 220, 10) << toString(box);
    const int cx = picture.width / 2, cy = picture.height / 2;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx)
            if (dx * dx + dy * dy <= 60 * 60 && picture.at(cx + dx, cy + dy) != kBlack) {
                ADD_FAILURE() << "the hole is not black at offset (" << dx << ", " << dy << ")";
                dx = dy = 61;
            }
    for (auto [dx, dy] : {std::pair{100, 0}, std::pair{-100, 0}, std::pair{0, 100}, std::pair{0, -100}})
        EXPECT_NE(picture.at(cx + dx, cy + dy), kBlack) << "no ring at offset (" << dx << ", " << dy << ")";
    escape();
}

TEST_F(Velmora, ModeSevenDrawsNothingButStillLogsKeysAndExits)
{
    launch({{"NOFS", "1"}, {"MODE", "7"}});
    EXPECT_EQ(toString(windowGeometry(dpy(), window)), "1200x900+100+100");
    viewer->waitForStderrLine("reshapeFunc(1200, 900)");
    ASSERT_TRUE(pollUntil([&] { return pointerInWindow(dpy(), window) == std::pair{600, 450}; }));
    sendKey(dpy(), XK_a);
    sendKey(dpy(), XK_x);
    sendKey(dpy(), XK_F5);
    viewer->waitForStderrLine("specialFunc(5, 450, 600)");
    EXPECT_TRUE(viewer->running());
    escape();
    const std::vector<std::string> expected = {"keyboardFunc(97, 600, 450)", "keyboardFunc(120, 600, 450)",
                                               "vfar = 1.578947", "specialFunc(5, 450, 600)",
                                               "keyboardFunc(27, 600, 450)"};
    EXPECT_EQ(without(viewer->stderrLines(), "reshapeFunc("), expected);
}

}  // namespace
