// velmora tests: the fatal check, the arena, the generic callbacks and start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <signal.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <climits>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "glrecord.h"
#include "app/startup.h"
#include "modes/mode13.h"
#include "modes/previews.h"
#include "shell/assure.h"
#include "shell/signals.h"
#include "shell/velmora.h"
#include "shell/xalloc.h"
#include "testutil.h"
#include "view/camera.h"
#include "view/input.h"

using testing::ElementsAre;
using testing::Eq;
using testing::ExitedWithCode;
#ifndef _WIN32
using testing::KilledBySignal;
#endif

// Read before any test runs: the window geometry GLUT has not yet reported.
static const int32_t initialGeometry[4] = {window.hW, window.hH, window.dW, window.dH};

#ifdef _WIN32
// How Windows reports a process ended by a console event.
constexpr int kControlCExit = static_cast<int>(STATUS_CONTROL_C_EXIT);
// A child's status for "the event was recorded": neither 0, which Wine's default handling of
// an event ends a process with, nor kControlCExit.
constexpr int kRecorded = 3;

// Delivers a console event as Windows does: on a new thread running its dispatcher, which calls
// the process's handlers, last registered first. Returns that thread.
static HANDLE deliver(DWORD event)
{
    static const auto dispatch = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
    return CreateThread(nullptr, 0, dispatch, reinterpret_cast<void *>(static_cast<uintptr_t>(event)), 0, nullptr);
}

// Delivers the event and waits up to 10 s for an ending signal to be recorded.
static void deliverAndAwait(DWORD event)
{
    CloseHandle(deliver(event));
    for (int ms = 0; pendingEndingSignal() == 0 && ms < 10000; ++ms)
        Sleep(1);
}
#endif

// ---- assure ----

TEST(Assure, EvaluatesItsConditionExactlyOnce)
{
    int evaluations = 0;
    assure(++evaluations > 0);
    EXPECT_EQ(evaluations, 1);
}

TEST(Assure, FailureWritesTwoLinesAndExitsWithStatusOne)
{
    const int line = __LINE__ + 1;
    EXPECT_EXIT(assure(1 + 1 == 3), ExitedWithCode(1),
                Eq(fatalMessage("tests/unit/shell_test.cpp", line, "1 + 1 == 3")));
}

// ---- arena ----

TEST(Arena, FirstRequestOfTheProcessIsTheStartOfTheArena)
{
    // A fresh process, so that no other test has taken arena space yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(xalloc(16) == xalloc_mem ? 0 : 2), ExitedWithCode(0), "");
}

TEST(Arena, HandsOutAdjacentZeroFilledBlocksWithoutRounding)
{
    auto *first = static_cast<unsigned char *>(xalloc(3));
    auto *second = static_cast<unsigned char *>(xalloc(0));
    auto *third = static_cast<unsigned char *>(xalloc(5));
    EXPECT_EQ(second, first + xalloc_footprint(3));  // first + 3 but in the sanitizer build
    EXPECT_EQ(third, second);  // a zero-size request takes nothing
    EXPECT_EQ(xalloc_ptr, third + xalloc_footprint(5));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(third[i], 0);
}

TEST(Arena, RequestPastTheEndIsFatal)
{
    const int line = sourceLine("shell/xalloc.cpp", "assure(");
    const std::string expression = "size >= 0 && size <= xalloc_mem + xalloc_size - xalloc_ptr";
    EXPECT_EXIT(xalloc(xalloc_size - static_cast<int32_t>(xalloc_ptr - xalloc_mem) + 1), ExitedWithCode(1),
                Eq(fatalMessage("shell/xalloc.cpp", line, expression)));
    EXPECT_EXIT(xalloc(-1), ExitedWithCode(1), Eq(fatalMessage("shell/xalloc.cpp", line, expression)));
}

TEST(Arena, RequestUpToTheExactEndSucceeds)
{
    unsigned char *end = xalloc_mem + xalloc_size;
    EXPECT_EXIT(std::exit(static_cast<unsigned char *>(xalloc(static_cast<int32_t>(end - xalloc_ptr))) < end &&
                                  xalloc_ptr == end
                              ? 0
                              : 2),
                ExitedWithCode(0), "");
}

