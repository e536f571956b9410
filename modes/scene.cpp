// velmora: the GL state shared by every display mode.
#include "modes/scene.h"

#include <GL/gl.h>

void setSceneBaseState()
{
    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
}
