// velmora tests: the orbit camera and the routing of keys and pointer movement.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "glrecord.h"
#include "shell/velmora.h"
#include "testutil.h"
#include "view/camera.h"
#include "view/input.h"

using testing::ElementsAre;
using testing::ExitedWithCode;

static void expectVec(Vec3 actual, double x, double y, double z, double tolerance = 5e-8)
{
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

static bool sameFrame(const Generic &a, const Generic &b)
{
    auto same = [](Vec3 p, Vec3 q) { return p.x == q.x && p.y == q.y && p.z == q.z; };
    return same(a.up, b.up) && same(a.eye, b.eye) && same(a.right, b.right);
}

// The frame that genericGlide gives from the start position; the camera
// itself is left as it was.
static Generic glidedFromStart(double yaw, double roll, double pitch)
{
    const Generic saved = generic;
    genericInit();
    genericGlide(yaw, roll, pitch);
    const Generic result = generic;
    generic = saved;
    return result;
}

// ---- camera ----

TEST(Camera, InitPutsTheFrameIntoTheStartPosition)
{
    generic.interaction = 'm';
    generic.vfar = 7;
    genericInit();
    EXPECT_EQ(generic.interaction, 'v');
    EXPECT_EQ(generic.vfar, 1.5);
    expectVec(generic.up, 0, 1, 0, 0);
    expectVec(generic.eye, 0, 0, -1, 0);
    expectVec(generic.right, -1, 0, 0, 0);
}

TEST(Camera, YawRollAndPitchTurnTheFrameAboutItsOwnAxes)
{
    genericInit();
    genericGlide(0.1, 0, 0);
    expectVec(generic.up, 0, 1, 0, 0);
    expectVec(generic.eye, -0.0998334, 0, -0.9950042);
    expectVec(generic.right, -0.9950042, 0, 0.0998334);

    genericInit();
    genericGlide(0, 0.1, 0);
    expectVec(generic.up, 0.0998334, 0.9950042, 0);
    expectVec(generic.right, -0.9950042, 0.0998334, 0);
    expectVec(generic.eye, 0, 0, -1, 0);

    genericInit();
    genericGlide(0, 0, 0.1);
    expectVec(generic.up, 0, 0.9950042, -0.0998334);
    expectVec(generic.eye, 0, -0.0998334, -0.9950042);
    expectVec(generic.right, -1, 0, 0, 0);
}

TEST(Camera, ZeroGlideChangesNothingAndOppositeGlidesCancel)
{
    genericInit();
    genericGlide(0.3, -0.2, 0.7);
    const Generic before = generic;
    genericGlide(0, 0, 0);
    EXPECT_TRUE(sameFrame(generic, before));
    genericGlide(0, 0.25, 0);
    genericGlide(0, -0.25, 0);
    expectVec(generic.up, before.up.x, before.up.y, before.up.z, 1e-15);
    expectVec(generic.eye, before.eye.x, before.eye.y, before.eye.z, 1e-15);
    expectVec(generic.right, before.right.x, before.right.y, before.right.z, 1e-15);
}

TEST(Camera, LookAtPlacesTheEyeAtTheDistanceAlongTheNormalisedEye)
{
    genericInit();
    generic.eye = {0, 3, -4};
    resetGlRecord();
    genericLookAt(5);
    genericLookAt(10);
    EXPECT_THAT(glCallTexts(), ElementsAre("gluLookAt(0, 3, -4, 0, 0, 0, 0, 1, 0)", "gluLookAt(0, 6, -8, 0, 0, 0, 0, 1, 0)"));
}

// ---- input routing ----

struct HookCall {
    std::string hook;
    int a, b, c;
};
static std::vector<HookCall> hookCalls;
static void keyboardHook(int key, int y, int x) { hookCalls.push_back({"keyboard", key, y, x}); }
static void specialHook(int key, int y, int x) { hookCalls.push_back({"special", key, y, x}); }
static void motionHook(int dy, int dx) { hookCalls.push_back({"motion", dy, dx, 0}); }

class Input : public testing::Test {
protected:
    void SetUp() override
    {
        genericInit();
        resetGlRecord();
        hookCalls.clear();
        window.specificKeyboardFunc = nullptr;
        window.specificSpecialFunc = nullptr;
        window.specificPassiveMotionFunc = nullptr;
        preskip = 0;
        stderrOf([] { reshapeFunc(800, 600); });
        resetGlRecord();
    }
    static std::string key(unsigned char k, int x = 400, int y = 300)
    {
        return stderrOf([&] { keyboardFunc(k, x, y); });
    }
};

TEST_F(Input, CameraKeysLogTurnTheFrameAndRedisplayFirst)
{
    EXPECT_EQ(key('a'), "keyboardFunc(97, 400, 300)\n");
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0.1, 0, 0)));
    EXPECT_THAT(glCallNames(), ElementsAre("glutPostRedisplay"));

    const struct {
        unsigned char key;
        double yaw, roll, pitch;
    } table[] = {{'d', -0.1, 0, 0}, {'e', 0, 0.1, 0}, {'q', 0, -0.1, 0}, {'w', 0, 0, 0.1}, {'s', 0, 0, -0.1}};
    for (const auto &row : table) {
        genericInit();
        key(row.key, 1, 2);
        EXPECT_TRUE(sameFrame(generic, glidedFromStart(row.yaw, row.roll, row.pitch))) << row.key;
    }
}

