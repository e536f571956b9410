// velmora end-to-end tests at the edges: broken pictures, odd MODE values, a one-pixel window,
// the window or the X server going away, and long runs of keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "viewer_test.h"
#include "xharness.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// Pixels that differ between two shots, counting only those farther than `radius` from the centre.
std::size_t differingOutside(const Image &a, const Image &b, double radius)
{
    std::size_t n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            n += std::hypot(x + 0.5 - kCx, y + 0.5 - kCy) > radius && a.at(x, y) != b.at(x, y);
    return n;
}

// Of the pixels at `radius` from the centre (sampled each degree), how many are not black.
int litAround(const Image &image, double radius)
{
    int lit = 0;
    for (int degree = 0; degree < 360; ++degree) {
        const double a = degree * M_PI / 180;
        lit += image.at(kCx + static_cast<int>(radius * std::cos(a)), kCy + static_cast<int>(radius * std::sin(a))) !=
               kBlack;
    }
    return lit;
}

// A picture broken one way, and the check that must fail (none: the viewer runs normally).
using Edit = std::function<void(const fs::path &)>;
struct Broken {
    const char *picture, *what;
    Edit edit;
    std::string check;
    const char *mode = "13";
};

class Hardening : public ViewerTest {
protected:
    Image waitForPicture(const std::function<bool(const Image &)> &wanted, const std::string &what)
    {
        Image shot;
        EXPECT_TRUE(pollUntil([&] { return wanted(shot = screenshot(dpy(), window)); })) << what;
        return shot;
    }

    // A shot of mode 13 from its second frame on. The first frame lights the outer ring with GL's
    // default material, later ones with the darker one the solid's drawing leaves behind. A shot
    // counts once the solid has turned since an earlier shot that showed the ring.
    Image laterChainFrame()
    {
        const Image first = waitForPicture([](const Image &i) { return litAround(i, 242) == 360; }, "no ring");
        auto turned = [&](const Image &i) { return differingPixels(i, first) > differingOutside(i, first, 95); };
        return waitForPicture(turned, "the solid does not turn");
    }

    // Which display mode the window shows, judged by its pixels once the main loop has handled a
    // key: "none" when it is still all black after `patience` (a mode's first frame, which compiles
    // its GL state, comes within a second unless the machine is very busy), "6" when it has only
    // black and the two checker colours, "8" for a large ring with neither green nor blue above 128,
    // "13" when it keeps changing (the spinning solid) inside a complete outer ring.
    std::string shownMode(Millis patience)
    {
        key(XK_b);  // no mode does anything with 'b' in interaction mode 'v'
        Image first, later;
        if (!pollUntil([&] { return hasPicture(first = screenshot(dpy(), window)); }, patience))
            return "none";
        bool checker = true, red = true;
        std::size_t lit = 0;
        for (const auto &[colour, n] : colourCounts(first)) {
            checker = checker && (colour == kBlack || colour == kBlue || colour == kRose);
            red = red && colour.g <= 128 && colour.b <= 128;
            lit += colour == kBlack ? 0 : n;
        }
        if (checker || (red && lit > 5000))
            return checker ? "6" : "8";
        if (!pollUntil([&] { return (later = screenshot(dpy(), window)) != first; }))
            return "unknown";
        return litAround(later, 242) == 360 ? "13" : "changing";
    }

    // ---- broken pictures ----

    // Each case in a fresh copy of the pictures: a failed check ends the start-up with exactly its
    // message and status 1; otherwise the mode draws and Escape ends it with status 0.
    void expectOutcomes(const std::vector<Broken> &cases)
    {
        for (const Broken &c : cases) {
            SCOPED_TRACE(std::string("MODE=") + c.mode + ", " + c.picture + " " + c.what);
            const Pictures pictures;
            c.edit(pictures.file(c.picture));
            if (c.check.empty()) {
                launch({{"NOFS", "1"}, {"MODE", c.mode}}, {}, pictures.root.string());
                waitForPicture(hasPicture, "the mode drew nothing");
                escape();
                continue;
            }
            Viewer broken(server, {{"NOFS", "1"}, {"MODE", c.mode}}, {}, VELMORA_BINARY, pictures.root.string());
            EXPECT_EQ(broken.waitExit(), 1);
            EXPECT_EQ(broken.stdoutText(), "");
            EXPECT_EQ(broken.stderrText(), fatalMessage(c.check));
        }
    }
};

