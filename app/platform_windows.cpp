// velmora: start-up on Windows: no DISPLAY for freeglut, and game mode left on every exit.
#include "app/platform.h"

#include <GL/freeglut.h>

#include <cstdlib>

void beforeGlutInit()
{
    // An empty value removes the variable from the process's environment.
    _putenv_s("DISPLAY", "");
}

bool mayAskForGameMode()
{
    return true;
}

// Escape and the fatal path end the process through exit(); give the screen its mode back first.
// Closing game mode's window ends it through exit() as well, once freeglut has left game mode and
// shut itself down: asking it anything then would end in a fatal freeglut error of its own.
static void leaveGameMode()
{
    if (glutGet(GLUT_INIT_STATE) && glutGameModeGet(GLUT_GAME_MODE_ACTIVE))
        glutLeaveGameMode();
}

void afterGameModeEntered()
{
    std::atexit(leaveGameMode);
}

void openFullScreenWindow()
{
    glutCreateWindow("velmora");
    glutFullScreen();
}
