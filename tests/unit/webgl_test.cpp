// velmora: the browser build's GL 1.1 layer (web/gl) against values worked by hand from GL
// 1.1's equations: lighting, sphere map, texture environment, matrices, uploads, errors, the
// batch cache, and what a draw hands WebGL.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "web/gl/headless.h"
#include "web/gl/include/GL/glu.h"
#include "web/gl/pipeline.h"
#include "web/gl/shade.h"
#include "web/gl/state.h"

namespace {

using vgl::vec3;
using vgl::vec4;

class WebGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        vgl::reset();
    }
};

void expectMatrix(const float (&want)[16], const vgl::Matrix &got)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(want[i], got[static_cast<std::size_t>(i)], 1e-6) << "element " << i;
}

// One triangle, its first corner at (x, 0, z).
void triangle(float x, float z = 0)
{
    glBegin(GL_TRIANGLES);
    glVertex3f(x, 0, z);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
}

// The ring material (ambient 0.1, diffuse and specular 0.4) under light 0 with ambient 1,
// diffuse and specular 1, from (1, 1, 1, 0): L = (1, 1, 1) / sqrt 3, so n.L = 0.577350 at
// n = (0, 0, 1), and h = normalize(L + (0, 0, 1)) has z = 0.888074. Every colour adds the
// scene ambient 0.2 x 0.1 and the light's ambient 1 x 0.1: 0.12.
TEST_F(WebGl, LightsAVertexAsGlDoes)
{
    const vgl::Light light{vec4(1, 1, 1, 1), vec4(1, 1, 1, 1), vec4(1, 1, 1, 1), vec4(1, 1, 1, 0)};
    const vec4 sceneAmbient(0.2f, 0.2f, 0.2f, 1);
    vgl::Material ring{vec4(0, 0, 0, 1), vec4(0.1f, 0.1f, 0.1f, 1), vec4(0.4f, 0.4f, 0.4f, 0.5f),
                       vec4(0.4f, 0.4f, 0.4f, 1), 0};
    const vec3 eye(0, 0, -2);
    const auto lit = [&](bool lightOn) { return vgl::litProducts(sceneAmbient, ring, light, lightOn); };
    const auto red = [&](vec3 n) { return vgl::lightVertex(n, eye, lit(true), true).x; };
    // Shininess 0: the specular factor is 1 wherever the face is lit. 0.12 + 0.4 x 0.577350 + 0.4.
    EXPECT_NEAR(0.750940, red(vec3(0, 0, 1)), 1e-5);
    // Under glScaled(0.84) the normal is 1 / 0.84 long: 0.12 + 0.4 x 0.687322 + 0.4.
    EXPECT_NEAR(0.794929, red(vec3(0, 0, 1 / 0.84f)), 1e-5);
    // Turned away: only the ambient terms, even at shininess 0. Alpha is the diffuse alpha.
    const vec4 away = vgl::lightVertex(vec3(0, 0, -1), eye, lit(true), true);
    EXPECT_NEAR(0.12, away.x, 1e-6);
    EXPECT_EQ(0.5f, away.w);
    // Shininess 2: 0.12 + 0.230940 + 0.4 x 0.888074^2 = 0.666410; scaled, 0.4 x 1.057231^2.
    ring.shininess = 2;
    EXPECT_NEAR(0.666410, red(vec3(0, 0, 1)), 1e-5);
    EXPECT_NEAR(0.842023, red(vec3(0, 0, 1 / 0.84f)), 1e-5);
    // Light 0 off: the scene ambient alone.
    EXPECT_NEAR(0.02, vgl::lightVertex(vec3(0, 0, 1), eye, lit(false), false).x, 1e-6);
}

TEST_F(WebGl, MapsASphereAndAppliesTheTextureEnvironment)
{
    // Straight ahead, facing the viewer: r = (0, 0, 1), the disc's centre.
    vgl::vec2 st = vgl::sphereMap(vec3(0, 0, -1), vec3(0, 0, 1));
    EXPECT_NEAR(0.5, st.x, 1e-6);
    EXPECT_NEAR(0.5, st.y, 1e-6);
    // Normal (0, 0.6, 0.8): n.u = -0.8, r = (0, 0.96, 0.28), m = 2 sqrt(0.9216 + 1.6384) = 3.2.
    st = vgl::sphereMap(vec3(0, 0, -1), vec3(0, 0.6f, 0.8f));
    EXPECT_NEAR(0.5, st.x, 1e-6);
    EXPECT_NEAR(0.8, st.y, 1e-6);
    // Off to the right at (3, 0, -4): u = (0.6, 0, -0.8), r = (0.6, 0, 0.8), m = 2 sqrt 3.6.
    st = vgl::sphereMap(vec3(3, 0, -4), vec3(0, 0, 1));
    EXPECT_NEAR(0.658114, st.x, 1e-6);

    const vec4 colour(1, 0.5f, 0.5f, 0.75f);
    const vec4 modulated = vgl::textureEnvironment(colour, vec4(0.5f, 0.5f, 1, 0.5f), vgl::envModulate);
    EXPECT_FLOAT_EQ(0.25f, modulated.y);
    EXPECT_FLOAT_EQ(0.375f, modulated.w);
    // Decal: the texel over the colour by the texel's alpha; the colour's alpha stays.
    const vec4 decal = vgl::textureEnvironment(colour, vec4(0, 0, 1, 0.25f), vgl::envDecal);
    EXPECT_FLOAT_EQ(0.75f, decal.x);
    EXPECT_FLOAT_EQ(0.625f, decal.z);
    EXPECT_FLOAT_EQ(0.75f, decal.w);
}

