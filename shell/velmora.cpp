// velmora: start-up and the generic GLUT callbacks that route events to the active mode.
#include "shell/velmora.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "app/xwayland.h"
#include "modes/mode13.h"
#include "modes/previews.h"
#include "shell/assure.h"
#include "view/camera.h"
#include "view/input.h"

// The geometry GLUT reports before the first reshape is an 800 x 600 window.
int32_t hW = 400;
int32_t hH = 300;
int32_t dW = 800;
int32_t dH = 600;

void (*specificDisplayFunc)() = nullptr;
void (*specificPassiveMotionFunc)(int dy, int dx) = nullptr;
void (*specificKeyboardFunc)(int key, int y, int x) = nullptr;
void (*specificReshapeFunc)() = nullptr;
void (*specificSpecialFunc)(int key, int y, int x) = nullptr;

void displayFunc()
{
    if (specificDisplayFunc)
        specificDisplayFunc();
    // GL keeps the first error since it was last read, so this also catches
    // errors raised by a mode's set-up before the first frame.
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::fprintf(stderr, "opengl error detected by %s: %s\n", "displayFunc",
                     reinterpret_cast<const char *>(gluErrorString(error)));
        assure(false);
    }
}

void reshapeFunc(int width, int height)
{
    std::fprintf(stderr, "reshapeFunc(%ld, %ld)\n", static_cast<long>(width), static_cast<long>(height));
    dH = height;
    dW = width;
    hH = height >> 1;
    hW = width >> 1;
    glViewport(0, 0, width, height);
    if (specificReshapeFunc)
        specificReshapeFunc();
    glutPostRedisplay();
}

void schedule_noescape()
{
    glutTimerFunc(1, noescape, 0);
}

void noescape(int)
{
    glutWarpPointer(hW, hH);
    schedule_noescape();
}

void blackfix(int)
{
    glutPostRedisplay();
}

int modeNumber(const char *value)
{
    errno = 0;
    long number = std::strtol(value, nullptr, 10);
    if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
        return 0;
    return static_cast<int>(number);
}

// Opens the full-screen game mode at the screen's size. Where the display
// offers no such mode, GLUT creates no window at all, so fall back to a
// full-screen window rather than let the next GLUT call abort. Xwayland is
// never asked: it cannot change the real output's mode, and the mode query
// alone crashes some of its versions.
static void enterFullScreen()
{
    long height = glutGet(GLUT_SCREEN_HEIGHT);
    long width = glutGet(GLUT_SCREEN_WIDTH);
    char mode[128];
    std::snprintf(mode, sizeof mode, "%ldx%ld:32@75", width, height);
    std::fprintf(stderr, "mode string '%s'\n", mode);
    if (!displayIsXwayland()) {
        glutGameModeString(mode);
        glutEnterGameMode();
    }
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        std::fprintf(stderr, "game mode is not available; using a full-screen window\n");
        glutCreateWindow("velmora");
        glutFullScreen();
    }
}

int startup(int argc, char **argv)
{
    (void)argc;
    int glutArgc = 1;  // GLUT sees the program name and nothing else
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
    int number = mode == nullptr ? 13 : modeNumber(mode);
    if (number == 13)
        d13modeInitFunc();
    else if (number == 8)
        d8modeInitFunc();
    else if (number == 6)
        d6modeInitFunc();

    glutPostRedisplay();
    glutMainLoop();
    return 0;
}
