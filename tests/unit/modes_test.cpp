// velmora tests: the gimbal chain's editing, scene and frame, and the two preview modes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "glrecord.h"
#include "modes/mode13.h"
#include "modes/previews.h"
#include "shell/velmora.h"
#include "testutil.h"
#include "view/camera.h"

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::Eq;
using testing::ExitedWithCode;

// ---- chain editing ----

class Chain : public testing::Test {
protected:
    void SetUp() override
    {
        genericInit();
        generic.interaction = 'm';
        d13.gimbalc = 1;
        d13.current = 0;
        d13.angle[0] = 0.0;
    }
    // Sets the chain's angles and selection directly.
    static void chain(std::vector<double> angles, int current)
    {
        d13.gimbalc = static_cast<int32_t>(angles.size());
        std::copy(angles.begin(), angles.end(), d13.angle);
        d13.current = current;
    }
    static std::vector<double> angles() { return std::vector<double>(d13.angle, d13.angle + d13.gimbalc); }
    static void keys(const std::string &typed)
    {
        for (char k : typed)
            d13keyboardFunc(static_cast<unsigned char>(k), 0, 0);
    }
};

TEST_F(Chain, InsertPutsAZeroRingAtTheSelectionAndKeepsItSelected)
{
    keys("f");
    EXPECT_THAT(angles(), ElementsAre(0.0, 0.0));
    EXPECT_EQ(d13.current, 0);
    chain({0.5, 1.5, 2.5}, 1);
    keys("f");
    EXPECT_THAT(angles(), ElementsAre(0.5, 0.0, 1.5, 2.5));
    EXPECT_EQ(d13.current, 1);
}

TEST_F(Chain, DeleteRemovesTheSelectionAndMovesItOutward)
{
    chain({0.5, 1.5, 2.5}, 1);
    keys("k");
    EXPECT_THAT(angles(), ElementsAre(0.5, 2.5));
    EXPECT_EQ(d13.current, 0);
    chain({0.5, 1.5, 2.5}, 0);
    keys("k");
    EXPECT_THAT(angles(), ElementsAre(1.5, 2.5));
    EXPECT_EQ(d13.current, 0);
    chain({0.5, 1.5, 2.5}, 2);  // the innermost: the new innermost is selected
    keys("k");
    EXPECT_THAT(angles(), ElementsAre(0.5, 1.5));
    EXPECT_EQ(d13.current, 1);
}

TEST_F(Chain, LimitsAndModeVIgnoreKeys)
{
    keys("kpn");  // one ring: nothing to delete or select
    EXPECT_EQ(d13.gimbalc, 1);
    EXPECT_EQ(d13.current, 0);
    keys(std::string(200, 'f'));
    EXPECT_EQ(d13.gimbalc, 127);
    keys("nn");
    EXPECT_EQ(d13.current, 2);
    keys(std::string(200, 'n'));
    EXPECT_EQ(d13.current, 126);
    keys(std::string(200, 'k'));
    EXPECT_EQ(d13.gimbalc, 1);
    EXPECT_EQ(d13.current, 0);

    chain({0.5, 1.5}, 1);
    generic.interaction = 'v';
    keys("fknpFKNP");
    EXPECT_THAT(angles(), ElementsAre(0.5, 1.5));
    EXPECT_EQ(d13.current, 1);
    generic.interaction = 'm';
    keys("FKNPx");  // only the lower-case letters act
    EXPECT_THAT(angles(), ElementsAre(0.5, 1.5));
}

TEST_F(Chain, PointerTurnsTheSelectedJointByHorizontalMovementOnly)
{
    chain({0.5, 1.5}, 1);
    d13passiveMotionFunc(0, 10);
    EXPECT_DOUBLE_EQ(d13.angle[1], 1.6);
    d13passiveMotionFunc(7, -20);
    EXPECT_DOUBLE_EQ(d13.angle[1], 1.4);
    d13passiveMotionFunc(-9, 0);
    EXPECT_DOUBLE_EQ(d13.angle[1], 1.4);
    EXPECT_EQ(d13.angle[0], 0.5);
}

TEST_F(Chain, SelectionOutOfRangeIsCaughtBeforeAnyAngleMoves)
{
    const std::string invariant = "(0 <= d13.current) && (d13.current < d13.gimbalc)";
    chain({0.5, 1.5}, 5);
    EXPECT_EXIT(keys("f"), ExitedWithCode(1),
                Eq(fatalMessage("modes/mode13.cpp", sourceLine("modes/mode13.cpp", "assure((0"), invariant)));
    chain({0.5, 1.5}, -1);
    EXPECT_EXIT(keys("n"), ExitedWithCode(1),
                Eq(fatalMessage("modes/mode13.cpp", sourceLine("modes/mode13.cpp", "assure(0 <="),
                                "0 <= d13.current")));
}

// ---- mode set-ups and frames (run from the project root, where the pictures are) ----