TEST_F(WebGl, BuildsTheMatricesAndFixesTheLightWhenGiven)
{
    const vgl::State &s = vgl::glState();
    glRotated(90, 0, 0, 1);
    expectMatrix({0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, s.modelview);
    // The light's (1, 0, 0, 0) turned a quarter about z is (0, 1, 0, 0), and stays so.
    const float position[4] = {1, 0, 0, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLoadIdentity();
    EXPECT_NEAR(1, s.light.position[1], 1e-6);
    EXPECT_NEAR(0, s.light.position[0], 1e-6);

    // cot 50 degrees = 0.839100; depth terms -(10.1 / 9.9) and -(2 / 9.9).
    glMatrixMode(GL_PROJECTION);
    gluPerspective(100, 4.0 / 3.0, 0.1, 10);
    expectMatrix({0.629325f, 0, 0, 0, 0, 0.839100f, 0, 0, 0, 0, -1.020202f, -1, 0, 0, -0.202020f, 0},
                 s.projection);

    // From (0, 0, -1.5) towards the origin: side (-1, 0, 0), up (0, 1, 0), back (0, 0, -1).
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, 0, -1.5, 0, 0, 0, 0, 1, 0);
    expectMatrix({-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -1.5f, 1}, s.modelview);

    // Normals are scaled by the inverse: 1 / 0.84 = 1.190476.
    glLoadIdentity();
    glScaled(0.84, 0.84, 0.84);
    const std::array<float, 9> n = vgl::normalMatrix(s.modelview);
    EXPECT_NEAR(1.190476, n[0], 1e-5);
    EXPECT_NEAR(1.190476, n[8], 1e-5);
    EXPECT_EQ(0.0f, n[1]);
}

TEST_F(WebGl, StoresSixteenBitSamplesRoundedToEightBits)
{
    // One texel a row with 4-byte alignment: rows of 6 bytes start 8 bytes apart.
    const std::uint16_t rows[8] = {0, 32768, 65280, 0xDEAD, 65535, 257, 128, 0xBEEF};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 2, 0, GL_RGB, GL_UNSIGNED_SHORT, rows);
    const vgl::Texture &t = vgl::glState().textures.at(name);
    const std::vector<unsigned char> want = {0, 128, 254, 255, 1, 0};
    EXPECT_EQ(want, t.texels);
    // Without mipmaps the initial minifying filter leaves it incomplete.
    EXPECT_FALSE(vgl::textureComplete(t));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    EXPECT_TRUE(vgl::textureComplete(t));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(WebGl, KeepsTheFirstErrorUntilItIsRead)
{
    glEnable(GL_CULL_FACE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 4, 0, GL_RGB, GL_UNSIGNED_SHORT, nullptr);
    EXPECT_EQ(GLenum(GL_INVALID_ENUM), glGetError());
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 3, 4, 0, GL_RGB, GL_UNSIGNED_SHORT, nullptr);
    EXPECT_EQ(GLenum(GL_INVALID_VALUE), glGetError());
    glBegin(GL_QUADS);
    EXPECT_EQ(GLenum(GL_INVALID_ENUM), glGetError());
    glBegin(GL_TRIANGLES);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 2);  // allowed inside a batch
    glLoadIdentity();                                 // not allowed
    glEnd();
    EXPECT_EQ(GLenum(GL_INVALID_OPERATION), glGetError());
    EXPECT_STREQ("invalid enumerant", reinterpret_cast<const char *>(gluErrorString(GL_INVALID_ENUM)));
}

// A batch goes to WebGL as its distinct corners and one 4-byte index per corner.
std::size_t batchBytes(std::size_t distinct, std::size_t corners)
{
    return distinct * sizeof(vgl::Corner) + corners * sizeof(std::uint32_t);
}