std::string slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void spit(const fs::path &p, const std::string &bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

std::size_t headerLength(const std::string &ppm)  // up to the third newline
{
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i)
        at = ppm.find('\n', at) + 1;
    return at;
}

const Edit missing = [](const fs::path &p) { fs::remove(p); };
const Edit directory = [](const fs::path &p) { fs::remove(p), fs::create_directory(p); };
const Edit empty = [](const fs::path &p) { fs::resize_file(p, 0); };
const Edit headerOnly = [](const fs::path &p) { fs::resize_file(p, headerLength(slurp(p))); };
const Edit oneByteShort = [](const fs::path &p) { fs::resize_file(p, fs::file_size(p) - 1); };
const Edit trailingBytes = [](const fs::path &p) { spit(p, slurp(p) + std::string(1000, '\x7f')); };
Edit cutTo(std::size_t bytes)
{
    return [bytes](const fs::path &p) { fs::resize_file(p, bytes); };
}
Edit header(const std::string &replacement)  // the pixels kept as they were
{
    return [replacement](const fs::path &p) {
        const std::string ppm = slurp(p);
        spit(p, replacement + ppm.substr(headerLength(ppm)));
    };
}

// Mode 13 loads pgac, xeb2, pipe, ntux and path; mode 8 pgac; mode 6 none; no mode loads pond.
TEST_F(Hardening, MissingPictureIsFatalOnlyWhenTheModeLoadsIt)
{
    expectOutcomes({{"pgac.ppm", "missing", missing, kOpened, "8"},
                    {"pgac.ppm", "missing", missing, kOpened},
                    {"xeb2.ppm", "missing", missing, kOpened},
                    {"pipe.ppm", "missing", missing, kOpened},
                    {"ntux.ppm", "missing", missing, kOpened},
                    {"path.ppm", "missing", missing, kOpened},
                    {"pond.ppm", "missing", missing, ""},
                    {"", "(the whole folder) missing", [](const fs::path &p) { fs::remove_all(p); }, "", "6"}});
}

// pgac, xeb2 and ntux hold 8-bit samples behind a 15-byte header, pipe and path 16-bit ones behind 17 bytes.
TEST_F(Hardening, ShortOrUnreadablePictureFailsTheReadThatRanOut)
{
    expectOutcomes({{"pipe.ppm", "a directory", directory, kHeaderRead},
                    {"pgac.ppm", "a directory", directory, kHeaderRead, "8"},
                    {"ntux.ppm", "empty", empty, kHeaderRead},
                    {"path.ppm", "one byte short of its header", cutTo(16), kHeaderRead},
                    {"xeb2.ppm", "only its header", headerOnly, kPixelsRead},
                    {"path.ppm", "only its header", headerOnly, kPixelsRead},
                    {"pgac.ppm", "one byte short", oneByteShort, kPixelsRead},
                    {"pipe.ppm", "one byte short", oneByteShort, kPixelsRead}});
}

TEST_F(Hardening, OnlyTheExactHeaderIsAcceptedAndBytesAfterThePixelsAreIgnored)
{
    expectOutcomes({{"xeb2.ppm", "of another size", header("P6\n256 256\n255\n"), kHeaderMatches},
                    {"pipe.ppm", "of another size", header("P6\n256 256\n65535\n"), kHeaderMatches},
                    {"ntux.ppm", "with a comment", header("P6\n# c\n512 512\n255\n"), kHeaderMatches},
                    {"path.ppm", "with 8-bit samples", header("P6\n256 256\n255\n"), kHeaderMatches},
                    {"pgac.ppm", "with 16-bit samples", header("P6\n512 512\n65535\n"), kHeaderMatches, "8"},
                    {"xeb2.ppm", "as plain text", header("P3\n512 512\n255\n"), kHeaderMatches},
                    {"xeb2.ppm", "with bytes after its pixels", trailingBytes, ""},
                    {"path.ppm", "with bytes after its pixels", trailingBytes, ""}});
}