class Modes : public testing::Test {
protected:
    void SetUp() override
    {
        resetGlRecord();
        genericInit();
        window.specificDisplayFunc = nullptr;
        stderrOf([] { reshapeFunc(1200, 900); });
        resetGlRecord();
    }
    // The recorded calls from the first one named `from` on.
    static std::vector<std::string> callsFrom(const std::string &from)
    {
        std::vector<std::string> calls = glCallTexts();
        auto at = std::find_if(calls.begin(), calls.end(), [&](const std::string &c) { return c.rfind(from, 0) == 0; });
        return std::vector<std::string>(at, calls.end());
    }
};

TEST_F(Modes, GimbalChainSetUpLoadsFiveTexturesBuildsBothMeshesAndLights)
{
    d13modeInitFunc();
    EXPECT_EQ(window.specificDisplayFunc, d13display);
    EXPECT_EQ(window.specificKeyboardFunc, d13keyboardFunc);
    EXPECT_EQ(window.specificPassiveMotionFunc, d13passiveMotionFunc);
    EXPECT_EQ(d13.gimbalc, 1);
    EXPECT_EQ(d13.gimbal.triangleCount, 1024);
    EXPECT_EQ(d13.gimbal.halfWidth, 0.04);
    EXPECT_EQ(d13.gimbal.triangles[1023].texture, 1);  // "pgac", the first texture made
    EXPECT_EQ(d13.dodecahedron.triangleCount, 36);
    // Faces xeb2, pipe, ntux, pipe, ... from the textures made second to fifth.
    const int32_t faces[12] = {2, 3, 4, 3, 4, 5, 5, 2, 5, 2, 4, 3};
    for (int f = 0; f < 12; ++f)
        EXPECT_EQ(d13.dodecahedron.triangles[3 * f].texture, faces[f]) << f;
    std::vector<std::string> sizes;
    for (const GlCall &call : glRecord.calls)
        if (call.name == "glTexImage2D")
            sizes.push_back(std::to_string(int(call.args[3])));
    EXPECT_THAT(sizes, ElementsAre("512", "512", "512", "512", "256"));
    EXPECT_THAT(callsFrom("glClearColor"),
                ElementsAre("glClearColor(0, 0, 0, 0)", "glShadeModel(7425)", "glEnable(2929)", "glEnable(2896)",
                            "glEnable(16384)", "glLightfv(16384, 4608, 1, 1, 1, 1)", "glLightfv(16384, 4611, 1, 1, 1, 0)",
                            "glTexEnvf(8960, 8704, 8448)"));
}

TEST_F(Modes, GimbalChainFrameNestsRingsAndSpinsTheDodecahedron)
{
    d13modeInitFunc();
    d13.gimbalc = 3;
    d13.current = 1;
    d13.angle[0] = 0.0;
    d13.angle[1] = 0.5;
    d13.angle[2] = -1.0;
    generic.interaction = 'm';
    generic.vfar = 2.0;
    glRecord.elapsedMs = 1800;
    resetGlRecord();
    glRecord.elapsedMs = 1800;
    d13display();

    // Everything but the meshes' own calls, the materials included: a ring after the
    // selected one must get the grey back, specular too, or it keeps the red.
    std::vector<std::string> frame;
    for (const std::string &call : glCallTexts())
        if (call.rfind("glVertex", 0) && call.rfind("glNormal", 0) && call.rfind("glTexCoord", 0) &&
            call.rfind("glBegin", 0) && call.rfind("glEnd", 0) && call.rfind("glBindTexture", 0))
            frame.push_back(call);
    const std::vector<std::string> grey = {
        "glEnable(3553)", "glMaterialfv(1032, 4608, 0.1, 0.1, 0.1, 1)", "glMaterialfv(1032, 4609, 0.4, 0.4, 0.4, 1)",
        "glMaterialfv(1032, 4610, 0.4, 0.4, 0.4, 1)"};
    const std::vector<std::string> red = {
        "glDisable(3553)", "glMaterialfv(1032, 4608, 0.1, 0, 0, 1)", "glMaterialfv(1032, 4609, 0.4, 0, 0, 1)",
        "glMaterialfv(1032, 4610, 0.4, 0, 0, 1)"};
    std::vector<std::string> expected = {
        "glMatrixMode(5889)", "glLoadIdentity()", "gluPerspective(100, 1.33333, 0.1, 10)",
        "glMatrixMode(5888)", "glLoadIdentity()", "gluLookAt(0, 0, -2, 0, 0, 0, 0, 1, 0)", "glClear(16640)",
        "glEnable(3553)", "glEnable(3168)", "glEnable(3169)", "glTexGeni(8192, 9472, 9218)",
        "glTexGeni(8193, 9472, 9218)", "glMatrixMode(5888)"};
    const auto append = [&](const std::vector<std::string> &calls) {
        expected.insert(expected.end(), calls.begin(), calls.end());
    };
    append({"glRotated(90, 0, 0, 1)", "glRotated(0, 1, 0, 0)", "glScaled(0.84, 0.84, 0.84)"});
    append(grey);
    append(red);
    append({"glRotated(90, 0, 0, 1)", "glRotated(28.6479, 1, 0, 0)", "glScaled(0.84, 0.84, 0.84)"});
    append(grey);
    append({"glRotated(90, 0, 0, 1)", "glRotated(-57.2958, 1, 0, 0)", "glScaled(0.84, 0.84, 0.84)"});
    append(grey);
    append({"glDisable(3168)", "glDisable(3169)", "glMaterialfv(1032, 4608, 0.1, 0.1, 0.1, 1)",
            "glMaterialfv(1032, 4609, 0.2, 0.2, 0.2, 1)", "glMaterialfv(1032, 4610, 0, 0, 0, 1)",
            "glMaterialf(1032, 5633, 2)", "glScaled(0.4, 0.4, 0.4)", "glRotated(-90, 0, 1, 0)", "glutGet(700)",
            "glRotated(90, 0, 0, 1)", "glutPostRedisplay()", "glutSwapBuffers()"});
    EXPECT_THAT(frame, ElementsAreArray(expected));
    EXPECT_EQ(glCallCount("glVertex3f"), 3 * (3 * 1024 + 36));
}

