// velmora: start-up: the window or full screen, the generic callbacks and timers,
// the set-up of the display mode that MODE selects, and the pose that POSE gives.
#include "app/startup.h"

#include <GL/freeglut.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "app/platform.h"
#include "modes/mode13.h"
#include "modes/pose.h"
#include "modes/previews.h"
#include "shell/signals.h"
#include "shell/velmora.h"
#include "view/camera.h"
#include "view/input.h"

namespace {

// The display modes, by the number MODE gives; a new mode is one more row.
struct DisplayMode {
    int number;
    void (*setUp)();
};

const DisplayMode displayModes[] = {
    {13, d13modeInitFunc},  // the gimbal chain
    {8, d8modeInitFunc},    // one ring, sphere-mapped picture
    {6, d6modeInitFunc},    // one ring, checker
};

const int defaultMode = 13;  // when MODE is absent

}  // namespace

int modeNumber(const char *value)
{
    errno = 0;
    long number = std::strtol(value, nullptr, 10);
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
        return 0;
    return static_cast<int>(number);
}

// Opens the full-screen game mode at the screen's size (GLUT takes another refresh rate
// where the screen has that size but not 75 Hz). Where the display cannot switch modes,
// GLUT creates no window at all, so fall back to a full-screen window rather than let the
// next GLUT call abort. Where the window system cannot take the request (Xwayland: it
// cannot change the real output's mode, and the mode query alone crashes some of its
// versions), it is never made. Once the screen's mode may change, a signal that asks the
// process to end waits for the recentre timer, which gives the screen back first.
static void enterFullScreen()
{
    long height = glutGet(GLUT_SCREEN_HEIGHT);
    long width = glutGet(GLUT_SCREEN_WIDTH);
    char mode[128];
    std::snprintf(mode, sizeof mode, "%ldx%ld:32@75", width, height);
    std::fprintf(stderr, "mode string '%s'\n", mode);
    if (mayAskForGameMode()) {
        catchEndingSignals();
        glutGameModeString(mode);
        glutEnterGameMode();
    }
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        afterGameModeEntered();
    } else {
        std::fprintf(stderr, "game mode is not available; using a full-screen window\n");
        openFullScreenWindow();
    }
}

int startup(int argc, char **argv)
{
    (void)argc;
    int glutArgc = 1;  // GLUT sees the program name and nothing else
    beforeGlutInit();
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    if (std::getenv("NOFS") == nullptr) {
        enterFullScreen();
    } else {
        glutInitWindowPosition(100, 100);
        glutInitWindowSize(1200, 900);
        glutCreateWindow("velmora");
    }
    glutSetCursor(GLUT_CURSOR_NONE);
    genericInit();

    glutPassiveMotionFunc(passiveMotionFunc);
    glutKeyboardFunc(keyboardFunc);
    glutSpecialFunc(specialFunc);
    glutDisplayFunc(displayFunc);
    glutReshapeFunc(reshapeFunc);

    schedule_noescape();
    glutTimerFunc(250, blackfix, 0);

    const char *mode = std::getenv("MODE");
    const int number = mode == nullptr ? defaultMode : modeNumber(mode);
    for (const DisplayMode &entry : displayModes) {
        if (entry.number == number)
            entry.setUp();
    }
    // A pose replaces the start of the camera and the chain. An empty POSE is none: Windows
    // cannot hold an empty variable, so it means the same everywhere.
    const char *pose = std::getenv("POSE");
    if (pose != nullptr && *pose != '\0')
        poseStart(pose);

    glutPostRedisplay();
    glutMainLoop();
    return 0;
}