// MODE is read like atoi; a value out of the range of int selects nothing, so no value that wraps
// around to 6, 8 or 13 in 32 bits (like 2^32 + 13) may select that mode.
TEST_F(Hardening, ModeValuesSelectTheModeTheirLeadingNumberNames)
{
    for (const auto &[value, mode] : std::vector<std::pair<std::string, std::string>>{{"13abc", "13"}, {"  8", "8"},
             {"+6", "6"}, {"0013", "13"}, {"0x8", "none"}, {"", "none"}, {"abc", "none"}}) {
        SCOPED_TRACE("MODE='" + value + "'");
        launch({{"NOFS", "1"}, {"MODE", value}});
        EXPECT_EQ(shownMode(mode == "none" ? Millis{1000} : kWait), mode);
        escape();
    }
}

TEST_F(Hardening, ModeValuesOutOfRangeOrUnknownSelectNothing)
{
    for (const std::string value :
         {"7", "-6", "2147483647", "99999999999999999999", "2147483661", "4294967309", "-4294967290"}) {
        SCOPED_TRACE("MODE='" + value + "'");
        launch({{"NOFS", "1"}, {"MODE", value}});
        EXPECT_EQ(shownMode(Millis{1000}), "none");
        escape();
    }
}

TEST_F(Hardening, OnePixelWindowKeepsRunningAndTheFullSizePictureComesBack)
{
    for (const std::string mode : {"13", "6"}) {
        SCOPED_TRACE("MODE=" + mode);
        launch({{"NOFS", "1"}, {"MODE", mode}});
        // Mode 13's solid spins: only the ring outside it is compared.
        const double from = mode == "13" ? 120 : 0;
        const Image start = mode == "13" ? laterChainFrame() : waitForPicture(hasPicture, "no ring at the start");
        resizeWindow(dpy(), window, 1, 1);
        viewer->waitForStderrLine("reshapeFunc(1, 1)");
        // Keys go to the window under the pointer, which the viewer warps into the tiny window.
        ASSERT_TRUE(pollUntil([&] { return pointerInWindow(dpy(), window) == std::pair{0, 0}; }));
        key(XK_b);
        EXPECT_TRUE(viewer->running());
        resizeWindow(dpy(), window, 1200, 900);
        ASSERT_TRUE(pollUntil([&] { return countStartingWith(viewer->stderrLines(), "reshapeFunc(1200, 900)") == 2; }));
        key(XK_c);  // undoes any camera turn by a pointer event measured from the tiny window's centre
        waitForPicture([&](const Image &i) { return i.width == 1200 && differingOutside(i, start, from) == 0; },
                       "the start picture did not come back");
        escape();
    }
}

// Xlib's default handler for a lost connection prints one of two messages, with a carriage return
// before the newline, and exits with status 1: "broken" when writing found the socket closed, the
// "fatal IO error" one when reading did. (Mesa's clean-up at exit may add a line after it.)
TEST(ServerGone, ViewerEndsPromptlyWithXlibsMessageWhenTheServerShutsDown)
{
    for (const char *mode : {"13", "6", "7"}) {
        SCOPED_TRACE(std::string("MODE=") + mode);
        XServer server;
        Viewer viewer(server, {{"NOFS", "1"}, {"MODE", mode}});
        waitForWindow(server.display(), "velmora");
        viewer.waitForStderrLine("reshapeFunc(1200, 900)");
        const std::string name = server.name();
        server.stop();
        EXPECT_EQ(viewer.waitExit(Millis{2000}), 1);  // ended, so it is not spinning on a dead socket
        const std::string text = viewer.stderrText();
        const std::string lost = "\nX connection to " + name + " broken (explicit kill or server shutdown).\r\n";
        const bool broken = text.find(lost) != std::string::npos;
        const bool failed = text.find("\nXIO:  fatal IO error ") != std::string::npos &&
                            text.find(" on X server \"" + name + "\"") != std::string::npos;
        EXPECT_TRUE(broken || failed) << text;
        EXPECT_EQ(viewer.stdoutText(), "");
    }
}

