// velmora: the GL 1.1 and GLU entry points of the browser build's layer, over the state in
// state.h. Matrices are kept and multiplied in single precision, as desktop Mesa keeps them.
#include "state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "include/GL/glu.h"
#include "pipeline.h"

namespace vgl {

namespace {

State state;
std::uint64_t batchesDrawn = 0;

const Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// GL keeps the first error until glGetError reads it.
void raise(GLenum error)
{
    if (state.error == GL_NO_ERROR)
        state.error = error;
}

// Raises `error` when `condition` holds, and says whether it did.
bool rejected(bool condition, GLenum error)
{
    if (condition)
        raise(error);
    return condition;
}

// Only the vertex calls and glMaterial may come between glBegin and glEnd.
bool outsideBatch()
{
    if (state.inBatch)
        raise(GL_INVALID_OPERATION);
    return !state.inBatch;
}

Matrix &current()
{
    return state.matrixMode == GL_PROJECTION ? state.projection : state.modelview;
}

// current = current x m, each element summed left to right in float.
void multiply(const Matrix &m)
{
    Matrix &a = current();
    const Matrix p = a;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            a[col * 4 + row] = p[row] * m[col * 4] + p[4 + row] * m[col * 4 + 1] +
                               p[8 + row] * m[col * 4 + 2] + p[12 + row] * m[col * 4 + 3];
}

void translate(float x, float y, float z)
{
    Matrix &m = current();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

bool validFace(GLenum face)
{
    return face == GL_FRONT || face == GL_BACK || face == GL_FRONT_AND_BACK;
}

void setMaterial(GLenum face, GLenum pname, const GLfloat *params)
{
    const auto set = [&](MaterialState &m) {
        switch (pname) {
        case GL_AMBIENT: std::memcpy(m.ambient, params, sizeof m.ambient); break;
        case GL_DIFFUSE: std::memcpy(m.diffuse, params, sizeof m.diffuse); break;
        case GL_SPECULAR: std::memcpy(m.specular, params, sizeof m.specular); break;
        case GL_EMISSION: std::memcpy(m.emission, params, sizeof m.emission); break;
        case GL_SHININESS: m.shininess = params[0]; break;
        case GL_AMBIENT_AND_DIFFUSE:
            std::memcpy(m.ambient, params, sizeof m.ambient);
            std::memcpy(m.diffuse, params, sizeof m.diffuse);
            break;
        default: break;
        }
    };
    if (face != GL_BACK)
        set(state.front);
    if (face != GL_FRONT)
        set(state.back);
}

std::uint64_t hashCorners(const Corner *corners, std::size_t count)
{
    // A sample of the 64-bit words (a Corner is six): the exact comparison that follows a match
    // decides, so the hash need only tell most different batches apart, and cheaply.
    const auto *bytes = reinterpret_cast<const unsigned char *>(corners);
    const std::size_t words = count * sizeof(Corner) / 8;
    std::uint64_t h = 0xcbf29ce484222325u ^ count;
    for (std::size_t i = 0; i < words; i += words < 64 ? 1 : 13) {
        std::uint64_t w;
        std::memcpy(&w, bytes + i * 8, 8);
        h = (h ^ w) * 0x100000001b3u;
        h ^= h >> 29;
    }
    return h;
}

// Finds the cache entry holding these corners, or fills the least recently used one. Returns
// the slot and whether its buffer must be filled first.
int cacheSlot(const Corner *corners, std::size_t count, bool &fill)
{
    BatchCache &cache = state.cache;
    const std::uint64_t hash = hashCorners(corners, count);
    const std::size_t bytes = count * sizeof(Corner);
    int oldest = 0;
    for (int i = 0; i < BatchCache::slots; ++i) {
        BatchCache::Entry &e = cache.entries[static_cast<std::size_t>(i)];
        if (e.lastUse != 0 && e.hash == hash && e.corners.size() == count &&
            std::memcmp(e.corners.data(), corners, bytes) == 0) {
            e.lastUse = ++cache.clock;
            fill = false;
            return i;
        }
        if (e.lastUse < cache.entries[static_cast<std::size_t>(oldest)].lastUse)
            oldest = i;
    }
    BatchCache::Entry &e = cache.entries[static_cast<std::size_t>(oldest)];
    e.hash = hash;
    e.corners.assign(corners, corners + count);
    e.lastUse = ++cache.clock;
    fill = true;
    return oldest;
}

// Draws the whole triangles collected so far with the state as it is now.
void flushBatch()
{
    const std::size_t count = state.batch.size() / 3 * 3;
    if (count == 0)
        return;
    // Only sphere-map generation is drawn; GL's default, eye-linear, is not.
    const bool eyeLinear = (state.genS && state.genModeS != GL_SPHERE_MAP) ||
                           (state.genT && state.genModeT != GL_SPHERE_MAP);
    if (rejected(eyeLinear, GL_INVALID_OPERATION))
        return;
    Draw draw{};
    draw.slot = cacheSlot(state.batch.data(), count, draw.fill);
    draw.corners = state.batch.data();
    draw.count = count;
    if (state.texture2D) {
        const Texture &t = state.textures[state.bound];
        if (textureComplete(t)) {
            draw.texture = &t;
            draw.textureName = state.bound;
        }
    }
    sendDraw(state, draw);
    ++batchesDrawn;
}

bool isPowerOfTwo(GLsizei n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// GL stores GL_RGB unsigned shorts at 8 bits as the nearest of 255 steps: v * 255 / 65535 is
// v / 257, never exactly halfway, so adding half the divisor rounds it.
unsigned char narrow(std::uint16_t v)
{
    return static_cast<unsigned char>((v + 128u) / 257u);
}

}  // namespace

State::State() : modelview(identity), projection(identity)
{
    batch.reserve(4096);
    textures[0];
}

bool textureComplete(const Texture &t)
{
    const bool mipmapped = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
    return t.width > 0 && !mipmapped;
}

const State &glState()
{
    return state;
}

void reset()
{
    state = State();
    forgetSent();
}

std::array<float, 9> normalMatrix(const Matrix &mv)
{
    // Cofactors of the upper 3 x 3 times the reciprocal determinant give its inverse; its
    // transpose is the cofactor matrix itself.
    const auto a = [&](int row, int col) { return mv[static_cast<std::size_t>(col * 4 + row)]; };
    const float c00 = a(1, 1) * a(2, 2) - a(2, 1) * a(1, 2);
    const float c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2);
    const float c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const float det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    const float inv = det == 0.0f ? 0.0f : 1.0f / det;
    std::array<float, 9> n;
    // n(row, col) = cofactor(row, col) / det, stored column-major.
    n[0] = c00 * inv;
    n[3] = c01 * inv;
    n[6] = c02 * inv;
    n[1] = (a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2)) * inv;
    n[4] = (a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0)) * inv;
    n[7] = (a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)) * inv;
    n[2] = (a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)) * inv;
    n[5] = (a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)) * inv;
    n[8] = (a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)) * inv;
    return n;
}

}  // namespace vgl

