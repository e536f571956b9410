// velmora tests at the edges the X server cannot reach: a window of zero height, and a camera
// turned tens of thousands of times.
#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "glrecord.h"
#include "modes/mode13.h"
#include "modes/previews.h"
#include "shell/velmora.h"
#include "testutil.h"
#include "view/camera.h"

// A window squeezed to zero height: reshapeFunc divides nothing, and each mode's frame still
// runs to its swap. The projection's aspect (width / height) becomes infinite, so gluPerspective
// gets a matrix that squashes x to nothing: a degenerate picture, harmless since a window without
// height has no pixels to show it in. A zero width gives an aspect of 0, and zero by zero NaN.
TEST(ZeroSizedWindow, FramesStillRunButTheProjectionDegenerates)
{
    const struct {
        const char *mode;
        void (*init)();
    } modes[] = {{"13", d13modeInitFunc}, {"8", d8modeInitFunc}, {"6", d6modeInitFunc}};
    const struct {
        int width, height;
        bool (*aspectIs)(double);
    } sizes[] = {{800, 0, [](double a) { return std::isinf(a) && a > 0; }},
                 {0, 600, [](double a) { return a == 0; }},
                 {0, 0, [](double a) { return std::isnan(a); }}};
    for (const auto &mode : modes) {
        resetGlRecord();
        genericInit();
        mode.init();
        for (const auto &size : sizes) {
            SCOPED_TRACE("mode " + std::string(mode.mode) + ", " + std::to_string(size.width) + " x " +
                         std::to_string(size.height));
            resetGlRecord();
            const std::string log = stderrOf([&] {
                reshapeFunc(size.width, size.height);
                displayFunc();
            });
            EXPECT_EQ(log, "reshapeFunc(" + std::to_string(size.width) + ", " + std::to_string(size.height) + ")\n");
            EXPECT_EQ(window.hW, size.width / 2);
            EXPECT_EQ(window.hH, size.height / 2);
            const auto calls = glRecord.calls;
            const auto projection = std::find_if(calls.begin(), calls.end(),
                                                 [](const GlCall &c) { return c.name == "gluPerspective"; });
            ASSERT_NE(projection, calls.end());
            EXPECT_TRUE(size.aspectIs(projection->args[1])) << "aspect " << projection->args[1];
            EXPECT_EQ(glCallCount("glutSwapBuffers"), 1);
            // Had the degenerate projection raised a GL error, the frame would have ended the process.
            EXPECT_EXIT(
                {
                    glRecord.failingCall = "gluPerspective";
                    glRecord.failingError = GL_INVALID_VALUE;
                    displayFunc();
                },
                testing::ExitedWithCode(1), testing::StartsWith("opengl error detected by displayFunc: "));
        }
    }
}

// The camera frame is turned by rotations about its own axes, so rounding errors in them grow
// with every turn (left alone, the frame is non-finite after about 6,500 presses of 'a' and 'w'):
// after 50,000 turns it must still be orthonormal and right-handed (right = up x eye), to a
// rounding error far below anything visible. Turns of mixed sizes, and 'a' and 'w' alternately.
TEST(CameraDrift, FiftyThousandGlidesKeepTheFrameOrthonormal)
{
    const struct {
        const char *what;
        void (*glide)(int i);
    } runs[] = {
        {"varied turns",
         [](int i) { genericGlide(0.3 * std::sin(i * 0.7), 0.2 * std::cos(i * 1.3), 0.25 * std::sin(i * 0.37 + 1)); }},
        {"keys a and w", [](int i) { genericGlide(i % 2 ? 0.1 : 0, 0, i % 2 ? 0 : 0.1); }},
    };
    auto dot = [](Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    for (const auto &run : runs) {
        genericInit();
        double drift = 0;
        int firstOver = 0;  // the glide after which the drift first exceeded the bound
        for (int i = 1; i <= 50000; ++i) {
            run.glide(i);
            const Vec3 &u = generic.up, &e = generic.eye, &r = generic.right;
            const Vec3 cross = {u.y * e.z - u.z * e.y, u.z * e.x - u.x * e.z, u.x * e.y - u.y * e.x};
            for (double error : {dot(u, u) - 1, dot(e, e) - 1, dot(r, r) - 1, dot(u, e), dot(e, r), dot(r, u),
                                 cross.x - r.x, cross.y - r.y, cross.z - r.z})
                drift = std::isfinite(error) ? std::max(drift, std::abs(error)) : INFINITY;
            if (drift > 1e-6 && firstOver == 0)
                firstOver = i;
        }
        std::printf("%s: largest departure from an orthonormal frame over 50,000 glides: %.3g\n", run.what, drift);
        EXPECT_LT(drift, 1e-6) << run.what << ": first over 1e-6 after glide " << firstOver;
    }
}
