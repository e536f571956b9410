// velmora tests: the recording stand-in linked in place of libGL, libGLU and libglut (and, on
// Windows, of user32's display mode change).
#include "glrecord.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#ifdef _WIN32
#include <windows.h>
#else
#include "app/xwayland.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

GlRecord glRecord;

void resetGlRecord()
{
    glRecord = GlRecord();
}

static void record(const char *name, std::initializer_list<double> args, const char *text = "")
{
    if (name == glRecord.failingCall && glRecord.pendingError == 0)
        glRecord.pendingError = glRecord.failingError;
    if (!glRecord.recordCalls)
        return;
    glRecord.calls.push_back({name, args, text});
    if (glRecord.echoCalls)
        std::fprintf(stderr, "%s\n", glCallText(glRecord.calls.back()).c_str());
}

std::vector<std::string> glCallNames()
{
    std::vector<std::string> names;
    for (const GlCall &call : glRecord.calls)
        names.push_back(call.name);
    return names;
}

std::string glCallText(const GlCall &call)
{
    std::string text = call.name + "(";
    for (size_t i = 0; i < call.args.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%g", i ? ", " : "", call.args[i]);
        text += number;
    }
    if (!call.text.empty())
        text += (call.args.empty() ? "\"" : ", \"") + call.text + "\"";
    return text + ")";
}

std::vector<std::string> glCallTexts()
{
    std::vector<std::string> texts;
    for (const GlCall &call : glRecord.calls)
        texts.push_back(glCallText(call));
    return texts;
}

int glCallCount(const std::string &name)
{
    int count = 0;
    for (const GlCall &call : glRecord.calls)
        count += call.name == name;
    return count;
}

#ifndef _WIN32
// A link seam rather than a GL call: this definition is linked before the
// library, so the library's own, which asks the X server, is never pulled in.
bool displayIsXwayland()
{
    record("displayIsXwayland", {});
    return glRecord.xwayland;
}
#else
// user32's mode change, which the ending signals' handler makes when the main thread is too busy
// to give the screen back itself: recorded (whether a mode was given, and the flags), not made.
LONG WINAPI ChangeDisplaySettingsW(DEVMODEW *mode, DWORD flags)
{
    record("ChangeDisplaySettingsW", {double(mode != nullptr), double(flags)});
    return DISP_CHANGE_SUCCESSFUL;
}
#endif

extern "C" {

// GL
GLenum glGetError()
{
    GLenum error = static_cast<GLenum>(glRecord.pendingError);
    glRecord.pendingError = 0;
    record("glGetError", {});
    return error;
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record("glViewport", {double(x), double(y), double(w), double(h)}); }
void glBindTexture(GLenum target, GLuint texture) { record("glBindTexture", {double(target), double(texture)}); }
void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd", {}); }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); }
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { record("glNormal3f", {x, y, z}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {x, y, z}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record("glColor3f", {r, g, b}); }
void glPixelStorei(GLenum name, GLint value) { record("glPixelStorei", {double(name), double(value)}); }
void glGenTextures(GLsizei n, GLuint *textures)
{
    for (GLsizei i = 0; i < n; ++i)
        textures[i] = glRecord.nextTexture++;
    record("glGenTextures", {double(n)});
}
void glTexParameteri(GLenum target, GLenum name, GLint value) { record("glTexParameteri", {double(target), double(name), double(value)}); }
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const void *pixels)
{
    glRecord.lastTexImagePixels = pixels;
    const size_t channels = format == GL_RGBA ? 4 : 3;
    const size_t samples = channels * static_cast<size_t>(width) * static_cast<size_t>(height);
    if (type == GL_UNSIGNED_SHORT) {
        const auto *data = static_cast<const uint16_t *>(pixels);
        glRecord.lastTexImageShorts.assign(data, data + samples);
    } else if (type == GL_UNSIGNED_BYTE) {
        const auto *data = static_cast<const unsigned char *>(pixels);
        glRecord.lastTexImageBytes.assign(data, data + samples);
    }
    record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                            double(border), double(format), double(type)});
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glShadeModel(GLenum mode) { record("glShadeModel", {double(mode)}); }
void glEnable(GLenum cap) { record("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { record("glDisable", {double(cap)}); }
void glLightfv(GLenum light, GLenum name, const GLfloat *v) { record("glLightfv", {double(light), double(name), v[0], v[1], v[2], v[3]}); }
void glTexEnvf(GLenum target, GLenum name, GLfloat value) { record("glTexEnvf", {double(target), double(name), value}); }
void glMaterialfv(GLenum face, GLenum name, const GLfloat *v) { record("glMaterialfv", {double(face), double(name), v[0], v[1], v[2], v[3]}); }
void glMaterialf(GLenum face, GLenum name, GLfloat value) { record("glMaterialf", {double(face), double(name), value}); }
void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); }
void glLoadIdentity() { record("glLoadIdentity", {}); }
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glTexGeni(GLenum coord, GLenum name, GLint value) { record("glTexGeni", {double(coord), double(name), double(value)}); }
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) { record("glRotated", {angle, x, y, z}); }
void glScaled(GLdouble x, GLdouble y, GLdouble z) { record("glScaled", {x, y, z}); }