using namespace vgl;

extern "C" {

VELMORA_GL_EXPORT unsigned velmora_gl_batches_drawn(void)
{
    return static_cast<unsigned>(batchesDrawn);
}

void glBegin(GLenum mode)
{
    if (!outsideBatch())
        return;
    if (rejected(mode != GL_TRIANGLES, GL_INVALID_ENUM))
        return;
    state.inBatch = true;
    state.batch.clear();
}

void glEnd(void)
{
    if (rejected(!state.inBatch, GL_INVALID_OPERATION))
        return;
    state.inBatch = false;
    flushBatch();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!state.inBatch)
        return;  // GL leaves a vertex outside glBegin/glEnd undefined: it is dropped
    Corner &c = state.batch.emplace_back(state.current);
    c.position[0] = x;
    c.position[1] = y;
    c.position[2] = z;
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    float *n = state.current.normal;
    n[0] = nx;
    n[1] = ny;
    n[2] = nz;
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    state.current.texCoord[0] = s;
    state.current.texCoord[1] = t;
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    float *c = state.current.colour;
    c[0] = red;
    c[1] = green;
    c[2] = blue;
    c[3] = 1;
}

static void setCapability(GLenum cap, bool on)
{
    if (!outsideBatch())
        return;
    switch (cap) {
    case GL_DEPTH_TEST: state.depthTest = on; break;
    case GL_LIGHTING: state.lighting = on; break;
    case GL_LIGHT0: state.light0 = on; break;
    case GL_TEXTURE_2D: state.texture2D = on; break;
    case GL_TEXTURE_GEN_S: state.genS = on; break;
    case GL_TEXTURE_GEN_T: state.genT = on; break;
    default: raise(GL_INVALID_ENUM); break;
    }
}

void glEnable(GLenum cap)
{
    setCapability(cap, true);
}