TEST_F(Input, DistanceKeysScaleAndPrintVfar)
{
    EXPECT_EQ(key('x'), "keyboardFunc(120, 400, 300)\nvfar = 1.578947\n");
    genericInit();
    EXPECT_EQ(key('z', 5, 6), "keyboardFunc(122, 5, 6)\nvfar = 1.425000\n");
    key('x');
    EXPECT_NEAR(generic.vfar, 1.5, 1e-15);
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0, 0, 0)));
}

TEST_F(Input, OtherKeysGoToTheKeyboardHookWithYBeforeX)
{
    key('f', 11, 22);  // no hook: only the log and the redisplay
    EXPECT_THAT(glCallNames(), ElementsAre("glutPostRedisplay"));
    window.specificKeyboardFunc = keyboardHook;
    key('f', 11, 22);
    key('A', 3, 4);  // upper case is another key, not a camera key
    ASSERT_EQ(hookCalls.size(), 2u);
    EXPECT_EQ(hookCalls[0].a, 'f');
    EXPECT_EQ(hookCalls[0].b, 22);
    EXPECT_EQ(hookCalls[0].c, 11);
    EXPECT_EQ(hookCalls[1].a, 'A');
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0, 0, 0)));
}

TEST_F(Input, InModeMCameraKeysGoToTheHookAndCResetsToV)
{
    window.specificKeyboardFunc = keyboardHook;
    key('m');
    EXPECT_EQ(generic.interaction, 'm');
    for (unsigned char k : {'a', 'd', 'e', 'q', 'w', 's', 'x', 'z'})
        EXPECT_EQ(key(k), "keyboardFunc(" + std::to_string(k) + ", 400, 300)\n");
    EXPECT_EQ(hookCalls.size(), 8u);
    EXPECT_EQ(generic.vfar, 1.5);
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0, 0, 0)));

    generic.vfar = 3;
    key('c');
    EXPECT_EQ(generic.interaction, 'v');
    EXPECT_EQ(generic.vfar, 1.5);
    key('m');
    key('v');
    EXPECT_EQ(generic.interaction, 'v');
    EXPECT_EQ(hookCalls.size(), 8u);  // c, m and v never reach the hook
    EXPECT_EQ(glCallCount("glutPostRedisplay"), 12);
}

