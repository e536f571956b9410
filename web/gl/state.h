// velmora: the GL 1.1 state machine of the browser build's layer: every piece of GL and GLU
// state, the matrices, the error flag and the batches glBegin/glEnd collect. Portable C++
// (the native unit tests link it); it draws through the backend functions declared at the
// end, which webgl.cpp defines in the browser and headless.cpp natively.
//
//   Corner           one collected vertex: object-space position, normal, texcoord, colour
//   Texture          a texture object: parameters and its level-0 texels at 8 bits a sample
//   textureComplete  whether a texture can be sampled (GL 1.1 otherwise draws untextured)
//   State            the whole context; glState() reads it
//   reset            returns the context to GL's initial state (tests; backend objects stay,
//                    but the next draw sends all its state again)
//   normalMatrix     the inverse transpose of a modelview's upper 3 x 3, column-major
//   maxTextureSize   the largest width or height glTexImage2D takes (GL_MAX_TEXTURE_SIZE)
//   backendClear, backendViewport   what the backend is handed outside batches (pipeline.h: batches)
//   VELMORA_GL_EXPORT          marks what the page calls
//   velmora_gl_batches_drawn   a running total for the page
#ifndef VELMORA_WEB_GL_STATE_H
#define VELMORA_WEB_GL_STATE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "include/GL/gl.h"

// Marks a function the page calls, so that the browser build keeps it.
#ifdef __EMSCRIPTEN__
#define VELMORA_GL_EXPORT __attribute__((used))
#else
#define VELMORA_GL_EXPORT
#endif

namespace vgl {

struct Corner {
    float position[3];
    float normal[3];
    float texCoord[2];
    float colour[4];
};

struct Texture {
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrapS = GL_REPEAT;
    GLenum wrapT = GL_REPEAT;
    int width = 0;  // 0: no image yet
    int height = 0;
    bool alpha = false;                 // RGBA texels, else RGB
    std::vector<unsigned char> texels;  // rows bottom first, tightly packed
    unsigned revision = 0;              // bumped whenever the image or a parameter changes
};

bool textureComplete(const Texture &texture);

using Matrix = std::array<float, 16>;  // column-major, as GL keeps it

struct LightState {
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {1, 1, 1, 1};
    float specular[4] = {1, 1, 1, 1};
    float position[4] = {0, 0, 1, 0};  // eye coordinates
};

struct MaterialState {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float specular[4] = {0, 0, 0, 1};
    float emission[4] = {0, 0, 0, 1};
    float shininess = 0;
};

// A bounded set of vertex buffers keyed by their contents, so that a batch drawn again (the
// same ring at 127 scales) is not handed to WebGL again.
struct BatchCache {
    static constexpr int slots = 64;
    struct Entry {
        std::uint64_t hash = 0;
        std::vector<Corner> corners;
        std::uint64_t lastUse = 0;  // 0: empty
    };
    std::array<Entry, slots> entries;
    std::uint64_t clock = 0;
};

struct State {
    GLenum error = GL_NO_ERROR;

    GLenum matrixMode = GL_MODELVIEW;
    Matrix modelview;
    Matrix projection;

    bool depthTest = false;
    bool lighting = false;
    bool light0 = false;
    bool texture2D = false;
    bool genS = false;
    bool genT = false;
    GLenum genModeS = GL_EYE_LINEAR;
    GLenum genModeT = GL_EYE_LINEAR;
    GLenum envMode = GL_MODULATE;
    GLenum shadeModel = GL_SMOOTH;

    LightState light;
    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
    MaterialState front;
    MaterialState back;  // kept, never used: two-sided lighting is off

    // The current normal, texcoord (r and q stay 0 and 1: only glTexCoord2f sets it) and colour,
    // kept as the corner glVertex copies.
    Corner current = {{0, 0, 0}, {0, 0, 1}, {0, 0}, {1, 1, 1, 1}};

    float clearColour[4] = {0, 0, 0, 0};
    GLint viewport[4] = {0, 0, 0, 0};
    GLint unpackAlignment = 4;

    std::unordered_map<GLuint, Texture> textures;  // name 0 is the default texture
    GLuint bound = 0;

    bool inBatch = false;
    std::vector<Corner> batch;
    BatchCache cache;

    State();
};

const State &glState();
void reset();

std::array<float, 9> normalMatrix(const Matrix &modelview);

// WebGL 2 guarantees 2048; the program's largest picture is 512.
constexpr GLint maxTextureSize = 2048;

void backendClear(const State &state, GLbitfield mask);
void backendViewport(const State &state);

}  // namespace vgl

// Batches drawn since start-up.
extern "C" unsigned velmora_gl_batches_drawn(void);

#endif