void glDisable(GLenum cap)
{
    setCapability(cap, false);
}

void glClear(GLbitfield mask)
{
    if (!outsideBatch())
        return;
    const GLbitfield drawn = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
    if (rejected((mask & ~drawn) != 0, GL_INVALID_VALUE))
        return;
    backendClear(state, mask);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    if (!outsideBatch())
        return;
    const float c[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i)
        state.clearColour[i] = c[i] < 0 ? 0 : c[i] > 1 ? 1 : c[i];
}

void glShadeModel(GLenum mode)
{
    if (!outsideBatch())
        return;
    if (rejected(mode != GL_SMOOTH, GL_INVALID_ENUM))  // flat shading is not drawn
        return;
    state.shadeModel = mode;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (!outsideBatch())
        return;
    if (rejected(width < 0 || height < 0, GL_INVALID_VALUE))
        return;
    state.viewport[0] = x;
    state.viewport[1] = y;
    state.viewport[2] = width;
    state.viewport[3] = height;
    backendViewport(state);
}

void glMatrixMode(GLenum mode)
{
    if (!outsideBatch())
        return;
    if (rejected(mode != GL_MODELVIEW && mode != GL_PROJECTION, GL_INVALID_ENUM))
        return;
    state.matrixMode = mode;
}

void glLoadIdentity(void)
{
    if (outsideBatch())
        current() = identity;
}

void glRotated(GLdouble angleIn, GLdouble xIn, GLdouble yIn, GLdouble zIn)
{
    if (!outsideBatch())
        return;
    const float angle = static_cast<float>(angleIn);
    float x = static_cast<float>(xIn), y = static_cast<float>(yIn), z = static_cast<float>(zIn);
    const double radians = static_cast<double>(angle) * 3.14159265358979323846 / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    Matrix m = identity;
    // About a coordinate axis the other axis's row and column stay exactly the identity's.
    if (x == 0 && y == 0 && z != 0) {
        const float sz = z < 0 ? -s : s;
        m[0] = c, m[1] = sz, m[4] = -sz, m[5] = c;
    } else if (x == 0 && z == 0 && y != 0) {
        const float sy = y < 0 ? -s : s;
        m[0] = c, m[2] = -sy, m[8] = sy, m[10] = c;
    } else if (y == 0 && z == 0 && x != 0) {
        const float sx = x < 0 ? -s : s;
        m[5] = c, m[6] = sx, m[9] = -sx, m[10] = c;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;  // no axis: GL leaves the matrix as it is
        x /= length, y /= length, z /= length;
        const float k = 1.0f - c;
        m[0] = x * x * k + c, m[4] = x * y * k - z * s, m[8] = x * z * k + y * s;
        m[1] = y * x * k + z * s, m[5] = y * y * k + c, m[9] = y * z * k - x * s;
        m[2] = x * z * k - y * s, m[6] = y * z * k + x * s, m[10] = z * z * k + c;
    }
    multiply(m);
}

void glScaled(GLdouble xIn, GLdouble yIn, GLdouble zIn)
{
    if (!outsideBatch())
        return;
    const float f[3] = {static_cast<float>(xIn), static_cast<float>(yIn), static_cast<float>(zIn)};
    Matrix &m = current();
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 4; ++row)
            m[static_cast<std::size_t>(col * 4 + row)] *= f[col];
}

void glLightfv(GLenum light, GLenum pname, const GLfloat *params)
{
    if (!outsideBatch())
        return;
    if (rejected(light != GL_LIGHT0, GL_INVALID_ENUM))  // one light is enough for the viewer
        return;
    LightState &l = state.light;
    switch (pname) {
    case GL_AMBIENT: std::memcpy(l.ambient, params, sizeof l.ambient); break;
    case GL_DIFFUSE: std::memcpy(l.diffuse, params, sizeof l.diffuse); break;
    case GL_SPECULAR: std::memcpy(l.specular, params, sizeof l.specular); break;
    case GL_POSITION: {
        // Fixed in eye coordinates by the modelview matrix of this moment.
        const Matrix &m = state.modelview;
        for (int row = 0; row < 4; ++row)
            l.position[row] = m[row] * params[0] + m[4 + row] * params[1] + m[8 + row] * params[2] +
                              m[12 + row] * params[3];
        break;
    }
    default: raise(GL_INVALID_ENUM); break;
    }
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    if (rejected(!validFace(face), GL_INVALID_ENUM))
        return;
    switch (pname) {
    case GL_AMBIENT:
    case GL_DIFFUSE:
    case GL_SPECULAR:
    case GL_EMISSION:
    case GL_AMBIENT_AND_DIFFUSE: break;
    case GL_SHININESS:
        if (params[0] < 0 || params[0] > 128) {
            raise(GL_INVALID_VALUE);
            return;
        }
        break;
    default: raise(GL_INVALID_ENUM); return;
    }
    if (state.inBatch) {
        // A change inside a batch applies from the next vertex on: draw the triangles before
        // it with the old material. One that splits a triangle is not drawn.
        if (state.batch.size() % 3 != 0) {
            raise(GL_INVALID_OPERATION);
            return;
        }
        flushBatch();
        state.batch.clear();
    }
    setMaterial(face, pname, params);
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    if (rejected(pname != GL_SHININESS, GL_INVALID_ENUM))
        return;
    glMaterialfv(face, pname, &param);
}