TEST_F(Modes, CheckerPreviewSetUpAndFrame)
{
    d6modeInitFunc();
    EXPECT_EQ(window.specificDisplayFunc, d6display);
    EXPECT_EQ(d6.triangleCount, 256);
    EXPECT_EQ(d6.halfWidth, 0.1);
    const std::vector<unsigned char> &image = glRecord.lastTexImageBytes;
    ASSERT_EQ(image.size(), 64u);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            const unsigned char *texel = &image[4 * (4 * j + i)];
            const bool blue = (i + j) % 2 == 0;
            EXPECT_THAT(std::vector<int>(texel, texel + 4),
                        blue ? ElementsAre(34, 34, 178, 255) : ElementsAre(238, 103, 122, 255));
        }
    EXPECT_THAT(glCallTexts(), ElementsAreArray({
        "glPixelStorei(3317, 1)", "glGenTextures(1)", "glBindTexture(3553, 1)", "glTexParameteri(3553, 10242, 10497)",
        "glTexParameteri(3553, 10243, 10497)", "glTexParameteri(3553, 10240, 9728)",
        "glTexParameteri(3553, 10241, 9728)", "glTexImage2D(3553, 0, 6408, 4, 4, 0, 6408, 5121)",
        "glClearColor(0, 0, 0, 0)", "glShadeModel(7425)", "glEnable(2929)", "glEnable(3553)"}));

    resetGlRecord();
    d6display();
    const std::vector<std::string> frame = glCallTexts();
    EXPECT_THAT(std::vector<std::string>(frame.begin(), frame.begin() + 10),
                ElementsAre("glMatrixMode(5889)", "glLoadIdentity()", "gluPerspective(45, 1.33333, 1, 200)",
                            "glMatrixMode(5888)", "glLoadIdentity()", "gluLookAt(0, 0, -10, 0, 0, 0, 0, 1, 0)",
                            "glClear(16640)", "glTexEnvf(8960, 8704, 8449)", "glBindTexture(3553, 1)", "glBegin(4)"));
    EXPECT_EQ(frame[13], "glTexCoord2f(0.25, 0)");
    EXPECT_EQ(frame.back(), "glutSwapBuffers()");
    EXPECT_EQ(glCallCount("glutPostRedisplay"), 0);
    EXPECT_EQ(glCallCount("glVertex3f"), 3 * 256);
    // t is repeated ten times around the ring: the third corner of the second triangle.
    EXPECT_FLOAT_EQ(glRecord.calls[10 + 9 + 6].args[1], static_cast<float>(10.0 * d6.triangles[1].v[2].texCoord.y));
    EXPECT_GT(d6.triangles[1].v[2].texCoord.y, 0.03);
}

TEST_F(Modes, SphereMappedPreviewSetUpAndFrame)
{
    d8modeInitFunc();
    EXPECT_EQ(window.specificDisplayFunc, d8display);
    EXPECT_EQ(d8.triangleCount, 512);
    EXPECT_THAT(callsFrom("glClearColor"),
                ElementsAre("glClearColor(0, 0, 0, 0)", "glShadeModel(7425)", "glEnable(2929)", "glEnable(3553)",
                            "glEnable(3168)", "glEnable(3169)", "glTexGeni(8192, 9472, 9218)",
                            "glTexGeni(8193, 9472, 9218)", "glTexEnvf(8960, 8704, 8448)"));
    resetGlRecord();
    generic.eye = {0, 3, -4};
    d8display();
    const std::vector<std::string> frame = glCallTexts();
    EXPECT_THAT(std::vector<std::string>(frame.begin() + 5, frame.begin() + 9),
                ElementsAre("gluLookAt(0, 3, -4, 0, 0, 0, 0, 1, 0)", "glClear(16640)", "glColor3f(1, 0.5, 0.5)",
                            "glBindTexture(3553, 1)"));
    EXPECT_EQ(glCallCount("glTexEnvf"), 0);
    EXPECT_EQ(glCallCount("glVertex3f"), 3 * 512);
}
