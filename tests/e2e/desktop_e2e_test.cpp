// velmora end-to-end tests on desktop servers: weston's Xwayland, and Xvfb managed by openbox.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;

namespace {

// The lines of a full-screen start that did without game mode, before any input. Where the
// viewer asked for it, GLUT's complaints come between its two lines; where it did not, nothing.
bool fullScreenWindowStart(const std::vector<std::string> &lines, bool askedForGameMode)
{
    std::size_t i = 1;
    while (askedForGameMode && i < lines.size() && lines[i].rfind("freeglut", 0) == 0)
        ++i;
    if ((i > 1) != askedForGameMode || lines.size() < i + 2 || lines[0] != "mode string '1600x1200:32@75'" ||
        lines[i] != "game mode is not available; using a full-screen window")
        return false;
    for (++i; i < lines.size(); ++i)
        if (lines[i].rfind("reshapeFunc(", 0) != 0)
            return false;
    return true;
}

// What the viewer's Xwayland check says of the server ("xwayland" or "plain"), asked by a
// program of its own under a leak checker: the check must free everything it takes.
std::string xwaylandCheck(const XServer &server)
{
    const std::string memcheck = PROBE_MEMCHECK;
    std::unique_ptr<Viewer> probe;
    if (memcheck.empty())
        probe = std::make_unique<Viewer>(server, Viewer::Vars{{"ASAN_OPTIONS", "detect_leaks=1"}},
                                         std::vector<std::string>{}, XWAYLAND_PROBE);
    else
        probe = std::make_unique<Viewer>(server, Viewer::Vars{},
                                         std::vector<std::string>{"--leak-check=full", "--errors-for-leak-kinds=definite",
                                                                  "--error-exitcode=1", "--quiet", XWAYLAND_PROBE},
                                         memcheck);
    EXPECT_EQ(probe->waitExit(Millis{30000}), 0) << probe->stderrText();
    return probe->stdoutText();
}

// The default start (no NOFS) fills the screen with the picture, which scales with the
// height: mode 6's ring, 220 pixels across in the 900-pixel-high window, is 293 here; the
// chain's outer ring, 517 there, 690. Where the X position means something (a real X
// server, not Xwayland, whose window manager places windows on the output itself and
// keeps X positions of its own), the window is also at the origin.
void expectFullScreenPicture(Display *dpy, Window window, const std::string &mode, bool atOrigin)
{
    // The window manager may size the window before it moves it.
    std::string geometry;
    const auto placed = [&] {
        const Geometry g = windowGeometry(dpy, window);
        geometry = toString(g);
        return isFullScreen(dpy, window) && g.width == 1600 && g.height == 1200 &&
               (!atOrigin || (g.x == 0 && g.y == 0));
    };
    EXPECT_TRUE(pollUntil(placed)) << geometry << (isFullScreen(dpy, window) ? "" : ", not in full-screen state");
    // Moving the window under the pointer may have turned the camera; 'c' puts it back.
    sendKey(dpy, XK_c);
    Image shot;
    const int side = mode == "6" ? 293 : 690;
    const bool ok = pollUntil([&] { return ringOfSideAtTheCentre(shot = screenshot(dpy, window), side); });
    EXPECT_TRUE(ok) << "mode " << mode << ": picture box " << toString(boundingBox(shot)) << ", wanted " << side
                    << " square at the centre of " << shot.width << "x" << shot.height;
    if (mode == "6") {
        EXPECT_GT(colourCounts(shot)[kBlue], 2000u) << "no checker";
    }
}

class XwaylandDesktop : public ViewerTest {
protected:
    XwaylandDesktop() : ViewerTest(ServerKind::xwayland) {}

    // weston says "xserver exited" when Xwayland dies, and Xwayland "Caught signal" when it
    // crashes; weston would start a new one for the next client, so only the log tells.
    void expectServerAlive()
    {
        const std::string log = server.log();
        EXPECT_EQ(log.find("xserver exited"), std::string::npos) << log;
        EXPECT_EQ(log.find("Caught signal"), std::string::npos) << log;
    }
};

TEST_F(XwaylandDesktop, DefaultStartFillsTheOutputWithoutTakingTheServerDown)
{
    struct Variant {
        const char *what;
        Viewer::Vars vars;
        std::string mode;
    };
    EXPECT_EQ(xwaylandCheck(server), "xwayland\n");
    Viewer::Vars session = server.sessionVars();
    session.emplace_back("MODE", "6");
    const Variant variants[] = {
        {"in the session's environment, mode 6", session, "6"},
        {"with no WAYLAND_DISPLAY, the default mode", {}, "13"},
    };
    for (const auto &variant : variants) {
        SCOPED_TRACE(variant.what);
        launch(variant.vars);
        viewer->waitForStderrLine("reshapeFunc(1600, 1200)");
        EXPECT_TRUE(fullScreenWindowStart(viewer->stderrLines(), false)) << viewer->stderrText();
        expectFullScreenPicture(dpy(), window, variant.mode, false);
        escape();
        expectServerAlive();
    }
}

class OpenboxDesktop : public ViewerTest {
protected:
    OpenboxDesktop() : ViewerTest(ServerKind::xvfbOpenbox) {}

    // openbox focuses a new window a moment after mapping it; keys sent before go elsewhere.
    void awaitFocus() { ASSERT_TRUE(pollUntil([&] { return hasFocus(dpy(), window); })) << "never focused"; }
};

TEST_F(OpenboxDesktop, DefaultStartFillsTheScreenAndTheWindowManagersCloseEndsItWithStatusZero)
{
    EXPECT_EQ(xwaylandCheck(server), "plain\n");
    launch({{"MODE", "6"}});
    viewer->waitForStderrLine("reshapeFunc(1600, 1200)");
    EXPECT_TRUE(fullScreenWindowStart(viewer->stderrLines(), true)) << viewer->stderrText();
    expectFullScreenPicture(dpy(), window, "6", true);

    // openbox's own binding: Alt+F4 sends the focused window WM_DELETE_WINDOW.
    awaitFocus();
    sendChord(dpy(), {XK_Alt_L, XK_F4});
    EXPECT_EQ(viewer->waitExit(), 0);
    for (const auto &line : viewer->stderrLines())
        EXPECT_NE(line.rfind("X Error", 0), 0u) << line;
}

TEST_F(OpenboxDesktop, NofsGivesThe1200x900Window)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    viewer->waitForStderrLine("reshapeFunc(1200, 900)");
    const Geometry g = windowGeometry(dpy(), window);
    EXPECT_EQ(g.width, 1200);
    EXPECT_EQ(g.height, 900);
    for (const auto &line : viewer->stderrLines())
        EXPECT_EQ(line, "reshapeFunc(1200, 900)");
    awaitFocus();
    escape();
}

}  // namespace