void glTexGeni(GLenum coord, GLenum pname, GLint param)
{
    if (!outsideBatch())
        return;
    if (rejected((coord != GL_S && coord != GL_T) || pname != GL_TEXTURE_GEN_MODE ||
                     param != static_cast<GLint>(GL_SPHERE_MAP),
                 GL_INVALID_ENUM))
        return;
    (coord == GL_S ? state.genModeS : state.genModeT) = GL_SPHERE_MAP;
}

void glTexEnvf(GLenum target, GLenum pname, GLfloat param)
{
    if (!outsideBatch())
        return;
    const bool isModulate = param == static_cast<GLfloat>(GL_MODULATE);
    const bool isDecal = param == static_cast<GLfloat>(GL_DECAL);
    if (rejected(target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE || (!isModulate && !isDecal),
                 GL_INVALID_ENUM))
        return;
    state.envMode = isDecal ? GL_DECAL : GL_MODULATE;
}

void glTexParameteri(GLenum target, GLenum pname, GLint paramIn)
{
    if (!outsideBatch())
        return;
    const auto param = static_cast<GLenum>(paramIn);
    if (rejected(target != GL_TEXTURE_2D, GL_INVALID_ENUM))
        return;
    Texture &t = state.textures[state.bound];
    bool valid = false;
    switch (pname) {
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T:
        // GL 1.1's GL_CLAMP samples a border colour WebGL does not have.
        valid = param == GL_REPEAT;
        if (valid)
            (pname == GL_TEXTURE_WRAP_S ? t.wrapS : t.wrapT) = param;
        break;
    case GL_TEXTURE_MAG_FILTER:
        valid = param == GL_NEAREST || param == GL_LINEAR;
        if (valid)
            t.magFilter = param;
        break;
    case GL_TEXTURE_MIN_FILTER:
        valid = param == GL_NEAREST || param == GL_LINEAR || param == GL_NEAREST_MIPMAP_NEAREST ||
                param == GL_LINEAR_MIPMAP_NEAREST || param == GL_NEAREST_MIPMAP_LINEAR ||
                param == GL_LINEAR_MIPMAP_LINEAR;
        if (valid)
            t.minFilter = param;
        break;
    default: break;
    }
    if (rejected(!valid, GL_INVALID_ENUM))
        return;
    ++t.revision;
}

void glPixelStorei(GLenum pname, GLint param)
{
    if (!outsideBatch())
        return;
    if (rejected(pname != GL_UNPACK_ALIGNMENT, GL_INVALID_ENUM))
        return;
    if (rejected(param != 1 && param != 2 && param != 4 && param != 8, GL_INVALID_VALUE))
        return;
    state.unpackAlignment = param;
}