// GLU
const GLubyte *gluErrorString(GLenum error)
{
    record("gluErrorString", {double(error)});
    return reinterpret_cast<const GLubyte *>(error == GL_INVALID_ENUM ? "invalid enumerant" : "some error");
}
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) { record("gluPerspective", {fovy, aspect, zNear, zFar}); }
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux, GLdouble uy, GLdouble uz)
{
    record("gluLookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
}

// GLUT
void glutInit(int *argc, char **)
{
    glRecord.displaySetAtInit = std::getenv("DISPLAY") != nullptr;
    glRecord.initialised = true;
    record("glutInit", {double(*argc)});
}
void glutInitDisplayMode(unsigned int mode) { record("glutInitDisplayMode", {double(mode)}); }
void glutInitWindowPosition(int x, int y) { record("glutInitWindowPosition", {double(x), double(y)}); }
void glutInitWindowSize(int w, int h) { record("glutInitWindowSize", {double(w), double(h)}); }
int glutCreateWindow(const char *title) { record("glutCreateWindow", {}, title); return 1; }
void glutFullScreen() { record("glutFullScreen", {}); }
void glutGameModeString(const char *mode) { record("glutGameModeString", {}, mode); }
int glutEnterGameMode()
{
    record("glutEnterGameMode", {});
    glRecord.inGameMode = glRecord.gameModeActive;
    return glRecord.inGameMode;
}
void glutLeaveGameMode()
{
    record("glutLeaveGameMode", {});
    glRecord.inGameMode = false;
}
int glutGameModeGet(GLenum query)
{
    record("glutGameModeGet", {double(query)});
    return query == GLUT_GAME_MODE_ACTIVE ? glRecord.inGameMode : 0;
}
int glutGet(GLenum query)
{
    record("glutGet", {double(query)});
    switch (query) {
    case GLUT_SCREEN_WIDTH: return glRecord.screenWidth;
    case GLUT_SCREEN_HEIGHT: return glRecord.screenHeight;
    case GLUT_ELAPSED_TIME: return glRecord.elapsedMs;
    case GLUT_INIT_STATE: return glRecord.initialised;
    default: return 0;
    }
}
void glutSetCursor(int cursor) { record("glutSetCursor", {double(cursor)}); }
void glutPassiveMotionFunc(void (*func)(int, int)) { glRecord.passiveMotion = func; record("glutPassiveMotionFunc", {}); }
void glutKeyboardFunc(void (*func)(unsigned char, int, int)) { glRecord.keyboard = func; record("glutKeyboardFunc", {}); }
void glutSpecialFunc(void (*func)(int, int, int)) { glRecord.special = func; record("glutSpecialFunc", {}); }
void glutDisplayFunc(void (*func)()) { glRecord.display = func; record("glutDisplayFunc", {}); }
void glutReshapeFunc(void (*func)(int, int)) { glRecord.reshape = func; record("glutReshapeFunc", {}); }
void glutTimerFunc(unsigned ms, void (*func)(int), int value)
{
    glRecord.timers.push_back({ms, func, value});
    record("glutTimerFunc", {double(ms), double(value)});
}
void glutWarpPointer(int x, int y) { record("glutWarpPointer", {double(x), double(y)}); }
void glutPostRedisplay() { record("glutPostRedisplay", {}); }
void glutSwapBuffers() { record("glutSwapBuffers", {}); }
void glutMainLoop() { record("glutMainLoop", {}); }

}  // extern "C"