#ifdef VELMORA_ARENA_POISONED
// Only the AddressSanitizer build sees inside the arena: a write one byte past a block
// lands in poison, whether in the red zone before the next block or in unused space.
TEST(Arena, WriteOnePastABlockIsReportedBySanitizer)
{
    auto *odd = static_cast<volatile unsigned char *>(xalloc(3));
    auto *inner = static_cast<volatile unsigned char *>(xalloc(32));
    auto *last = static_cast<volatile unsigned char *>(xalloc(16));
    // A block's own bytes are its to write.
    odd[2] = 0;
    inner[31] = 0;
    last[15] = 0;
    EXPECT_DEATH(odd[3] = 1, "use-after-poison");
    EXPECT_DEATH(inner[32] = 1, "use-after-poison");
    EXPECT_DEATH(last[16] = 1, "use-after-poison");
}
#endif

// ---- generic callbacks ----

class Callbacks : public testing::Test {
protected:
    void SetUp() override
    {
        resetGlRecord();
        window.specificDisplayFunc = nullptr;
        window.specificReshapeFunc = nullptr;
    }
};

TEST_F(Callbacks, GeometryBeforeTheFirstReshapeIsAnEightHundredBySixHundredWindow)
{
    EXPECT_THAT(initialGeometry, ElementsAre(400, 300, 800, 600));
}

static int reshapeHookCalls;
static void countingReshapeHook()
{
    ++reshapeHookCalls;
    EXPECT_EQ(window.dW, 1201);  // the hook sees the geometry already updated
}

TEST_F(Callbacks, ReshapeLogsUpdatesGeometryAndViewportThenRedisplays)
{
    EXPECT_EQ(stderrOf([] { reshapeFunc(1201, 901); }), "reshapeFunc(1201, 901)\n");
    EXPECT_EQ(window.hW, 600);
    EXPECT_EQ(window.hH, 450);
    EXPECT_EQ(window.dW, 1201);
    EXPECT_EQ(window.dH, 901);
    EXPECT_THAT(glCallTexts(), ElementsAre("glViewport(0, 0, 1201, 901)", "glutPostRedisplay()"));

    reshapeHookCalls = 0;
    window.specificReshapeFunc = countingReshapeHook;
    stderrOf([] { reshapeFunc(1201, 901); });
    EXPECT_EQ(reshapeHookCalls, 1);
}

static void clearingDisplayHook()
{
    glClear(GL_COLOR_BUFFER_BIT);
}

TEST_F(Callbacks, DisplayRunsTheHookThenReadsTheErrorFlagOnce)
{
    EXPECT_EQ(stderrOf([] { displayFunc(); }), "");
    EXPECT_THAT(glCallNames(), ElementsAre("glGetError"));

    resetGlRecord();
    window.specificDisplayFunc = clearingDisplayHook;
    displayFunc();
    EXPECT_THAT(glCallNames(), ElementsAre("glClear", "glGetError"));
}

TEST_F(Callbacks, PendingGlErrorAfterTheFrameIsFatal)
{
    glRecord.pendingError = GL_INVALID_ENUM;
    const int line = sourceLine("shell/velmora.cpp", "assure(false)");
    EXPECT_EXIT(displayFunc(), ExitedWithCode(1),
                Eq("opengl error detected by displayFunc: invalid enumerant\n" +
                   fatalMessage("shell/velmora.cpp", line, "false")));
}

TEST_F(Callbacks, RecentreTimerWarpsToTheCentreAndRenewsItself)
{
    stderrOf([] { reshapeFunc(640, 481); });
    resetGlRecord();
    noescape(0);
    EXPECT_THAT(glCallTexts(), ElementsAre("glutWarpPointer(320, 240)", "glutTimerFunc(1, 0)"));
    ASSERT_EQ(glRecord.timers.size(), 1u);
    EXPECT_EQ(glRecord.timers[0].func, noescape);
}

