// velmora end-to-end tests: the fixture they share, one Xvfb per test with the viewer on it.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "xharness.h"

namespace e2e {

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

    // Whatever the test, the viewer never writes on standard output; its stderr helps a failure.
    void TearDown() override
    {
        if (!viewer)
            return;
        EXPECT_EQ(viewer->stdoutText(), "") << "the viewer wrote on standard output";
        if (HasFailure())
            std::cerr << "viewer stderr:\n" << viewer->stderrText();
    }
};

}  // namespace e2e
