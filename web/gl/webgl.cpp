// velmora: the WebGL 2 backend of the browser build's layer: one shader program built from
// shade.h, a vertex buffer per batch-cache slot, a WebGL texture per GL texture object.
// It calls emscripten's WebGL functions by their emscripten_gl names, because the layer
// itself defines the glX names the program calls.
#include <cstddef>
#include <cstdio>
#include <unordered_map>

#include "shade.h"
#include "shade_source.h"
#include "state.h"

namespace {

// WebGL 2 names GL 1.1 does not have.
constexpr GLenum arrayBuffer = 0x8892;
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
void emscripten_glUniform1f(GLint location, GLfloat v);
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
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
}

namespace vgl {

namespace {

const char *const vertexMain = R"(
uniform mat4 uProjection;
uniform mat4 uModelview;
uniform mat3 uNormalMatrix;
uniform bool uLighting;
uniform bool uLight0;
uniform vec4 uSceneAmbient;
uniform vec4 uLightAmbient;
uniform vec4 uLightDiffuse;
uniform vec4 uLightSpecular;
uniform vec4 uLightPosition;
uniform vec4 uEmission;
uniform vec4 uAmbient;
uniform vec4 uDiffuse;
uniform vec4 uSpecular;
uniform float uShininess;
uniform bool uGenS;
uniform bool uGenT;
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexCoord;
layout(location = 3) in vec4 aColour;
out vec4 vColour;
out vec2 vTexCoord;
void main()
{
    vec4 eye = uModelview * vec4(aPosition, 1.0);
    vec3 normal = uNormalMatrix * aNormal;
    if (uLighting) {
        Material m = Material(uEmission, uAmbient, uDiffuse, uSpecular, uShininess);
        Light l = Light(uLightAmbient, uLightDiffuse, uLightSpecular, uLightPosition);
        vColour = lightVertex(normal, eye.xyz, uSceneAmbient, m, l, uLight0);
    } else {
        vColour = clamp(aColour, 0.0, 1.0);
    }
    vec2 sphere = sphereMap(eye.xyz, normal);
    vTexCoord = vec2(uGenS ? sphere.x : aTexCoord.x, uGenT ? sphere.y : aTexCoord.y);
    gl_Position = uProjection * uModelview * vec4(aPosition, 1.0);
}
)";

const char *const fragmentMain = R"(
uniform bool uTextured;
uniform int uEnvMode;
uniform sampler2D uTexture;
in vec4 vColour;
in vec2 vTexCoord;
out vec4 fragColour;
void main()
{
    fragColour = uTextured ? textureEnvironment(vColour, texture(uTexture, vTexCoord), uEnvMode) : vColour;
}
)";

const char *const prologue =
    "#version 300 es\n#define VELMORA_GLSL 1\nprecision highp float;\nprecision highp int;\n";

enum Uniform {
    uProjection, uModelview, uNormalMatrix, uLighting, uLight0, uSceneAmbient, uLightAmbient,
    uLightDiffuse, uLightSpecular, uLightPosition, uEmission, uAmbient, uDiffuse, uSpecular,
    uShininess, uGenS, uGenT, uTextured, uEnvMode, uTexture, uniformCount
};
const char *const uniformNames[uniformCount] = {
    "uProjection", "uModelview", "uNormalMatrix", "uLighting", "uLight0", "uSceneAmbient", "uLightAmbient",
    "uLightDiffuse", "uLightSpecular", "uLightPosition", "uEmission", "uAmbient", "uDiffuse", "uSpecular",
    "uShininess", "uGenS", "uGenT", "uTextured", "uEnvMode", "uTexture"};

struct Slot {
    GLuint buffer = 0;
    GLuint vertexArray = 0;
};

struct GpuTexture {
    GLuint name = 0;
    unsigned revision = 0;
    bool filled = false;
};

struct Backend {
    GLuint program = 0;
    GLint uniforms[uniformCount] = {};
    Slot slots[BatchCache::slots];
    std::unordered_map<GLuint, GpuTexture> textures;
    bool depthTest = false;
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

// Built on first use: the context exists only once GLUT has made the window.
void useProgram()
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
        // The layer's texels are tightly packed.
        emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    emscripten_glUseProgram(backend.program);
}

void bindSlot(const Draw &draw)
{
    Slot &slot = backend.slots[draw.slot];
    if (slot.buffer == 0) {
        emscripten_glGenBuffers(1, &slot.buffer);
        emscripten_glGenVertexArrays(1, &slot.vertexArray);
        emscripten_glBindVertexArray(slot.vertexArray);
        emscripten_glBindBuffer(arrayBuffer, slot.buffer);
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
    if (draw.upload) {
        emscripten_glBindBuffer(arrayBuffer, slot.buffer);
        emscripten_glBufferData(arrayBuffer, static_cast<long>(draw.count * sizeof(Corner)), draw.upload,
                                staticDraw);
    }
}

void bindTexture(const Texture &texture, GLuint name)
{
    GpuTexture &gpu = backend.textures[name];
    if (gpu.name == 0)
        emscripten_glGenTextures(1, &gpu.name);
    emscripten_glActiveTexture(texture0);
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

}  // namespace

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

void backendDraw(const State &state, const Draw &draw)
{
    useProgram();
    bindSlot(draw);
    if (state.depthTest != backend.depthTest) {
        (state.depthTest ? emscripten_glEnable : emscripten_glDisable)(GL_DEPTH_TEST);
        backend.depthTest = state.depthTest;
    }
    const GLint *u = backend.uniforms;
    emscripten_glUniformMatrix4fv(u[uProjection], 1, GL_FALSE, state.projection.data());
    emscripten_glUniformMatrix4fv(u[uModelview], 1, GL_FALSE, state.modelview.data());
    emscripten_glUniformMatrix3fv(u[uNormalMatrix], 1, GL_FALSE, normalMatrix(state.modelview).data());
    emscripten_glUniform1i(u[uLighting], state.lighting);
    emscripten_glUniform1i(u[uLight0], state.light0);
    emscripten_glUniform4fv(u[uSceneAmbient], 1, state.sceneAmbient);
    emscripten_glUniform4fv(u[uLightAmbient], 1, state.light.ambient);
    emscripten_glUniform4fv(u[uLightDiffuse], 1, state.light.diffuse);
    emscripten_glUniform4fv(u[uLightSpecular], 1, state.light.specular);
    emscripten_glUniform4fv(u[uLightPosition], 1, state.light.position);
    emscripten_glUniform4fv(u[uEmission], 1, state.front.emission);
    emscripten_glUniform4fv(u[uAmbient], 1, state.front.ambient);
    emscripten_glUniform4fv(u[uDiffuse], 1, state.front.diffuse);
    emscripten_glUniform4fv(u[uSpecular], 1, state.front.specular);
    emscripten_glUniform1f(u[uShininess], state.front.shininess);
    emscripten_glUniform1i(u[uGenS], state.genS);
    emscripten_glUniform1i(u[uGenT], state.genT);
    emscripten_glUniform1i(u[uTextured], draw.texture != nullptr);
    emscripten_glUniform1i(u[uEnvMode], state.envMode == GL_DECAL ? envDecal : envModulate);
    emscripten_glUniform1i(u[uTexture], 0);
    if (draw.texture)
        bindTexture(*draw.texture, draw.textureName);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(draw.count));
}

}  // namespace vgl
