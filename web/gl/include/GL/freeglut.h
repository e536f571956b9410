// velmora: the browser build's freeglut header is emscripten's GLUT, which includes the
// layer's GL/gl.h and GL/glu.h (this folder comes first on the include path).
#ifndef VELMORA_WEB_GL_FREEGLUT_H
#define VELMORA_WEB_GL_FREEGLUT_H

#include <GL/glut.h>

#endif