// Two different ending signals as the platform raises them, and how the process then ends: on a
// POSIX system by the signal itself; on Windows, where they are console events, with the status
// Windows gives them.
#ifdef _WIN32
constexpr int kEndings[2] = {CTRL_C_EVENT, CTRL_CLOSE_EVENT};
static void raiseEnding(int event)
{
    deliverAndAwait(event);
}
static std::function<bool(int)> endedBy(int)
{
    return ExitedWithCode(kControlCExit);
}
#else
constexpr int kEndings[2] = {SIGTERM, SIGHUP};
static void raiseEnding(int signal)
{
    raise(signal);
}
static std::function<bool(int)> endedBy(int signal)
{
    return KilledBySignal(signal);
}
#endif

TEST_F(Callbacks, RecentreTimerAfterAnEndingSignalLeavesGameModeThenEndsByIt)
{
    const std::string askActive = "glutGameModeGet(" + std::to_string(GLUT_GAME_MODE_ACTIVE) + ")\n";
    glRecord.echoCalls = true;  // the child's calls, in order, are its stderr
    glRecord.inGameMode = true;
    EXPECT_EXIT((catchEndingSignals(), raiseEnding(kEndings[0]), noescape(0)), endedBy(kEndings[0]),
                Eq(askActive + "glutLeaveGameMode()\n"));
    glRecord.inGameMode = false;  // NOFS, or the full-screen window: nothing to give back
    EXPECT_EXIT((catchEndingSignals(), raiseEnding(kEndings[1]), noescape(0)), endedBy(kEndings[1]), Eq(askActive));
}

TEST_F(Callbacks, FirstRedisplayTimerPostsOneRedisplay)
{
    blackfix(0);
    EXPECT_THAT(glCallTexts(), ElementsAre("glutPostRedisplay()"));
    EXPECT_TRUE(glRecord.timers.empty());
}

// ---- ending signals ----
// Each case runs in a child process: catching signals must not change the test runner's.
#ifndef _WIN32

TEST(EndingSignals, AreOnlyRecordedAndTheFirstOfABurstIsKept)
{
    EXPECT_EXIT(
        {
            catchEndingSignals();
            const int before = pendingEndingSignal();
            for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGINT})
                raise(signal);
            std::exit(before == 0 && pendingEndingSignal() == SIGTERM ? 0 : 2);
        },
        ExitedWithCode(0), "");
}

TEST(EndingSignals, OneIgnoredFromTheStartStaysIgnored)
{
    // As under nohup: a hang-up must still not end the process, nor be acted on later.
    EXPECT_EXIT(
        {
            signal(SIGHUP, SIG_IGN);
            catchEndingSignals();
            raise(SIGHUP);
            std::exit(pendingEndingSignal() == 0 ? 0 : 2);
        },
        ExitedWithCode(0), "");
}

TEST(EndingSignals, EndBySignalDiesByItThoughCaughtOrBlocked)
{
    EXPECT_EXIT((catchEndingSignals(), endBySignal(SIGINT)), KilledBySignal(SIGINT), "");
    EXPECT_EXIT(
        {
            catchEndingSignals();
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, SIGTERM);
            pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
            endBySignal(SIGTERM);
        },
        KilledBySignal(SIGTERM), "");
}
#else
TEST(EndingSignals, EachConsoleEventIsRecordedAsItsSignal)
{
    const std::pair<DWORD, int> events[] = {
        {CTRL_C_EVENT, SIGINT}, {CTRL_BREAK_EVENT, SIGBREAK}, {CTRL_CLOSE_EVENT, SIGTERM}};
    for (const auto &[event, signal] : events)
        EXPECT_EXIT((catchEndingSignals(), deliverAndAwait(event), std::exit(pendingEndingSignal() == signal ? kRecorded : 2)),
                    ExitedWithCode(kRecorded), "")
            << "console event " << event;
}

