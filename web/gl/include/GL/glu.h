// velmora: the GLU functions the browser build's layer defines.
#ifndef VELMORA_WEB_GL_GLU_H
#define VELMORA_WEB_GL_GLU_H

#include "gl.h"

#define GLU_INVALID_ENUM 100900
#define GLU_INVALID_VALUE 100901
#define GLU_OUT_OF_MEMORY 100902
#define GLU_INVALID_OPERATION 100904

#ifdef __cplusplus
extern "C" {
#endif

// Multiplies the current matrix by a perspective projection (fovy in degrees).
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
// Multiplies the current matrix by a viewing transformation from eye towards centre.
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);
// GLU's text for a GL or GLU error code; null for an unknown code.
const GLubyte *gluErrorString(GLenum error);

#ifdef __cplusplus
}
#endif

#endif