TEST_F(WebGl, SendsABatchsBytesOnlyOnce)
{
    const unsigned before = velmora_gl_uploaded_bytes();
    triangle(0);
    EXPECT_EQ(batchBytes(3, 3), velmora_gl_uploaded_bytes() - before);
    triangle(0);
    EXPECT_EQ(batchBytes(3, 3), velmora_gl_uploaded_bytes() - before);
    triangle(0.5f);
    EXPECT_EQ(batchBytes(6, 6), velmora_gl_uploaded_bytes() - before);
    // The current colour is part of each corner.
    glColor3f(1, 0, 0);
    triangle(0);
    EXPECT_EQ(batchBytes(9, 9), velmora_gl_uploaded_bytes() - before);
}

// Two triangles sharing the corner (1, 0); (0, 1) and (-0, 1) differ only in the sign of a zero
// but are different bytes, kept apart. The indices give back every corner in order.
TEST_F(WebGl, SendsEachDistinctCornerOnce)
{
    vgl::Corner c[6] = {};
    const float xs[6] = {0, 1, 0, -0.0f, 1, 1};
    const float ys[6] = {0, 0, 1, 1, 0, 1};
    for (int i = 0; i < 6; ++i) {
        c[i].position[0] = xs[i];
        c[i].position[1] = ys[i];
    }
    const vgl::Indexed batch = vgl::indexCorners(c, 6);
    EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2, 3, 1, 4}), batch.indices);
    ASSERT_EQ(5u, batch.corners.size());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(0, std::memcmp(&c[i], &batch.corners[batch.indices[static_cast<std::size_t>(i)]], sizeof c[i]))
            << "corner " << i;
}

// GL 1.1 multiplies each new matrix on the right: M = M x R. With c = cos 30 = 0.866025 and
// s = 0.5, R about x has columns (1 0 0) (0 c s) (0 -s c); about y, (c 0 -s) (0 1 0) (s 0 c).
TEST_F(WebGl, MultipliesRotationsAboutEveryAxisInGlsOrder)
{
    const vgl::State &s = vgl::glState();
    const float c = 0.866025f;
    glRotated(30, 1, 0, 0);
    expectMatrix({1, 0, 0, 0, 0, c, 0.5f, 0, 0, -0.5f, c, 0, 0, 0, 0, 1}, s.modelview);
    glLoadIdentity();
    glRotated(30, 0, 1, 0);
    expectMatrix({c, 0, -0.5f, 0, 0, 1, 0, 0, 0.5f, 0, c, 0, 0, 0, 0, 1}, s.modelview);
    // About -z: a quarter turn clockwise seen from +z, x to -y.
    glLoadIdentity();
    glRotated(90, 0, 0, -1);
    expectMatrix({0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, s.modelview);
    // A third of a turn about (1, 1, 1) takes x to y, y to z and z to x.
    glLoadIdentity();
    glRotated(120, 1, 1, 1);
    expectMatrix({0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1}, s.modelview);
    // Rz(90) x Rx(90): x to y, y to z, z to x as well; Rx(90) x Rz(90) would take x to z.
    glLoadIdentity();
    glRotated(90, 0, 0, 1);
    glRotated(90, 1, 0, 0);
    expectMatrix({0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1}, s.modelview);
    // Scale(2, 3, 4) x Rz(90): columns (0 3 0) (-2 0 0) (0 0 4).
    glLoadIdentity();
    glScaled(2, 3, 4);
    glRotated(90, 0, 0, 1);
    expectMatrix({0, 3, 0, 0, -2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1}, s.modelview);
    // Normals by (M^-1)^T: for M = Rx(30) x Scale(1, 2, 1) that is Rx(30) x Scale(1, 0.5, 1),
    // columns (1 0 0) (0 c/2 s/2) (0 -s c).
    glLoadIdentity();
    glRotated(30, 1, 0, 0);
    glScaled(1, 2, 1);
    const std::array<float, 9> n = vgl::normalMatrix(s.modelview);
    const float want[9] = {1, 0, 0, 0, c / 2, 0.25f, 0, -0.5f, c};
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(want[i], n[static_cast<std::size_t>(i)], 1e-6) << "element " << i;
}

// GL_MAX_TEXTURE_SIZE bounds an image before its size is worked out: 32768 x 32768 RGBA is
// 2^32 bytes, which a 32-bit size_t would wrap to 0.
TEST_F(WebGl, RefusesTexturesLargerThanItsReportedMaximum)
{
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    ASSERT_GE(most, 512);  // the program's largest picture
    const unsigned char texel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, most * 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    ASSERT_EQ(GLenum(GL_INVALID_VALUE), glGetError());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 32768, 32768, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(GLenum(GL_INVALID_VALUE), glGetError());
    EXPECT_EQ(0, vgl::glState().textures.at(0).width);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, most, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
    glGetIntegerv(GL_DEPTH_TEST, &most);
    EXPECT_EQ(GLenum(GL_INVALID_ENUM), glGetError());
}

// What each draw hands WebGL: all of its state the first time, then only what changed.
TEST_F(WebGl, SendsOnlyTheStateThatChanged)
{
    using Calls = std::vector<std::string>;
    Calls &sent = vgl::headlessSent();
    const auto drawing = [&](auto change) {
        change();
        sent.clear();
        triangle(0);
        return sent;
    };
    const Calls everything = {"useProgram", "bindSlot", "fillSlot", "depthTest", "uniform uProjection",
                              "uniform uModelview", "uniform uNormalMatrix", "uniform uLit", "uniform uSwitches", "draw"};
    EXPECT_EQ(everything, drawing([] {}));
    EXPECT_EQ(Calls{"draw"}, drawing([] {}));
    EXPECT_EQ((Calls{"uniform uModelview", "uniform uNormalMatrix", "draw"}), drawing([] { glRotated(30, 0, 1, 0); }));
    EXPECT_EQ((Calls{"uniform uProjection", "draw"}), drawing([] {
                  glMatrixMode(GL_PROJECTION);
                  gluPerspective(100, 1, 0.1, 10);
              }));
    const GLfloat red[4] = {0.5f, 0, 0, 1};
    EXPECT_EQ((Calls{"uniform uLit", "draw"}), drawing([&] { glMaterialfv(GL_FRONT, GL_DIFFUSE, red); }));
    EXPECT_EQ((Calls{"uniform uLit", "draw"}), drawing([&] { glLightfv(GL_LIGHT0, GL_AMBIENT, red); }));
    EXPECT_EQ(Calls{"draw"}, drawing([&] { glMaterialfv(GL_FRONT, GL_DIFFUSE, red); }));
    EXPECT_EQ((Calls{"uniform uSwitches", "draw"}), drawing([] { glEnable(GL_LIGHTING); }));
    EXPECT_EQ((Calls{"depthTest", "draw"}), drawing([] { glEnable(GL_DEPTH_TEST); }));
    // A texture is bound when first drawn with and when its texels change.
    const unsigned char texel[4] = {9, 9, 9, 9};
    const auto image = [&] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel); };
    EXPECT_EQ((Calls{"bindTexture", "uniform uSwitches", "draw"}), drawing([&] {
                  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                  image();
                  glEnable(GL_TEXTURE_2D);
              }));
    EXPECT_EQ((Calls{"bindTexture", "draw"}), drawing(image));
    // Another batch goes to another buffer; the first one's is bound again, not filled.
    sent.clear();
    triangle(0.5f);
    EXPECT_EQ((Calls{"bindSlot", "fillSlot", "draw"}), sent);
    EXPECT_EQ((Calls{"bindSlot", "draw"}), drawing([] {}));
    // A new context holds nothing: the cached batch's corners and the texels are sent again.
    Calls again = everything;
    again.insert(again.begin() + 4, "bindTexture");
    EXPECT_EQ(again, drawing(vgl::forgetSent));
}