TEST(EndingSignals, WhenTheMainThreadIsBusyTheEventsThreadGivesTheScreenBackAndEnds)
{
    EXPECT_EXIT(
        {
            glRecord.echoCalls = true;
            catchEndingSignals();
            deliverAndAwait(CTRL_C_EVENT);
            Sleep(INFINITE);
        },
        ExitedWithCode(kControlCExit), Eq("ChangeDisplaySettingsW(0, 0)\n"));
}
#endif

// ---- MODE conversion ----

TEST(ModeNumber, ConvertsInRangeValuesExactlyAsAtoi)
{
    for (const char *value : {"13", "13abc", "  8", "\t\n8", "+6", "-6", "0x8", "", "abc", "7", "0013", " -0",
                              "2147483647", "-2147483648", "6 7"})
        EXPECT_EQ(modeNumber(value), std::atoi(value)) << "MODE='" << value << "'";
}

TEST(ModeNumber, ValuesOutsideIntSelectNothing)
{
    for (const char *value : {"2147483648", "-2147483649", "99999999999999999999999", "4294967309",
                              "-99999999999999999999999"})
        EXPECT_EQ(modeNumber(value), 0) << "MODE='" << value << "'";
}

// ---- start-up ----

class Startup : public testing::Test {
protected:
#ifdef _WIN32
    static constexpr const char *windowed = "1";  // an empty value would remove NOFS there
#else
    static constexpr const char *windowed = "";   // present, even empty, means a window
#endif
    void SetUp() override
    {
        resetGlRecord();
        window.specificDisplayFunc = nullptr;
        window.specificKeyboardFunc = nullptr;
        window.specificPassiveMotionFunc = nullptr;
        generic = Generic();
        unsetenv("MODE");
        setenv("NOFS", windowed, 1);
    }
    void TearDown() override
    {
        unsetenv("MODE");
        unsetenv("NOFS");
#ifndef _WIN32
        // A full-screen start catches the ending signals; give the test runner its own back.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(signal, SIG_DFL);
#endif
    }
    // Runs start-up (the stand-in main loop returns at once) and its stderr.
    std::string run()
    {
        char name[] = "velmora";
        char extra[] = "--ignored";
        char *argv[] = {name, extra, nullptr};
        int status = -1;
        std::string err = stderrOf([&] { status = startup(2, argv); });
        EXPECT_EQ(status, 0);
        return err;
    }
};

TEST_F(Startup, WindowedRunOpensTheWindowRegistersCallbacksAndArmsTimers)
{
    setenv("MODE", "7", 1);
    EXPECT_EQ(run(), "");
    EXPECT_THAT(glCallTexts(),
                ElementsAre("glutInit(1)", "glutInitDisplayMode(26)", "glutInitWindowPosition(100, 100)",
                            "glutInitWindowSize(1200, 900)", "glutCreateWindow(\"velmora\")", "glutSetCursor(101)",
                            "glutPassiveMotionFunc()", "glutKeyboardFunc()", "glutSpecialFunc()",
                            "glutDisplayFunc()", "glutReshapeFunc()", "glutTimerFunc(1, 0)",
                            "glutTimerFunc(250, 0)", "glutPostRedisplay()", "glutMainLoop()"));
    EXPECT_EQ(glRecord.passiveMotion, passiveMotionFunc);
    EXPECT_EQ(glRecord.keyboard, keyboardFunc);
    EXPECT_EQ(glRecord.special, specialFunc);
    EXPECT_EQ(glRecord.display, displayFunc);
    EXPECT_EQ(glRecord.reshape, reshapeFunc);
    ASSERT_EQ(glRecord.timers.size(), 2u);
    EXPECT_EQ(glRecord.timers[0].func, noescape);
    EXPECT_EQ(glRecord.timers[1].func, blackfix);
    // The camera is reset before any callback can run; no mode was set up.
    EXPECT_EQ(generic.interaction, 'v');
    EXPECT_EQ(generic.vfar, 1.5);
    EXPECT_EQ(window.specificDisplayFunc, nullptr);
    EXPECT_EQ(window.specificKeyboardFunc, nullptr);
}

