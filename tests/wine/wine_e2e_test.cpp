// velmora end-to-end tests of the Windows build: the viewer from its zip, unpacked into a folder
// whose path has spaces, run by Wine on Xvfb and judged against the Linux viewer on the same
// server; and its game mode on Xorg, whose modes really switch, given back on every way out.
#include <gtest/gtest.h>

#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// A start in a prepared prefix takes a few seconds, many more on a busy machine.
constexpr Millis kWineWait{60000};

// The zip, unpacked once for all the tests, as a user would: into a folder of its own.
class UnpackedZip : public testing::Environment {
public:
    static fs::path folder;  // the zip's one folder, which holds velmora.exe and data/

    void SetUp() override
    {
        std::string name = (fs::temp_directory_path() / "velmora e2e wine-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        parent_ = name;
        const std::string unpack = "cd '" + parent_.string() + "' && cmake -E tar xf '" VELMORA_WINDOWS_ZIP "'";
        ASSERT_EQ(std::system(unpack.c_str()), 0) << unpack;
        folder = parent_ / fs::path(VELMORA_WINDOWS_ZIP).stem();
        ASSERT_TRUE(fs::exists(folder / "velmora.exe")) << folder;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(parent_, ignored);
    }

private:
    fs::path parent_;
};
fs::path UnpackedZip::folder;
[[maybe_unused]] testing::Environment *const unpacked = testing::AddGlobalTestEnvironment(new UnpackedZip);

// Standard error as Windows' C library writes it: each line ends in CR LF. The lines without
// their ends; a line ended by LF alone, or unended, is a failure.
std::vector<std::string> windowsLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        EXPECT_TRUE(end > start && text[end - 1] == '\r') << "a line without CR LF: " << text.substr(start, end - start);
        lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r')));
    }
    EXPECT_EQ(start, text.size()) << "an unended last line";
    return lines;
}

// The viewer's environment under Wine: `vars`, and Wine's own diagnostics off (they would
// mix with the viewer's lines on standard error).
Viewer::Vars wineVars(Viewer::Vars vars)
{
    vars.emplace_back("WINEDEBUG", "-all");
    return vars;
}

std::string withCrLf(std::string text)
{
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, "\r");
    return text;
}

class Wine : public ViewerTest {
protected:
    // Wine's desktop process, which every program of the prefix shares, keeps the X display it
    // first opened (and that display's size and modes) until the prefix's server ends, seconds
    // after its last program. End it, so that this test's programs meet this test's X server.
    explicit Wine(ServerKind kind = ServerKind::xvfb) : ViewerTest(kind)
    {
        const int status = std::system(WINESERVER " --kill 2>/dev/null");  // 1 when none was running
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << "wineserver --kill: " << status;
    }

    // Starts the Windows viewer in `workdir` (by default its own folder, as a double-click
    // does) and waits for its window.
    void launchWine(const Viewer::Vars &vars, const std::string &title = "velmora",
                    const fs::path &workdir = UnpackedZip::folder)
    {
        viewer.reset();
        ASSERT_TRUE(pollUntil([&] { return windowsNamed(dpy(), title).empty(); }))
            << "an earlier viewer's window is still there";
        viewer = std::make_unique<Viewer>(server, wineVars(vars), std::vector<std::string>{exe()}, WINE,
                                          workdir.string());
        window = waitForWindow(dpy(), title, kWineWait);
    }

    // Waits until the viewer has taken its window's size, drawn, and holds the pointer at the
    // window centre: Wine shows the window before the viewer has seen its size, and a key
    // typed meanwhile would report the pointer where it was.
    void awaitStart(const std::string &size, int cx, int cy)
    {
        viewer->waitForStderrLineStartingWith("reshapeFunc(" + size + ")", kWineWait);
        ASSERT_TRUE(pollUntil([&] { return pointerInWindow(dpy(), window) == std::pair{cx, cy}; }, kWineWait))
            << "the pointer never reached the window centre";
    }

