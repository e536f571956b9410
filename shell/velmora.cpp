// velmora: the window record and the window's GLUT callbacks, which route display and
// reshape events to the active mode.
#include "shell/velmora.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>

#include "shell/assure.h"
#include "shell/signals.h"

// The geometry GLUT reports before the first reshape is an 800 x 600 window.
WindowRecord window = {400, 300, 800, 600, nullptr, nullptr, nullptr, nullptr, nullptr};

void displayFunc()
{
    if (window.specificDisplayFunc)
        window.specificDisplayFunc();
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
    window.dH = height;
    window.dW = width;
    window.hH = height >> 1;
    window.hW = width >> 1;
    glViewport(0, 0, width, height);
    if (window.specificReshapeFunc)
        window.specificReshapeFunc();
    glutPostRedisplay();
}

void schedule_noescape()
{
    glutTimerFunc(1, noescape, 0);
}

// Gives the screen back (GLUT restores the mode it changed when it leaves game mode), then
// ends the process by the signal that asked for it.
[[noreturn]] static void endForSignal(int signal)
{
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE))
        glutLeaveGameMode();
    endBySignal(signal);
}

// Runs every millisecond in every mode, so it is where a caught ending signal is acted on.
void noescape(int)
{
    if (const int signal = pendingEndingSignal())
        endForSignal(signal);
    glutWarpPointer(window.hW, window.hH);
    schedule_noescape();
}

void blackfix(int)
{
    glutPostRedisplay();
}