// Corners drawn are counted across batches: the draw that reaches cornersPerFlush is followed by
// a flush, and the count starts again.
TEST_F(WebGl, FlushesAfterEachRunOfCorners)
{
    std::vector<std::string> &sent = vgl::headlessSent();
    const auto batch = [&](std::size_t triangles) {
        sent.clear();
        glBegin(GL_TRIANGLES);
        for (std::size_t i = 0; i < 3 * triangles; ++i)
            glVertex3f(static_cast<float>(i), 0, 0);
        glEnd();
        return sent.back();
    };
    const std::size_t most = vgl::cornersPerFlush / 3;  // triangles that stay under the count
    EXPECT_EQ("draw", batch(most));
    EXPECT_EQ("flush", batch(1));
    EXPECT_EQ("draw", batch(most));
    EXPECT_EQ("flush", batch(most));
}

// The cache's hash samples a long batch's words; two batches that differ only between the
// samples are still told apart, each sent once.
TEST_F(WebGl, TellsApartBatchesTheHashSamplesAlike)
{
    const auto batch = [](float z) {
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 33; ++i)
            glVertex3f(static_cast<float>(i), 1, i == 0 ? z : 0);  // z of the first corner: word 1
        glEnd();
    };
    const unsigned before = velmora_gl_uploaded_bytes();
    batch(0);
    batch(0.25f);
    batch(0);
    batch(0.25f);
    EXPECT_EQ(2 * batchBytes(33, 33), velmora_gl_uploaded_bytes() - before);
    std::vector<std::string> &sent = vgl::headlessSent();
    sent.clear();
    batch(0);
    EXPECT_EQ((std::vector<std::string>{"bindSlot", "draw"}), sent);
}

}  // namespace