    static std::string exe()
    {
        return (UnpackedZip::folder / "velmora.exe").string();
    }

    // Sends each key, special keys too, and waits until the viewer has logged it.
    void keys(const std::vector<KeySym> &keysyms)
    {
        auto logged = [&] {
            const auto lines = viewer->stderrLines();
            return countStartingWith(lines, "keyboardFunc(") + countStartingWith(lines, "specialFunc(");
        };
        for (KeySym k : keysyms) {
            const long before = logged();
            sendKey(dpy(), k);
            ASSERT_TRUE(pollUntil([&] { return logged() > before; }, kWineWait))
                << XKeysymToString(k) << " was not handled";
        }
    }

    // A shot whose pixels farther than `from` from the centre match the shot taken 100 ms
    // before, and show something there: the spinning solid of mode 13 lies within kSolid.
    Image settled(double from)
    {
        Image shot;
        EXPECT_TRUE(settledShot(dpy(), window, from, kWineWait, shot, hasPicture)) << "the picture never settled";
        return shot;
    }

    // Escape ends the viewer with status 0 and nothing on standard output.
    void quit()
    {
        sendKey(dpy(), XK_Escape);
        EXPECT_EQ(viewer->waitExit(kWineWait), 0);
        EXPECT_EQ(viewer->stdoutText(), "");
    }
};

// Each mode posed by keys alone, so that both viewers show the same picture.
struct Pose {
    const char *mode;
    std::vector<KeySym> keys;
    double from;  // pixels nearer the centre are not compared
};

TEST_F(Wine, EveryModeDrawsTheLinuxPictureLogsTheSameLinesAndEscapeGivesZero)
{
    const Pose poses[] = {
        {"6", {XK_w, XK_a, XK_a}, 0},
        {"8", {XK_e, XK_s, XK_F3}, 0},
        // Three rings, the middle one selected (red), seen from above and a little farther away.
        {"13", {XK_m, XK_f, XK_f, XK_n, XK_k, XK_f, XK_p, XK_v, XK_w, XK_w, XK_x, XK_x, XK_z}, kSolid},
    };
    for (const Pose &pose : poses) {
        SCOPED_TRACE(std::string("MODE=") + pose.mode);
        launch({{"NOFS", "1"}, {"MODE", pose.mode}});
        awaitStart("1200, 900", kCx, kCy);
        keys(pose.keys);
        const Image expected = settled(pose.from);
        keep(expected, std::string("linux-mode") + pose.mode);
        escape();
        const std::vector<std::string> linuxLines = viewer->stderrLines();

        launchWine({{"NOFS", "1"}, {"MODE", pose.mode}});
        // Windows places the frame at (100, 100); the picture is the area inside it.
        const Geometry g = windowGeometry(dpy(), window);
        EXPECT_EQ(g.width, 1200);
        EXPECT_EQ(g.height, 900);
        awaitStart("1200, 900", kCx, kCy);
        keys(pose.keys);
        const Image picture = settled(pose.from);
        keep(picture, std::string("wine-mode") + pose.mode);
        EXPECT_EQ(differing(picture, expected, pose.from), 0u);
        quit();
        EXPECT_EQ(windowsLines(viewer->stderrText()), linuxLines);
    }
}