void glGenTextures(GLsizei n, GLuint *textures)
{
    if (!outsideBatch())
        return;
    if (rejected(n < 0, GL_INVALID_VALUE))
        return;
    GLuint name = 1;
    for (GLsizei i = 0; i < n; ++i) {
        while (state.textures.count(name) != 0)
            ++name;
        state.textures[name];
        textures[i] = name;
    }
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (!outsideBatch())
        return;
    if (rejected(target != GL_TEXTURE_2D, GL_INVALID_ENUM))
        return;
    state.textures[texture];  // GL 1.1 makes a texture object for a name on its first binding
    state.bound = texture;
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid *pixels)
{
    if (!outsideBatch())
        return;
    // The two uploads the viewer makes: 8-bit RGBA, and 16-bit RGB stored at 8 bits.
    const bool rgba = format == GL_RGBA && type == GL_UNSIGNED_BYTE;
    const bool rgb16 = format == GL_RGB && type == GL_UNSIGNED_SHORT;
    if (rejected(target != GL_TEXTURE_2D || (!rgba && !rgb16), GL_INVALID_ENUM))
        return;
    const bool formatMatches = rgba ? (internalformat == GL_RGBA || internalformat == 4)
                                    : (internalformat == GL_RGB || internalformat == 3);
    // Only level 0 without a border; GL 1.1 sizes are powers of two, at most the size the layer
    // reports. Checked before any size is computed: a larger one would wrap a 32-bit size_t.
    const bool sized = isPowerOfTwo(width) && isPowerOfTwo(height) && width <= maxTextureSize &&
                       height <= maxTextureSize;
    if (rejected(level != 0 || border != 0 || !formatMatches || !sized, GL_INVALID_VALUE))
        return;
    Texture &t = state.textures[state.bound];
    const int components = rgba ? 4 : 3;
    const std::size_t sampleBytes = rgba ? 1 : 2;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components * sampleBytes;
    const auto alignment = static_cast<std::size_t>(state.unpackAlignment);
    const std::size_t stride =
        sampleBytes >= alignment ? rowBytes : (rowBytes + alignment - 1) / alignment * alignment;
    t.width = width;
    t.height = height;
    t.alpha = rgba;
    t.texels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * components);
    if (pixels == nullptr) {
        std::fill(t.texels.begin(), t.texels.end(), 0);  // GL leaves the contents undefined
        ++t.revision;
        return;
    }
    const auto *source = static_cast<const unsigned char *>(pixels);
    const std::size_t samples = static_cast<std::size_t>(width) * components;
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
        unsigned char *out = t.texels.data() + row * samples;
        const unsigned char *in = source + row * stride;
        if (rgba) {
            std::memcpy(out, in, samples);
            continue;
        }
        for (std::size_t i = 0; i < samples; ++i) {
            std::uint16_t v;
            std::memcpy(&v, in + i * 2, 2);
            out[i] = narrow(v);
        }
    }
    ++t.revision;
}

void glGetIntegerv(GLenum pname, GLint *params)
{
    if (!outsideBatch())
        return;
    if (rejected(pname != GL_MAX_TEXTURE_SIZE, GL_INVALID_ENUM))  // the one value the layer reports
        return;
    params[0] = maxTextureSize;
}

GLenum glGetError(void)
{
    if (state.inBatch) {
        raise(GL_INVALID_OPERATION);
        return 0;
    }
    const GLenum error = state.error;
    state.error = GL_NO_ERROR;
    return error;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    if (!outsideBatch())
        return;
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    // Formed in double and multiplied in as a matrix, as GLU does.
    Matrix m{};
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    m[11] = -1;
    m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
    multiply(m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    if (!outsideBatch())
        return;
    // In float, as GLU's own computes it.
    const auto normalise = [](float v[3]) {
        const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
        if (r == 0.0f)
            return;
        v[0] /= r, v[1] /= r, v[2] /= r;
    };
    const auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalise(forward);
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);
    Matrix m = identity;
    for (int i = 0; i < 3; ++i) {
        m[static_cast<std::size_t>(i * 4)] = side[i];
        m[static_cast<std::size_t>(i * 4 + 1)] = up[i];
        m[static_cast<std::size_t>(i * 4 + 2)] = -forward[i];
    }
    multiply(m);
    translate(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

const GLubyte *gluErrorString(GLenum error)
{
    const char *text = nullptr;
    switch (error) {
    case GL_NO_ERROR: text = "no error"; break;
    case GL_INVALID_ENUM: text = "invalid enumerant"; break;
    case GL_INVALID_VALUE: text = "invalid value"; break;
    case GL_INVALID_OPERATION: text = "invalid operation"; break;
    case GL_STACK_OVERFLOW: text = "stack overflow"; break;
    case GL_STACK_UNDERFLOW: text = "stack underflow"; break;
    case GL_OUT_OF_MEMORY: text = "out of memory"; break;
    case GLU_INVALID_ENUM: text = "invalid enumerant"; break;
    case GLU_INVALID_VALUE: text = "invalid value"; break;
    case GLU_OUT_OF_MEMORY: text = "out of memory"; break;
    case GLU_INVALID_OPERATION: text = "invalid operation"; break;
    default: break;
    }
    return reinterpret_cast<const GLubyte *>(text);
}

}  // extern "C"