TEST_F(Input, EscapeLogsAndExitsWithStatusZero)
{
    EXPECT_EXIT(keyboardFunc(27, 7, 8), ExitedWithCode(0), testing::Eq("keyboardFunc(27, 7, 8)\n"));
}

TEST_F(Input, SpecialKeysLogYBeforeXAndRedisplayOnlyWithAHook)
{
    EXPECT_EQ(stderrOf([] { specialFunc(GLUT_KEY_LEFT, 10, 20); }), "specialFunc(100, 20, 10)\n");
    EXPECT_TRUE(glRecord.calls.empty());
    window.specificSpecialFunc = specialHook;
    generic.interaction = 'm';
    stderrOf([] { specialFunc(GLUT_KEY_F1, 10, 20); });
    ASSERT_EQ(hookCalls.size(), 1u);
    EXPECT_EQ(hookCalls[0].a, GLUT_KEY_F1);
    EXPECT_EQ(hookCalls[0].b, 20);
    EXPECT_EQ(hookCalls[0].c, 10);
    EXPECT_THAT(glCallNames(), ElementsAre("glutPostRedisplay"));
}

// Read before any test runs: what a fresh process starts with.
static const int startingPreskip = preskip;

TEST_F(Input, FirstTwoPointerEventsAreDroppedEvenOffCentre)
{
    preskip = startingPreskip;
    passiveMotionFunc(500, 100);
    passiveMotionFunc(300, 500);
    EXPECT_TRUE(glRecord.calls.empty());
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0, 0, 0)));
    passiveMotionFunc(410, 300);
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(-0.01, 0, 0)));
}

TEST_F(Input, PointerOffsetTurnsTheCameraWithTheSquaredResponse)
{
    passiveMotionFunc(400, 300);  // at the centre: nothing at all
    EXPECT_TRUE(glRecord.calls.empty());

    const struct {
        int x, y;
        double yaw, pitch;
    } table[] = {{410, 300, -0.01, 0}, {400, 280, 0, 0.04}, {397, 305, 0.0009, -0.0025}, {500, 300, -1.0, 0},
                 // One pixel right or up turns the same way as a larger offset.
                 {401, 300, -0.0001, 0}, {400, 299, 0, 0.0001}};
    for (const auto &row : table) {
        genericInit();
        resetGlRecord();
        passiveMotionFunc(row.x, row.y);
        const double dx = row.x - 400, dy = 300 - row.y;
        const double yaw = std::pow(std::abs(dx) * 0.1, 2.0) * 0.01 * (dx > 0 ? -1 : 1);
        const double pitch = std::pow(std::abs(dy) * 0.1, 2.0) * 0.01 * (dy > 0 ? 1 : -1);
        EXPECT_NEAR(yaw, row.yaw, 1e-15);
        EXPECT_NEAR(pitch, row.pitch, 1e-15);
        EXPECT_TRUE(sameFrame(generic, glidedFromStart(yaw, 0, pitch))) << row.x << "," << row.y;
        EXPECT_THAT(glCallNames(), ElementsAre("glutPostRedisplay"));
    }
}

TEST_F(Input, InModeMThePointerGoesToTheHookAsDyDx)
{
    generic.interaction = 'm';
    passiveMotionFunc(430, 290);  // no hook: nothing, not even a redisplay
    EXPECT_TRUE(glRecord.calls.empty());

    window.specificPassiveMotionFunc = motionHook;
    passiveMotionFunc(430, 290);
    passiveMotionFunc(400, 300);
    ASSERT_EQ(hookCalls.size(), 1u);
    EXPECT_EQ(hookCalls[0].a, 10);  // dy: above the centre is positive
    EXPECT_EQ(hookCalls[0].b, 30);  // dx
    EXPECT_THAT(glCallNames(), ElementsAre("glutPostRedisplay"));
    EXPECT_TRUE(sameFrame(generic, glidedFromStart(0, 0, 0)));
}