// The pose that keys give, handed to the Windows viewer as POSE: the rings the keys draw on Linux.
TEST_F(Wine, APoseStartsTheWindowsViewerInThePictureItsKeysGive)
{
    const std::vector<KeySym> steps = {XK_m, XK_f, XK_f, XK_n, XK_k, XK_f, XK_p, XK_v, XK_w, XK_x, XK_z};
    std::string command = "cd '" VELMORA_SOURCE_DIR "' && '" POSE_OF_STEPS "'";
    for (KeySym k : steps)
        command += std::string(" ") + XKeysymToString(k);
    char pose[2048] = "";
    FILE *out = popen((command + " 2>/dev/null").c_str(), "r");
    ASSERT_TRUE(out && std::fscanf(out, "%2047s", pose) == 1 && pclose(out) == 0) << command;

    launch({{"NOFS", "1"}});
    awaitStart("1200, 900", kCx, kCy);
    keys(steps);
    const Image expected = settled(kSolid);
    escape();

    launchWine({{"NOFS", "1"}, {"POSE", pose}});
    awaitStart("1200, 900", kCx, kCy);
    EXPECT_EQ(differing(settled(kSolid), expected, kSolid), 0u) << "POSE=" << pose;
    quit();
    EXPECT_EQ(countStartingWith(windowsLines(viewer->stderrText()), "pose ignored"), 0);
}

TEST_F(Wine, DefaultStartFillsTheScreenInGameMode)
{
    // Windows' game mode window is freeglut's own, titled after it.
    launchWine({{"MODE", "6"}}, "FREEGLUT");
    awaitStart("1600, 1200", 800, 600);
    EXPECT_EQ(toString(windowGeometry(dpy(), window)), "1600x1200+0+0");
    Image screen;
    const bool centred = pollUntil(
        [&] {
            screen = screenshot(dpy(), server.root());
            const Box box = boundingBox(screen);
            return !box.empty && box.centreX() == 800 && box.centreY() == 600;
        },
        kWineWait);
    keep(screen, "wine-gamemode");
    EXPECT_TRUE(centred) << "ring box " << toString(boundingBox(screen)) << " is not centred on (800, 600)";
    quit();
    const std::vector<std::string> expected = {"mode string '1600x1200:32@75'", "reshapeFunc(1600, 1200)",
                                               "keyboardFunc(27, 800, 600)"};
    EXPECT_EQ(windowsLines(viewer->stderrText()), expected);
}

TEST_F(Wine, BrokenPictureGivesStatusOneAndTheExactFatalLines)
{
    struct Case {
        const char *mode, *picture;
        std::function<void(const fs::path &)> breakIt;
        std::string check;
    };
    const Case cases[] = {
        {"8", "pgac.ppm", [](const fs::path &p) { fs::remove(p); }, kOpened},
        {"13", "path.ppm", [](const fs::path &p) { fs::resize_file(p, fs::file_size(p) - 1); }, kPixelsRead},
        {"13", "xeb2.ppm",
         [](const fs::path &p) {
             std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
             file << "P6\n512 511\n255\n";
         },
         kHeaderMatches},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("MODE=") + c.mode + ", " + c.picture + ", " + c.check);
        const Pictures pictures;
        c.breakIt(pictures.file(c.picture));
        Viewer broken(server, wineVars({{"NOFS", "1"}, {"MODE", c.mode}}), {exe()}, WINE, pictures.root.string());
        EXPECT_EQ(broken.waitExit(kWineWait), 1);
        EXPECT_EQ(broken.stdoutText(), "");
        EXPECT_EQ(broken.stderrText(), withCrLf(fatalMessage(c.check)));
    }
}

// The refresh rate of the screen's current mode in Hz, as RandR's current configuration has it:
// Wine switches modes through RandR, which the video-mode extension's answer (refreshRate) does
// not follow. Read as it stands, without asking the server to probe its outputs again.
double crtcRate(Display *dpy)
{
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(dpy, DefaultRootWindow(dpy));
    double rate = 0;
    for (int c = 0; c < resources->ncrtc && rate == 0; ++c) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(dpy, resources, resources->crtcs[c]);
        for (int m = 0; m < resources->nmode; ++m)
            if (const XRRModeInfo &mode = resources->modes[m]; mode.id == crtc->mode && mode.hTotal && mode.vTotal)
                rate = mode.dotClock / (double(mode.hTotal) * mode.vTotal);
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return rate;
}

