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
static void leaveGameMode()
{
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE))
        glutLeaveGameMode();
}

void afterGameModeEntered()
{
    std::atexit(leaveGameMode);
}
