// velmora: the WebGL 2 backend of the browser build's layer: one shader program built from
// shade.h, a vertex buffer per batch-cache slot, a WebGL texture per GL texture object. All of
// them are made again from the layer's state after the browser has lost and restored the
// context (velmora_gl_restore). It calls emscripten's WebGL functions by their emscripten_gl
// names, because the layer itself defines the glX names the program calls.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include "include/GL/freeglut.h"
#include "pipeline.h"
#include "shade_source.h"
#include "state.h"

namespace {

// WebGL 2 names GL 1.1 does not have.
constexpr GLenum arrayBuffer = 0x8892;
constexpr GLenum elementArrayBuffer = 0x8893;
constexpr GLenum unsignedInt = 0x1405;
constexpr GLenum staticDraw = 0x88E4;
constexpr GLenum fragmentShader = 0x8B30;
constexpr GLenum vertexShader = 0x8B31;
constexpr GLenum compileStatus = 0x8B81;
constexpr GLenum linkStatus = 0x8B82;
constexpr GLenum texture0 = 0x84C0;
constexpr GLenum rgb8 = 0x8051;
constexpr GLenum rgba8 = 0x8058;

}  // namespace

extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const char *const *source, const GLint *length);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderiv(GLuint shader, GLenum pname, GLint *param);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei *length, char *log);
GLuint emscripten_glCreateProgram(void);
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glGetProgramiv(GLuint program, GLenum pname, GLint *param);
void emscripten_glGetProgramInfoLog(GLuint program, GLsizei size, GLsizei *length, char *log);
void emscripten_glUseProgram(GLuint program);
GLint emscripten_glGetUniformLocation(GLuint program, const char *name);
void emscripten_glUniform1i(GLint location, GLint v);
void emscripten_glUniform4fv(GLint location, GLsizei count, const GLfloat *v);
void emscripten_glUniformMatrix3fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat *v);
void emscripten_glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat *v);
void emscripten_glGenBuffers(GLsizei n, GLuint *buffers);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBufferData(GLenum target, long size, const void *data, GLenum usage);
void emscripten_glGenVertexArrays(GLsizei n, GLuint *arrays);
void emscripten_glBindVertexArray(GLuint array);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void *offset);
void emscripten_glGenTextures(GLsizei n, GLuint *textures);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glActiveTexture(GLenum unit);
void emscripten_glTexParameteri(GLenum target, GLenum pname, GLint param);
void emscripten_glPixelStorei(GLenum pname, GLint param);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void *pixels);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void *offset);
void emscripten_glFlush(void);
}

namespace vgl {

namespace {

const char *const vertexMain = R"(
uniform mat4 uProjection;
uniform mat4 uModelview;
uniform mat3 uNormalMatrix;
uniform vec4 uLit[5];
uniform int uSwitches;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexCoord;
layout(location = 3) in vec4 aColour;
out vec4 vColour;
out vec2 vTexCoord;
bool on(int bit)
{
    return (uSwitches & bit) != 0;
}
void main()
{
    vec4 eye = uModelview * vec4(aPosition, 1.0);
    vec3 normal = uNormalMatrix * aNormal;
    if (on(switchLighting)) {
        Lit p = Lit(uLit[0], uLit[1], uLit[2], uLit[3], uLit[4].x, uLit[4].y);
        vColour = lightVertex(normal, eye.xyz, p, on(switchLight0));
    } else {
        vColour = clamp(aColour, 0.0, 1.0);
    }
    vec2 sphere = sphereMap(eye.xyz, normal);
    vTexCoord = vec2(on(switchGenS) ? sphere.x : aTexCoord.x, on(switchGenT) ? sphere.y : aTexCoord.y);
    gl_Position = uProjection * uModelview * vec4(aPosition, 1.0);
}
)";

const char *const fragmentMain = R"(
uniform int uSwitches;
uniform sampler2D uTexture;
in vec4 vColour;
in vec2 vTexCoord;
out vec4 fragColour;
void main()
{
    int mode = (uSwitches & switchDecal) != 0 ? envDecal : envModulate;
    fragColour = (uSwitches & switchTextured) != 0 ? textureEnvironment(vColour, texture(uTexture, vTexCoord), mode)
                                                   : vColour;
}
)";

const char *const prologue =
    "#version 300 es\n#define VELMORA_GLSL 1\nprecision highp float;\nprecision highp int;\n";

struct Slot {
    GLuint buffer = 0;
    GLuint indexBuffer = 0;
    GLuint vertexArray = 0;
};

struct GpuTexture {
    GLuint name = 0;
    unsigned revision = 0;
    bool filled = false;
};

// The WebGL objects of the context in use; a new context starts from an empty one.
struct Backend {
    GLuint program = 0;
    GLint uniforms[uniformCount] = {};
    Slot slots[BatchCache::slots];
    std::unordered_map<GLuint, GpuTexture> textures;
} backend;

GLuint compile(GLenum type, const char *body)
{
    const GLuint shader = emscripten_glCreateShader(type);
    const char *const parts[3] = {prologue, shadeSource, body};
    emscripten_glShaderSource(shader, 3, parts, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, compileStatus, &ok);
    if (!ok) {
        char log[2048];
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "velmora: shader does not compile: %s\n", log);
    }
    return shader;
}

}  // namespace