// The rates of the Xorg screen's own mode and of the one game mode asks for (tests/e2e/xorg/60-and-75.conf).
constexpr double k60Hz = 60.00, k75Hz = 75.03;
// STATUS_CONTROL_C_EXIT as a Unix parent sees it: Wine passes on the low byte of the exit code.
constexpr int kControlCExitByte = 0xC000013A & 0xFF;

// The default start on Xorg with its dummy driver: game mode at 1024x768, with the screen at
// 75 Hz until the viewer gives it back its own 60 Hz.
class WineGameMode : public Wine {
protected:
    WineGameMode() : Wine(ServerKind::xorg) {}

    // Starts mode 6 and waits until it runs in game mode, with the screen at 75 Hz.
    void startRunning()
    {
        launchWine({{"MODE", "6"}}, "FREEGLUT");
        awaitStart("1024, 768", 512, 384);
        expectRate(k75Hz, "while running");
    }

    // The screen comes to `hz` in time.
    void expectRate(double hz, const std::string &when)
    {
        double rate = 0;
        EXPECT_TRUE(pollUntil([&] { return std::abs((rate = crtcRate(dpy())) - hz) < 0.05; }, Millis{5000}))
            << when << ": the screen is at " << rate << " Hz, not " << hz;
    }

    static std::vector<std::string> startLines()
    {
        return {"mode string '1024x768:32@75'", "reshapeFunc(1024, 768)"};
    }
};

TEST_F(WineGameMode, EscapeOrClosingTheWindowGives60BackAndStatusZero)
{
    ASSERT_NEAR(crtcRate(dpy()), k60Hz, 0.05) << "the screen does not start at 60 Hz";
    startRunning();
    quit();
    expectRate(k60Hz, "after Escape");
    std::vector<std::string> lines = startLines();
    lines.push_back("keyboardFunc(27, 512, 384)");
    EXPECT_EQ(windowsLines(viewer->stderrText()), lines);

    // Windows closes game mode's window; freeglut leaves game mode, shuts itself down and exits.
    startRunning();
    sendChord(dpy(), {XK_Alt_L, XK_F4});
    EXPECT_EQ(viewer->waitExit(kWineWait), 0);
    expectRate(k60Hz, "after Alt+F4");
    for (const std::string &line : windowsLines(viewer->stderrText()))
        EXPECT_NE(line.rfind("freeglut", 0), 0u) << line;
}

TEST_F(WineGameMode, FatalErrorGives60BackAndStatusOne)
{
    const Pictures pictures;
    fs::remove(pictures.file("pgac.ppm"));
    Viewer broken(server, wineVars({{"MODE", "8"}}), {exe()}, WINE, pictures.root.string());
    EXPECT_EQ(broken.waitExit(kWineWait), 1);
    EXPECT_EQ(broken.stderrText(), withCrLf(startLines()[0] + "\n" + fatalMessage(kOpened)));
    expectRate(k60Hz, "after the fatal error");
}

// Wine's console delivers Ctrl+C as SIGINT to each of its processes, which runs the process's
// console handlers on a new thread, as Windows does; a process started from a Unix shell has no
// console of its own, so the test does what the console would.
TEST_F(WineGameMode, CtrlCGives60BackAndEndsWithTheStatusWindowsGivesIt)
{
    startRunning();
    kill(viewer->pid(), SIGINT);
    EXPECT_EQ(viewer->waitExit(kWineWait), kControlCExitByte);
    EXPECT_EQ(windowsLines(viewer->stderrText()), startLines()) << "a line was added";
    expectRate(k60Hz, "after Ctrl+C");

    // As soon as game mode's window is there: while the chain loads its pictures, or just after.
    launchWine({{"MODE", "13"}}, "FREEGLUT");
    kill(viewer->pid(), SIGINT);
    EXPECT_EQ(viewer->waitExit(kWineWait), kControlCExitByte);
    expectRate(k60Hz, "after Ctrl+C during start-up");
}

}  // namespace
