// velmora end-to-end tests on Xorg with its dummy video driver, the one server here whose modes
// really switch: the default start's 75 Hz, and the 60 Hz given back on every way out.
#include <gtest/gtest.h>

#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;

namespace {

// The screen's two rates: its own mode's, and that of the mode the viewer asks for.
constexpr double k60Hz = 60.00, k75Hz = 75.03;

// A full-screen start on the 1024x768 screen, before any input: no fallback line, nothing of GLUT's.
const std::vector<std::string> kStartLines = {"mode string '1024x768:32@75'", "reshapeFunc(1024, 768)"};

class XorgGameMode : public ViewerTest {
protected:
    explicit XorgGameMode(ServerKind kind = ServerKind::xorg) : ViewerTest(kind) {}

    // Starts the default (full-screen) viewer in `mode`. Game mode's window has no title, so
    // launch() cannot wait for it; the start is known by its lines instead.
    void start(const std::string &mode, const std::string &workdir = VELMORA_SOURCE_DIR)
    {
        viewer = std::make_unique<Viewer>(server, Viewer::Vars{{"MODE", mode}}, std::vector<std::string>{},
                                          VELMORA_BINARY, workdir);
    }

    // Starts mode 6 and waits until it runs at the screen's size, with the rate the screen then has.
    void startRunning(double hz)
    {
        start("6");
        viewer->waitForStderrLine("reshapeFunc(1024, 768)");
        EXPECT_EQ(viewer->stderrLines(), kStartLines);
        expectRate(hz, "while running");
    }

    // The screen comes to `hz` in time: the server may read an ended viewer's last requests
    // after the test's own question.
    void expectRate(double hz, const std::string &when)
    {
        double rate = 0;
        EXPECT_TRUE(pollUntil([&] { return std::abs((rate = refreshRate(dpy())) - hz) < 0.05; }, Millis{3000}))
            << when << ": the screen is at " << rate << " Hz, not " << hz;
    }

    // Mode 6's ring fills the screen as it fills a window of the screen's height: 220 pixels
    // across in the 900-pixel window, 188 here. Judged on the screen itself.
    void expectFullScreenPicture()
    {
        key(XK_c);  // GLUT moved the pointer into its window, which may have turned the camera
        Image shot;
        EXPECT_TRUE(pollUntil([&] { return ringOfSideAtTheCentre(shot = screenshot(dpy(), server.root()), 188); }))
            << "picture box " << toString(boundingBox(shot)) << " on the " << shot.width << "x" << shot.height
            << " screen";
        EXPECT_GT(colourCounts(shot)[kBlue], 2000u) << "no checker";
        keep(shot, "xorg-game-mode");
    }

    void TearDown() override
    {
        ViewerTest::TearDown();
        if (HasFailure())
            std::cerr << "Xorg wrote:\n" << server.log();
    }
};

TEST_F(XorgGameMode, DefaultStartSwitchesTo75HzFillsTheScreenAndEscapeGives60Back)
{
    ASSERT_NEAR(refreshRate(dpy()), k60Hz, 0.05) << "the screen does not start at 60 Hz";
    startRunning(k75Hz);
    expectFullScreenPicture();
    escape();
    expectRate(k60Hz, "after Escape");
}

TEST_F(XorgGameMode, FatalTextureErrorGives60BackAndEndsWithStatusOne)
{
    Pictures folder;
    std::filesystem::remove_all(folder.root / "data");
    start("13", folder.root);
    EXPECT_EQ(viewer->waitExit(), 1);
    EXPECT_EQ(viewer->stderrText(), kStartLines[0] + "\n" + fatalMessage(kOpened));
    expectRate(k60Hz, "after the fatal error");
}

TEST_F(XorgGameMode, EachEndingSignalGives60BackAndEndsByThatSignal)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        startRunning(k75Hz);
        kill(viewer->pid(), signal);
        EXPECT_EQ(viewer->waitExit(), -signal);
        EXPECT_EQ(viewer->stderrLines(), kStartLines) << "a line was added";
        expectRate(k60Hz, "after the signal");
    }
}

TEST_F(XorgGameMode, ASignalDuringStartUpOrABurstOfThemEndsItOnceAndGives60Back)
{
    // Sent as soon as game mode is asked for: it comes while GLUT switches the mode and opens
    // its window or while the chain loads its pictures, and is acted on once the main loop runs.
    start("13");
    viewer->waitForStderrLine(kStartLines[0]);
    kill(viewer->pid(), SIGTERM);
    EXPECT_EQ(viewer->waitExit(), -SIGTERM);
    const auto lines = viewer->stderrLines();
    EXPECT_TRUE(std::equal(lines.begin(), lines.end(), kStartLines.begin(), kStartLines.end()) ||
                lines == std::vector<std::string>{kStartLines[0]})
        << viewer->stderrText();
    expectRate(k60Hz, "after a signal during start-up");

    startRunning(k75Hz);
    for (int round = 0; round < 10; ++round)
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            kill(viewer->pid(), signal);
    const int status = viewer->waitExit();
    EXPECT_TRUE(status == -SIGTERM || status == -SIGINT || status == -SIGHUP) << "status " << status;
    EXPECT_EQ(viewer->stderrLines(), kStartLines) << "a line was added";
    expectRate(k60Hz, "after a burst of signals");
}

// Nothing can catch SIGKILL; the README gives the command that puts the screen's mode back.
TEST_F(XorgGameMode, AfterSigkillXrandrSizeZeroGives60Back)
{
    startRunning(k75Hz);
    kill(viewer->pid(), SIGKILL);
    EXPECT_EQ(viewer->waitExit(), -SIGKILL);
    EXPECT_NEAR(refreshRate(dpy()), k75Hz, 0.05) << "SIGKILL left the screen as it was";
    ASSERT_EQ(std::system(("DISPLAY=" + server.name() + " xrandr -s 0").c_str()), 0);
    expectRate(k60Hz, "after xrandr -s 0");
}

class XorgWithout75Hz : public XorgGameMode {
protected:
    XorgWithout75Hz() : XorgGameMode(ServerKind::xorgNo75) {}
};

// GLUT takes the screen's size at another rate when none of that size has 75 Hz: game mode
// all the same, with no fallback line, and the screen left at its one rate throughout.
TEST_F(XorgWithout75Hz, DefaultStartTakesGameModeAtTheScreensOwnRate)
{
    startRunning(k60Hz);
    expectFullScreenPicture();
    escape();
    expectRate(k60Hz, "after Escape");
}

}  // namespace
