// velmora: start-up on X11: the Xwayland check guards game mode; freeglut restores the screen itself.
#include "app/platform.h"

#include <GL/freeglut.h>

#include "app/xwayland.h"

void beforeGlutInit() {}

bool mayAskForGameMode()
{
    return !displayIsXwayland();
}

void afterGameModeEntered() {}

void openFullScreenWindow()
{
    glutCreateWindow("velmora");
    glutFullScreen();
}
