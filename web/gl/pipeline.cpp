// velmora: the browser build's layer hands WebGL each batch's state only where it differs from
// what WebGL holds: a record of every value last sent, compared before each call.
#include "pipeline.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "shade.h"

namespace vgl {

const char *const uniformNames[uniformCount] = {"uProjection", "uModelview", "uNormalMatrix", "uLit",
                                                "uSwitches"};

namespace {

// What lighting depends on; the Lit formed from it is kept while it stays the same. All floats,
// so no padding: records compare bytewise.
struct LitInputs {
    float sceneAmbient[4];
    LightState light;
    MaterialState front;
    float lightOn;
};

// What WebGL holds. `valid` false: nothing, as in a fresh context.
struct Sent {
    bool valid = false;
    int slot = 0;
    std::bitset<BatchCache::slots> filled;  // the slots whose buffers hold their entry's corners
    bool textured = false;                  // whether a texture has been bound
    GLuint texture = 0;
    unsigned textureRevision = 0;
    bool depthTest = false;
    Matrix projection{};
    Matrix modelview{};
    LitInputs litInputs{};
    int switches = 0;
    std::size_t unflushed = 0;  // corners drawn since the last flush
} sent;

std::uint64_t uploadedBytes = 0;

bool differs(const void *a, const void *b, std::size_t bytes)
{
    return std::memcmp(a, b, bytes) != 0;
}

void sendMatrices(const State &state)
{
    if (!sent.valid || differs(&sent.projection, &state.projection, sizeof(Matrix))) {
        sent.projection = state.projection;
        backendUniform(uProjection, state.projection.data());
    }
    if (!sent.valid || differs(&sent.modelview, &state.modelview, sizeof(Matrix))) {
        sent.modelview = state.modelview;
        backendUniform(uModelview, state.modelview.data());
        backendUniform(uNormalMatrix, normalMatrix(state.modelview).data());
    }
}

// Forms the Lit only when the light, the material or the scene's ambient has changed.
void sendLighting(const State &state)
{
    LitInputs in;
    std::memcpy(in.sceneAmbient, state.sceneAmbient, sizeof in.sceneAmbient);
    in.light = state.light;
    in.front = state.front;
    in.lightOn = state.light0 ? 1.0f : 0.0f;
    if (sent.valid && !differs(&sent.litInputs, &in, sizeof in))
        return;
    sent.litInputs = in;
    const auto v4 = [](const float *f) { return vec4(f[0], f[1], f[2], f[3]); };
    const MaterialState &f = state.front;
    const LightState &l = state.light;
    const Lit lit = litProducts(v4(state.sceneAmbient),
                                Material{v4(f.emission), v4(f.ambient), v4(f.diffuse), v4(f.specular), f.shininess},
                                Light{v4(l.ambient), v4(l.diffuse), v4(l.specular), v4(l.position)}, state.light0);
    const float values[20] = {lit.base.x,     lit.base.y,     lit.base.z,     lit.base.w,
                              lit.diffuse.x,  lit.diffuse.y,  lit.diffuse.z,  lit.diffuse.w,
                              lit.specular.x, lit.specular.y, lit.specular.z, lit.specular.w,
                              lit.position.x, lit.position.y, lit.position.z, lit.position.w,
                              lit.shininess,  lit.alpha,      0,              0};
    backendUniform(uLit, values);
}

int switchesOf(const State &state, const Draw &draw)
{
    return (state.lighting ? switchLighting : 0) | (state.light0 ? switchLight0 : 0) |
           (state.genS ? switchGenS : 0) | (state.genT ? switchGenT : 0) |
           (draw.texture ? switchTextured : 0) | (state.envMode == GL_DECAL ? switchDecal : 0);
}

}  // namespace

Indexed indexCorners(const Corner *corners, std::size_t count)
{
    Indexed batch;
    batch.indices.reserve(count);
    // Keyed by the corner's bytes in `corners`, which outlive the map.
    std::unordered_map<std::string_view, std::uint32_t> seen;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view key(reinterpret_cast<const char *>(corners + i), sizeof(Corner));
        const auto [at, added] = seen.emplace(key, static_cast<std::uint32_t>(batch.corners.size()));
        if (added)
            batch.corners.push_back(corners[i]);
        batch.indices.push_back(at->second);
    }
    return batch;
}

void sendDraw(const State &state, const Draw &draw)
{
    if (!sent.valid)
        backendUseProgram();
    if (!sent.valid || sent.slot != draw.slot) {
        backendBindSlot(draw.slot);
        sent.slot = draw.slot;
    }
    const auto slot = static_cast<std::size_t>(draw.slot);
    if (draw.fill || !sent.filled[slot]) {
        const Indexed batch = indexCorners(draw.corners, draw.count);
        backendFillSlot(draw.slot, batch);
        uploadedBytes += batch.corners.size() * sizeof(Corner) + batch.indices.size() * sizeof(std::uint32_t);
        sent.filled[slot] = true;
    }
    if (!sent.valid || sent.depthTest != state.depthTest) {
        backendDepthTest(state.depthTest);
        sent.depthTest = state.depthTest;
    }
    if (draw.texture && (!sent.textured || sent.texture != draw.textureName ||
                         sent.textureRevision != draw.texture->revision)) {
        backendBindTexture(draw.textureName, *draw.texture);
        sent.textured = true;
        sent.texture = draw.textureName;
        sent.textureRevision = draw.texture->revision;
    }
    sendMatrices(state);
    sendLighting(state);
    const int switches = switchesOf(state, draw);
    if (!sent.valid || sent.switches != switches) {
        backendUniformInt(uSwitches, switches);
        sent.switches = switches;
    }
    sent.valid = true;
    backendDrawTriangles(draw.count);
    sent.unflushed += draw.count;
    if (sent.unflushed >= cornersPerFlush) {
        backendFlush();
        sent.unflushed = 0;
    }
}

void forgetSent()
{
    sent = Sent();
}

}  // namespace vgl

extern "C" VELMORA_GL_EXPORT unsigned velmora_gl_uploaded_bytes(void)
{
    return static_cast<unsigned>(vgl::uploadedBytes);
}
