// velmora end-to-end tests: the fixture they share, one Xvfb per test with the viewer on it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "xharness.h"

namespace e2e {

// The background, and the two colours of the checker preview (mode 6).
inline constexpr Rgb kBlack{0, 0, 0}, kBlue{34, 34, 178}, kRose{238, 103, 122};
// The centre of the 1200 x 900 window the viewer opens with NOFS set.
inline constexpr int kCx = 600, kCy = 450;

// The spinning solid of mode 13 stays well inside this radius, so only pixels beyond it are compared.
inline constexpr double kSolid = 120;

// A pixel's distance from the window centre.
inline double radius(int x, int y)
{
    return std::hypot(x + 0.5 - kCx, y + 0.5 - kCy);
}

// Calls visit(x, y) for each pixel whose distance from the centre lies between two radii.
template <typename Visit>
void between(const Image &image, double from, double to, Visit visit)
{
    const int reach = static_cast<int>(std::min(to, 1e4)) + 1;
    for (int y = std::max(0, kCy - reach); y < std::min(image.height, kCy + reach); ++y)
        for (int x = std::max(0, kCx - reach); x < std::min(image.width, kCx + reach); ++x)
            if (const double r = radius(x, y); r >= from && r <= to)
                visit(x, y);
}

// Pixels that differ between two shots, counting only those between two radii.
inline std::size_t differing(const Image &a, const Image &b, double from, double to = 1e9)
{
    std::size_t n = 0;
    between(a, from, to, [&](int x, int y) { n += a.at(x, y) != b.at(x, y); });
    return n;
}

// Whether anything but black has been drawn.
inline bool hasPicture(const Image &image)
{
    return !boundingBox(image).empty;
}

// Polls shots of `window` 100 ms apart until one has the same pixels beyond `from` (from the
// centre) as the shot before and `shows` what is wanted; leaves the last shot in `shot` and
// says whether it settled within `timeout`.
inline bool settledShot(Display *dpy, Window window, double from, Millis timeout, Image &shot,
                        const std::function<bool(const Image &)> &shows)
{
    Image previous = screenshot(dpy, window);
    return pollUntil(
        [&] {
            std::this_thread::sleep_for(Millis{100});
            shot = screenshot(dpy, window);
            const bool same = differing(shot, previous, from) == 0;
            previous = shot;
            return same && shows(shot);
        },
        timeout, Millis{0});
}

// A picture whose non-black part is a square box of about `side` pixels at the image centre.
inline bool ringOfSideAtTheCentre(const Image &image, int side)
{
    const Box box = boundingBox(image);
    return !box.empty && std::abs(box.centreX() - image.width / 2.0) <= 3 &&
           std::abs(box.centreY() - image.height / 2.0) <= 3 && std::abs(box.width() - side) <= 12 &&
           std::abs(box.height() - side) <= 12;
}

// With VELMORA_E2E_SHOTS naming a folder, keeps a screenshot there to look at.
inline void keep(const Image &image, const std::string &name)
{
    if (const char *folder = std::getenv("VELMORA_E2E_SHOTS"))
        savePpm(image, std::string(folder) + "/" + name + ".ppm");
}

// How many of the lines start with `prefix`.
inline long countStartingWith(const std::vector<std::string> &lines, const std::string &prefix)
{
    return std::count_if(lines.begin(), lines.end(), [&](const std::string &l) { return l.rfind(prefix, 0) == 0; });
}

// The checks of the picture loader that a broken picture fails, as written in textures/textures.cpp.
inline const std::string kOpened = "(f = fopen(path, \"rb\")) != NULL",
                         kHeaderRead = "fread(narrow, kludge_skip, 1, f) == 1",
                         kHeaderMatches = "headerMatches(narrow, kludge_skip, width, height, kludge_wider)",
                         kPixelsRead = "fread(SWITCH(kludge_wider, wider, narrow), size, 1, f) == 1";

// The viewer's whole standard error when one of those checks fails.
inline std::string fatalMessage(const std::string &check)
{
    const int line = sourceLine("textures/textures.cpp", "assure(" + check + ");");
    EXPECT_GT(line, 0) << "no such check in textures/textures.cpp: " << check;
    return "velmora: fatal: assure: (file 'textures/textures.cpp', line " + std::to_string(line) + "):\n\t'" + check +
           "' was FALSE\n";
}

// One X server per test (Xvfb unless a fixture asks for another kind); the test starts the
// viewer. Members go in reverse: viewer, then server.
class ViewerTest : public ::testing::Test {
protected:
    explicit ViewerTest(ServerKind kind = ServerKind::xvfb) : server(kind) {}

    XServer server;
    std::unique_ptr<Viewer> viewer;
    Window window = 0;

    Display *dpy() const { return server.display(); }

    // Starts the viewer (replacing any earlier one) and waits for its window. An earlier
    // viewer's window lingers until the server notices its connection closed; wait for that.
    void launch(const Viewer::Vars &vars, const std::vector<std::string> &args = {},
                const std::string &workdir = VELMORA_SOURCE_DIR)
    {
        viewer.reset();
        ASSERT_TRUE(pollUntil([&] { return windowsNamed(dpy(), "velmora").empty(); }))
            << "an earlier viewer's window is still there";
        viewer = std::make_unique<Viewer>(server, vars, args, VELMORA_BINARY, workdir);
        window = waitForWindow(dpy(), "velmora");
    }

    // Escape ends the viewer with status 0, its key line last, and nothing ever on stdout.
    void escape()
    {
        sendKey(dpy(), XK_Escape);
        EXPECT_EQ(viewer->waitExit(), 0);
        const auto lines = viewer->stderrLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().rfind("keyboardFunc(27, ", 0), 0u) << lines.back();
        EXPECT_EQ(viewer->stdoutText(), "");
    }

    // Sends a key and waits until the viewer has logged it.
    void key(KeySym keysym, Millis timeout = kWait)
    {
        const std::string prefix = "keyboardFunc(" + std::to_string(keysym) + ", ";
        const long before = countStartingWith(viewer->stderrLines(), prefix);
        sendKey(dpy(), keysym);
        ASSERT_TRUE(pollUntil([&] { return countStartingWith(viewer->stderrLines(), prefix) > before; }, timeout))
            << XKeysymToString(keysym) << " was not handled within " << timeout.count() << " ms";
    }

    // Whatever the test, the viewer never writes on standard output. The start of its stderr
    // helps a failure (after thousands of keys, all of it would bury the report).
    void TearDown() override
    {
        if (!viewer)
            return;
        EXPECT_EQ(viewer->stdoutText(), "") << "the viewer wrote on standard output";
        if (HasFailure())
            std::cerr << "viewer stderr:\n" << viewer->stderrText().substr(0, 4000);
    }
};

}  // namespace e2e
