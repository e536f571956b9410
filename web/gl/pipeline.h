// velmora: what the browser build's layer hands WebGL for a batch, and only what WebGL does not
// hold already. WebGL keeps the program in use, the bound vertex array and texture and every
// uniform's value between calls; each call it is sent costs a validation and a trip to the
// browser's GPU process, so a draw sends only the values that changed since the one before.
// Portable C++: the native unit tests record what it sends.
//
//   Uniform, uniformNames   the shaders' inputs, each sent in one WebGL call, and their GLSL names
//   Draw                    one batch, as the state machine hands it over
//   Indexed, indexCorners   a batch as its distinct corners and, per corner, the index of its own
//   sendDraw                draws a batch, sending first what WebGL lacks of its state, and
//                           flushes after each cornersPerFlush corners drawn
//   forgetSent              WebGL holds nothing any more (a new context): the next draw sends all
//   backend...              the WebGL calls themselves: webgl.cpp in the browser, headless.cpp natively
//   velmora_gl_uploaded_bytes   bytes of corners and indices handed to WebGL since start-up
#ifndef VELMORA_WEB_GL_PIPELINE_H
#define VELMORA_WEB_GL_PIPELINE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "state.h"

namespace vgl {

enum Uniform {
    uProjection,    // mat4
    uModelview,     // mat4
    uNormalMatrix,  // mat3, the modelview's
    uLit,           // vec4[5]: shade.h's Lit, the shininess and alpha in the fifth
    uSwitches,      // int: shade.h's switch bits
    uniformCount
};
extern const char *const uniformNames[uniformCount];

// `slot` names the cache entry whose buffer holds the `count` corners at `corners`; `fill` says
// that the entry has just taken them, so its buffer must be filled again.
struct Draw {
    int slot;
    bool fill;
    const Corner *corners;
    std::size_t count;
    const Texture *texture;  // null: drawn untextured
    GLuint textureName;
};

// A corner shared by several triangles (a ring's edge, a quad's diagonal) is shaded once per draw
// instead of once per triangle; corners are the same only when every byte is.
struct Indexed {
    std::vector<Corner> corners;
    std::vector<std::uint32_t> indices;
};
Indexed indexCorners(const Corner *corners, std::size_t count);

// Software GL under a browser (llvmpipe in chromium's GPU process) keeps a frame's triangles
// until a flush; past a few thousand of them its memory goes back to the kernel at every frame's
// end and is faulted in again, which cost that process more than the drawing itself.
constexpr std::size_t cornersPerFlush = 8192;

void sendDraw(const State &state, const Draw &draw);
void forgetSent();

// The program is built on its first use, with its sampler on texture unit 0.
void backendUseProgram();
// The slot's vertex array, made with its buffer on first use.
void backendBindSlot(int slot);
// Replaces the bound slot's corners and indices.
void backendFillSlot(int slot, const Indexed &batch);
// Binds the texture on unit 0, sending its texels and parameters when they are new to WebGL.
void backendBindTexture(GLuint name, const Texture &texture);
void backendUniform(Uniform uniform, const float *values);
void backendUniformInt(Uniform uniform, int value);
void backendDepthTest(bool on);
// Draws the bound slot's `count` indices as triangles.
void backendDrawTriangles(std::size_t count);
// Hands WebGL's queued commands to the GL below it now.
void backendFlush();

}  // namespace vgl

extern "C" unsigned velmora_gl_uploaded_bytes(void);

#endif