// Built on first use: the context exists only once GLUT has made the window.
void backendUseProgram()
{
    if (backend.program == 0) {
        backend.program = emscripten_glCreateProgram();
        emscripten_glAttachShader(backend.program, compile(vertexShader, vertexMain));
        emscripten_glAttachShader(backend.program, compile(fragmentShader, fragmentMain));
        emscripten_glLinkProgram(backend.program);
        GLint ok = 0;
        emscripten_glGetProgramiv(backend.program, linkStatus, &ok);
        if (!ok) {
            char log[2048];
            emscripten_glGetProgramInfoLog(backend.program, sizeof log, nullptr, log);
            std::fprintf(stderr, "velmora: shader program does not link: %s\n", log);
        }
        for (int i = 0; i < uniformCount; ++i)
            backend.uniforms[i] = emscripten_glGetUniformLocation(backend.program, uniformNames[i]);
        emscripten_glUseProgram(backend.program);
        emscripten_glUniform1i(emscripten_glGetUniformLocation(backend.program, "uTexture"), 0);
        emscripten_glActiveTexture(texture0);
        // The layer's texels are tightly packed.
        emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    emscripten_glUseProgram(backend.program);
}

void backendBindSlot(int index)
{
    Slot &slot = backend.slots[index];
    if (slot.buffer == 0) {
        emscripten_glGenBuffers(1, &slot.buffer);
        emscripten_glGenBuffers(1, &slot.indexBuffer);
        emscripten_glGenVertexArrays(1, &slot.vertexArray);
        emscripten_glBindVertexArray(slot.vertexArray);
        emscripten_glBindBuffer(arrayBuffer, slot.buffer);
        // The vertex array keeps its index buffer bound.
        emscripten_glBindBuffer(elementArrayBuffer, slot.indexBuffer);
        const struct { GLuint index; GLint size; std::size_t offset; } attributes[4] = {
            {0, 3, offsetof(Corner, position)}, {1, 3, offsetof(Corner, normal)},
            {2, 2, offsetof(Corner, texCoord)}, {3, 4, offsetof(Corner, colour)}};
        for (const auto &a : attributes) {
            emscripten_glEnableVertexAttribArray(a.index);
            emscripten_glVertexAttribPointer(a.index, a.size, GL_FLOAT, GL_FALSE, sizeof(Corner),
                                             reinterpret_cast<const void *>(a.offset));
        }
    }
    emscripten_glBindVertexArray(slot.vertexArray);
}

void backendFillSlot(int index, const Indexed &batch)
{
    emscripten_glBindBuffer(arrayBuffer, backend.slots[index].buffer);
    emscripten_glBufferData(arrayBuffer, static_cast<long>(batch.corners.size() * sizeof(Corner)),
                            batch.corners.data(), staticDraw);
    emscripten_glBufferData(elementArrayBuffer, static_cast<long>(batch.indices.size() * sizeof(std::uint32_t)),
                            batch.indices.data(), staticDraw);
}

void backendBindTexture(GLuint name, const Texture &texture)
{
    GpuTexture &gpu = backend.textures[name];
    if (gpu.name == 0)
        emscripten_glGenTextures(1, &gpu.name);
    emscripten_glBindTexture(GL_TEXTURE_2D, gpu.name);
    if (gpu.filled && gpu.revision == texture.revision)
        return;
    const GLenum format = texture.alpha ? GL_RGBA : GL_RGB;
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(texture.alpha ? rgba8 : rgb8), texture.width,
                            texture.height, 0, format, GL_UNSIGNED_BYTE, texture.texels.data());
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(texture.minFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(texture.magFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(texture.wrapS));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(texture.wrapT));
    gpu.revision = texture.revision;
    gpu.filled = true;
}

void backendUniform(Uniform uniform, const float *values)
{
    const GLint location = backend.uniforms[uniform];
    switch (uniform) {
    case uProjection:
    case uModelview: emscripten_glUniformMatrix4fv(location, 1, GL_FALSE, values); break;
    case uNormalMatrix: emscripten_glUniformMatrix3fv(location, 1, GL_FALSE, values); break;
    case uLit: emscripten_glUniform4fv(location, 5, values); break;
    default: break;
    }
}

void backendUniformInt(Uniform uniform, int value)
{
    emscripten_glUniform1i(backend.uniforms[uniform], value);
}

void backendDepthTest(bool on)
{
    (on ? emscripten_glEnable : emscripten_glDisable)(GL_DEPTH_TEST);
}

void backendDrawTriangles(std::size_t count)
{
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), unsignedInt, nullptr);
}

void backendFlush()
{
    emscripten_glFlush();
}

void backendClear(const State &state, GLbitfield mask)
{
    const float *c = state.clearColour;
    emscripten_glClearColor(c[0], c[1], c[2], c[3]);
    emscripten_glClear(mask);
}

void backendViewport(const State &state)
{
    const GLint *v = state.viewport;
    emscripten_glViewport(v[0], v[1], v[2], v[3]);
}

}  // namespace vgl

// The browser has given the canvas a new context: the old one's objects are gone, and WebGL's
// state is its initial one. Everything is made again from the layer's state as it is used.
extern "C" VELMORA_GL_EXPORT void velmora_gl_restore(void)
{
    vgl::backend = vgl::Backend();
    vgl::forgetSent();
    vgl::backendViewport(vgl::glState());
    glutPostRedisplay();
}