// The full-screen start asks the X server whether it is Xwayland; a Windows build has no such question.
#ifdef _WIN32
constexpr int xwaylandQuestions = 0;
#else
constexpr int xwaylandQuestions = 1;
#endif

TEST_F(Startup, GameModeAtTheScreenSize)
{
    unsetenv("NOFS");
    setenv("MODE", "0x8", 1);
    EXPECT_EQ(run(), "mode string '1920x1080:32@75'\n");
    const std::vector<std::string> calls = glCallTexts();
    std::vector<std::string> expected = {"glutGet(" + std::to_string(GLUT_SCREEN_HEIGHT) + ")",
                                         "glutGet(" + std::to_string(GLUT_SCREEN_WIDTH) + ")", "displayIsXwayland()",
                                         "glutGameModeString(\"1920x1080:32@75\")", "glutEnterGameMode()",
                                         "glutGameModeGet(" + std::to_string(GLUT_GAME_MODE_ACTIVE) + ")",
                                         "glutSetCursor(101)"};
    if (xwaylandQuestions == 0)
        std::erase(expected, "displayIsXwayland()");
    EXPECT_THAT(std::vector<std::string>(calls.begin() + 2, calls.begin() + 2 + expected.size()),
                testing::ElementsAreArray(expected));
    EXPECT_EQ(glCallCount("glutCreateWindow"), 0);
}

TEST_F(Startup, UnavailableGameModeFallsBackToAFullScreenWindow)
{
    unsetenv("NOFS");
    glRecord.gameModeActive = false;
    glRecord.screenWidth = 1600;
    glRecord.screenHeight = 1200;
    setenv("MODE", "", 1);
    EXPECT_EQ(run(), "mode string '1600x1200:32@75'\n"
                     "game mode is not available; using a full-screen window\n");
    const std::vector<std::string> calls = glCallTexts();
    EXPECT_THAT(std::vector<std::string>(calls.begin() + 7 + xwaylandQuestions, calls.begin() + 10 + xwaylandQuestions),
                ElementsAre("glutCreateWindow(\"velmora\")", "glutFullScreen()", "glutSetCursor(101)"));
}

#ifdef _WIN32
TEST_F(Startup, ForgetsDisplayBeforeGlutInit)
{
    setenv("DISPLAY", ":0", 1);
    run();
    EXPECT_FALSE(glRecord.displaySetAtInit);
}

// Escape and the fatal path end the process through exit(); freeglut on Windows leaves the
// screen's mode to whoever exits, so start-up must have arranged for game mode to be left.
TEST_F(Startup, ExitInGameModeLeavesItUnlessFreeglutHasShutDown)
{
    unsetenv("NOFS");
    setenv("MODE", "7", 1);
    const auto startThenExit = [this] {
        // Exit handlers run last registered first, so this one sees what start-up's did.
        std::atexit([] { std::fprintf(stderr, "left %d times\n", glCallCount("glutLeaveGameMode")); });
        run();
        std::exit(0);
    };
    EXPECT_EXIT(startThenExit(), ExitedWithCode(0), testing::EndsWith("left 1 times\n"));
    glRecord.gameModeActive = false;
    EXPECT_EXIT(startThenExit(), ExitedWithCode(0), testing::EndsWith("left 0 times\n"));

    // Closing game mode's window: freeglut leaves game mode, shuts itself down and exits. It
    // must be asked nothing but whether it still runs.
    glRecord.gameModeActive = true;
    EXPECT_EXIT(
        {
            run();
            glRecord.initialised = false;
            glRecord.inGameMode = false;
            glRecord.echoCalls = true;
            std::exit(0);
        },
        ExitedWithCode(0), Eq("glutGet(" + std::to_string(GLUT_INIT_STATE) + ")\n"));
}
#else
TEST_F(Startup, OnXwaylandGoesStraightToTheFullScreenWindowWithoutAskingForGameMode)
{
    unsetenv("NOFS");
    glRecord.xwayland = true;  // game mode would even be granted: it must not be asked for
    setenv("MODE", "7", 1);
    EXPECT_EQ(run(), "mode string '1920x1080:32@75'\n"
                     "game mode is not available; using a full-screen window\n");
    const std::vector<std::string> calls = glCallTexts();
    EXPECT_THAT(std::vector<std::string>(calls.begin() + 2, calls.begin() + 9),
                ElementsAre("glutGet(" + std::to_string(GLUT_SCREEN_HEIGHT) + ")",
                            "glutGet(" + std::to_string(GLUT_SCREEN_WIDTH) + ")", "displayIsXwayland()",
                            "glutGameModeGet(" + std::to_string(GLUT_GAME_MODE_ACTIVE) + ")",
                            "glutCreateWindow(\"velmora\")", "glutFullScreen()", "glutSetCursor(101)"));
    EXPECT_EQ(glCallCount("glutGameModeString"), 0);
    EXPECT_EQ(glCallCount("glutEnterGameMode"), 0);
}
#endif