// A close request from the window system ends the program cleanly, as Escape does. A window
// destroyed under the running viewer makes its next request on the window fail: Xlib's default
// error handler reports that and exits with status 1.
TEST_F(Hardening, ClosedWindowEndsWithStatusZeroAndDestroyedWindowWithXlibsError)
{
    for (const char *mode : {"13", "6", "7"}) {
        for (const bool destroy : {false, true}) {
            SCOPED_TRACE(std::string("MODE=") + mode + (destroy ? ", window destroyed" : ", close requested"));
            launch({{"NOFS", "1"}, {"MODE", mode}});
            key(XK_b);
            if (destroy) {
                XDestroyWindow(dpy(), window);
                XSync(dpy(), False);
            } else {
                sendDeleteWindow(dpy(), window);
            }
            EXPECT_EQ(viewer->waitExit(Millis{2000}), destroy ? 1 : 0);
            const auto lines = viewer->stderrLines();
            EXPECT_EQ(countStartingWith(lines, "X Error of failed request:"), destroy ? 1 : 0) << viewer->stderrText();
            EXPECT_EQ(countStartingWith(lines, "velmora: fatal"), 0);
            EXPECT_EQ(viewer->stdoutText(), "");
        }
    }
}

// The longest chain, the key that grows it held down, and the keys still answered at once.
TEST_F(Hardening, ChainOf127RingsUnderKeyRepeatStaysResponsive)
{
    launch({{"NOFS", "1"}});
    key(XK_m);
    for (int i = 0; i < 130; ++i)
        sendKey(dpy(), XK_f);
    ASSERT_TRUE(pollUntil([&] { return countStartingWith(viewer->stderrLines(), "keyboardFunc(102, ") == 130; }));
    holdKey(dpy(), XK_f, Millis{1500});
    key(XK_v, Millis{2000});
    const long repeated = countStartingWith(viewer->stderrLines(), "keyboardFunc(102, ") - 130;
    std::cout << "holding 'f' for 1.5 s delivered it " << repeated << " times\n";
    EXPECT_GT(repeated, 1) << "the server did not repeat the held key";
    // Ring j is drawn at 0.84^j of the outer ring's radius; the first five are outside the solid.
    const double radii[] = {242.0, 203.3, 170.8, 143.5, 120.5};
    auto nested = [&](const Image &i) {
        return std::all_of(std::begin(radii), std::end(radii), [&](double r) { return litAround(i, r) >= 350; });
    };
    waitForPicture(nested, "the nested rings are not all there");
    sendKey(dpy(), XK_x);
    viewer->waitForStderrLine("vfar = 1.578947", Millis{2000});
    EXPECT_EQ(countStartingWith(viewer->stderrLines(), "velmora: fatal"), 0);
    escape();
}

// 3000 steps away and 3000 back: the distance comes back to 1.5 to six places. Far away the eye is
// beyond the far plane and the picture is empty: the distance is unbounded by design.
TEST_F(Hardening, ThousandsOfDistanceStepsComeBackToTheStartDistance)
{
    launch({{"NOFS", "1"}});
    const Image start = laterChainFrame();
    for (const auto &[keysym, total] : {std::pair{XK_x, 3000L}, std::pair{XK_z, 6000L}}) {
        for (int i = 0; i < 3000; ++i)
            sendKey(dpy(), keysym);
        const auto lines = [&] { return countStartingWith(viewer->stderrLines(), "vfar = "); };
        ASSERT_TRUE(pollUntil([&] { return lines() == total; }, Millis{15000})) << lines() << " vfar lines";
        if (keysym == XK_x)
            waitForPicture([](const Image &i) { return !hasPicture(i); }, "something is drawn from far away");
    }
    EXPECT_EQ(viewer->stderrLines().back(), "vfar = 1.500000");
    waitForPicture([&](const Image &i) { return differingOutside(i, start, 120) == 0; }, "the start did not come back");
    escape();
}

// Thousands of turns leave the camera somewhere on its sphere, still looking at the origin: the
// frame must keep its shape (it is turned about its own axes again and again), and from any
// direction the ring shows at the window centre.
TEST_F(Hardening, ThousandsOfCameraTurnsStillShowTheRing)
{
    launch({{"NOFS", "1"}, {"MODE", "6"}});
    waitForPicture(hasPicture, "no ring at the start");
    for (int i = 0; i < 7000; ++i)
        sendKey(dpy(), i % 2 ? XK_w : XK_a);
    key(XK_b, Millis{15000});
    const Box box = boundingBox(waitForPicture(hasPicture, "the ring vanished"));
    // Perspective draws the ring's near side larger, so its box is centred only to within
    // 5.5 pixels, the most for a unit ring seen from 10 away (at 45 degrees of tilt).
    EXPECT_NEAR(box.centreX(), kCx, 7) << toString(box);
    EXPECT_NEAR(box.centreY(), kCy, 7) << toString(box);
    escape();
}

}  // namespace