#ifndef _WIN32
TEST_F(Startup, OnlyAFullScreenStartHoldsBackEndingSignals)
{
    // The death test captures stderr itself, so start-up runs here without run()'s capture.
    const auto start = [] {
        char name[] = "velmora";
        char *argv[] = {name, nullptr};
        startup(1, argv);
    };
    // NOFS is set: a signal ends the process at once, as if nothing caught it.
    EXPECT_EXIT((start(), raise(SIGTERM), std::exit(2)), KilledBySignal(SIGTERM), "");
    unsetenv("NOFS");
    EXPECT_EXIT((start(), raise(SIGTERM), std::exit(pendingEndingSignal() == SIGTERM ? 0 : 2)), ExitedWithCode(0),
                "");
}
#else
static bool heardByEarlierHandler = false;
static BOOL WINAPI earlierHandler(DWORD)
{
    heardByEarlierHandler = true;
    return TRUE;
}

TEST_F(Startup, OnlyAFullScreenStartHoldsBackConsoleEvents)
{
    const auto start = [] {
        char name[] = "velmora";
        char *argv[] = {name, nullptr};
        startup(1, argv);
    };
    // NOFS is set: a handler registered before start-up still hears the event, so start-up put
    // none of its own in front of it.
    EXPECT_EXIT(
        {
            SetConsoleCtrlHandler(earlierHandler, TRUE);
            start();
            WaitForSingleObject(deliver(CTRL_C_EVENT), INFINITE);
            std::exit(heardByEarlierHandler ? kRecorded : 2);
        },
        ExitedWithCode(kRecorded), "");
    unsetenv("NOFS");
    EXPECT_EXIT((start(), deliverAndAwait(CTRL_C_EVENT), std::exit(pendingEndingSignal() == SIGINT ? kRecorded : 2)),
                ExitedWithCode(kRecorded), "");
}
#endif

TEST_F(Startup, ModeSelectsItsSetUp)
{
    setenv("MODE", "+6", 1);
    run();
    EXPECT_EQ(window.specificDisplayFunc, d6display);

    SetUp();
    setenv("MODE", "6 and more", 1);
    run();
    EXPECT_EQ(window.specificDisplayFunc, d6display);

    for (const char *nothing : {"-6", "7", "0", "abc", "4294967302"}) {
        SetUp();
        setenv("MODE", nothing, 1);
        run();
        EXPECT_EQ(window.specificDisplayFunc, nullptr) << "MODE='" << nothing << "'";
        EXPECT_EQ(glCallCount("glTexImage2D"), 0);
    }
}

TEST_F(Startup, AbsentModeAndThirteenBothRunTheGimbalChain)
{
    run();  // MODE absent
    EXPECT_EQ(window.specificDisplayFunc, d13display);
    EXPECT_EQ(window.specificKeyboardFunc, d13keyboardFunc);
    EXPECT_EQ(glCallCount("glTexImage2D"), 5);

    SetUp();
    setenv("MODE", "13abc", 1);
    run();
    EXPECT_EQ(window.specificDisplayFunc, d13display);
    EXPECT_EQ(window.specificPassiveMotionFunc, d13passiveMotionFunc);
}
