// velmora tests: mesh drawing, the ring generator, the dodecahedron and the vector operations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "geometry/dodecahedron.h"
#include "geometry/gimbal.h"
#include "geometry/vector.h"
#include "glrecord.h"
#include "shell/xalloc.h"

using testing::ElementsAre;

static const double twoPi = 6.283185307179586;

static Vec3 minus(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

static double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// ---- drawObject ----

static Triangle texturedTriangle(int32_t texture, double base)
{
    Triangle t{texture, {}};
    for (int k = 0; k < 3; ++k)
        t.v[k] = {{base + k, base + k + 0.5, 0.0}, {0.0, 0.0, 1.0}, {0.25 * k, 0.5, 0.0}};
    return t;
}

static Mesh meshOf(std::vector<Triangle> &triangles)
{
    return {1, 0.04, {0, 0, 0}, static_cast<int32_t>(triangles.size()), triangles.data()};
}

// The calls without the per-corner attributes: binds and batch limits only.
static std::vector<std::string> batchCalls()
{
    std::vector<std::string> calls;
    for (const std::string &text : glCallTexts())
        if (text.rfind("glBindTexture", 0) == 0 || text.rfind("glBegin", 0) == 0 || text.rfind("glEnd", 0) == 0)
            calls.push_back(text);
    return calls;
}

TEST(DrawObject, BreaksTheBatchWhereverTheTextureChanges)
{
    std::vector<Triangle> triangles = {texturedTriangle(5, 0), texturedTriangle(5, 1), texturedTriangle(9, 2),
                                       texturedTriangle(5, 3)};
    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 1.0, true, true, true, true);
    EXPECT_THAT(batchCalls(), ElementsAre("glBindTexture(3553, 5)", "glBegin(4)", "glEnd()", "glBindTexture(3553, 9)",
                                          "glBegin(4)", "glEnd()", "glBindTexture(3553, 5)", "glBegin(4)", "glEnd()"));
    EXPECT_EQ(glCallCount("glVertex3f"), 12);
}

TEST(DrawObject, BindsTextureZeroLikeAnyOther)
{
    std::vector<Triangle> triangles = {texturedTriangle(0, 0), texturedTriangle(7, 1), texturedTriangle(0, 2)};
    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 1.0, true, true, true, true);
    EXPECT_THAT(batchCalls(), ElementsAre("glBindTexture(3553, 0)", "glBegin(4)", "glEnd()", "glBindTexture(3553, 7)",
                                          "glBegin(4)", "glEnd()", "glBindTexture(3553, 0)", "glBegin(4)", "glEnd()"));
}

TEST(DrawObject, WithoutBindingTheWholeMeshIsOneBatch)
{
    std::vector<Triangle> triangles = {texturedTriangle(5, 0), texturedTriangle(9, 1), texturedTriangle(5, 2)};
    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 1.0, false, true, true, true);
    EXPECT_THAT(batchCalls(), ElementsAre("glBegin(4)", "glEnd()"));
}

TEST(DrawObject, EmptyMeshIsOneEmptyBatchWithNoBind)
{
    std::vector<Triangle> none;
    resetGlRecord();
    drawObject(meshOf(none), 1.0, 1.0, true, true, true, true);
    EXPECT_THAT(glCallTexts(), ElementsAre("glBegin(4)", "glEnd()"));
}

TEST(DrawObject, SendsEachCornerAsTexCoordNormalVertexWithScaledTexCoords)
{
    std::vector<Triangle> triangles = {texturedTriangle(3, 0)};
    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 10.0, true, true, true, true);
    EXPECT_THAT(glCallTexts(),
                ElementsAre("glBindTexture(3553, 3)", "glBegin(4)", "glTexCoord2f(0, 5)", "glNormal3f(0, 0, 1)",
                            "glVertex3f(0, 0.5, 0)", "glTexCoord2f(0.25, 5)", "glNormal3f(0, 0, 1)",
                            "glVertex3f(1, 1.5, 0)", "glTexCoord2f(0.5, 5)", "glNormal3f(0, 0, 1)",
                            "glVertex3f(2, 2.5, 0)", "glEnd()"));
}

TEST(DrawObject, SwitchesLeaveOutTheirCalls)
{
    std::vector<Triangle> triangles = {texturedTriangle(3, 0), texturedTriangle(3, 1)};
    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 1.0, true, true, true, false);
    EXPECT_EQ(glCallCount("glVertex3f"), 0);
    EXPECT_EQ(glCallCount("glTexCoord2f"), 6);
    EXPECT_EQ(glCallCount("glNormal3f"), 6);

    resetGlRecord();
    drawObject(meshOf(triangles), 1.0, 1.0, true, false, false, true);
    EXPECT_EQ(glCallCount("glTexCoord2f"), 0);
    EXPECT_EQ(glCallCount("glNormal3f"), 0);
    EXPECT_EQ(glCallCount("glVertex3f"), 6);
}

// ---- calculateGimbal ----

// The segment's two end angles, read back from its first (upper) triangle.
static double segmentStart(const Mesh &ring, int k)
{
    return ring.triangles[8 * k].v[0].texCoord.y * twoPi;
}

TEST(Gimbal, ChainRingHasEightTrianglesASegmentFromOneArenaRequest)
{
    unsigned char *before = xalloc_ptr;
    Mesh ring = calculateGimbal(42, 0.04, 128);
    EXPECT_EQ(ring.kind, 1);
    EXPECT_EQ(ring.halfWidth, 0.04);
    EXPECT_EQ(ring.reserved.x, 0.0);
    EXPECT_EQ(ring.triangleCount, 1024);
    EXPECT_EQ(reinterpret_cast<unsigned char *>(ring.triangles), before);
    EXPECT_EQ(xalloc_ptr, before + xalloc_footprint(1024 * sizeof(Triangle)));
    for (int i = 0; i < ring.triangleCount; ++i)
        ASSERT_EQ(ring.triangles[i].texture, 42);
}

TEST(Gimbal, FirstTriangleHasExactCornersNormalsAndTexCoords)
{
    Mesh ring = calculateGimbal(1, 0.04, 128);
    const double a1 = twoPi / 128 + 1e-7;
    const Triangle &first = ring.triangles[0];
    const Vec3 positions[3] = {{0.92, 0, 0.04}, {1, 0, 0.04}, {std::cos(a1), std::sin(a1), 0.04}};
    const Vec3 texCoords[3] = {{0, 0, 0}, {0.25, 0, 0}, {0.25, a1 / twoPi, 0}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(first.v[k].position.x, positions[k].x) << k;
        EXPECT_EQ(first.v[k].position.y, positions[k].y) << k;
        EXPECT_EQ(first.v[k].position.z, positions[k].z) << k;
        EXPECT_EQ(first.v[k].normal.x, 0.0);
        EXPECT_EQ(first.v[k].normal.y, 0.0);
        EXPECT_EQ(first.v[k].normal.z, 1.0);
        EXPECT_EQ(first.v[k].texCoord.x, texCoords[k].x) << k;
        EXPECT_EQ(first.v[k].texCoord.y, texCoords[k].y) << k;
        EXPECT_EQ(first.v[k].texCoord.z, 0.0);
    }
}

TEST(Gimbal, EveryTriangleFacesTheWayItsNormalsPoint)
{
    Mesh ring = calculateGimbal(1, 0.1, 32);
    for (int i = 0; i < ring.triangleCount; ++i) {
        const Vertex *v = ring.triangles[i].v;
        const Vec3 face = vectorCrossProduct(minus(v[1].position, v[0].position), minus(v[2].position, v[0].position));
        const Vec3 n = v[0].normal;
        EXPECT_GT(dot(face, {n.x + v[1].normal.x + v[2].normal.x, n.y + v[1].normal.y + v[2].normal.y,
                             n.z + v[1].normal.z + v[2].normal.z}),
                  0.0)
            << "triangle " << i;
        // Lighting takes the normals as they are: each is a unit vector, along the axis on the
        // flat faces and pointing straight out from the axis (or in) on the round ones.
        for (int k = 0; k < 3; ++k) {
            const Vec3 c = v[k].normal, p = v[k].position;
            EXPECT_NEAR(dot(c, c), 1.0, 1e-12) << "triangle " << i;
            if (c.z == 0.0)
                EXPECT_NEAR(c.x * p.y - c.y * p.x, 0.0, 1e-12) << "triangle " << i;
            else
                EXPECT_EQ(std::abs(c.z), 1.0) << "triangle " << i;
        }
    }
}

TEST(Gimbal, TexCoordsRunOnceAroundTheCrossSectionInQuarters)
{
    Mesh ring = calculateGimbal(1, 0.1, 8);
    // s of the three corners of each of the eight triangles of a segment.
    const double s[8][3] = {{0, 0.25, 0.25}, {0, 0.25, 0},       {0.5, 0.5, 0.25}, {0.5, 0.25, 0.25},
                            {0.75, 0.5, 0.5}, {0.75, 0.75, 0.5}, {0.75, 1, 1},     {0.75, 1, 0.75}};
    for (int k = 0; k < 8; ++k)
        for (int t = 0; t < 8; ++t)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(ring.triangles[8 * k + t].v[c].texCoord.x, s[t][c]) << k << " " << t << " " << c;
    // Inner radius 0.8 and faces at +-0.1 for half-width 0.1.
    EXPECT_DOUBLE_EQ(ring.triangles[0].v[0].position.x, 0.8);
    EXPECT_EQ(ring.triangles[0].v[0].position.z, 0.1);
    EXPECT_EQ(ring.triangles[4].v[0].position.z, -0.1);
}

TEST(Gimbal, EndIsSnappedToTwoPiAndSegmentsShareTheirCorners)
{
    Mesh ring = calculateGimbal(1, 0.04, 4);
    EXPECT_EQ(ring.triangles[0].v[2].texCoord.y, (M_PI / 2 + 1e-7) / twoPi);
    EXPECT_EQ(ring.triangles[0].v[2].texCoord.y * twoPi, segmentStart(ring, 1));
    const Triangle &last = ring.triangles[8 * 3];
    EXPECT_EQ(last.v[2].texCoord.y, 1.0);
    // The closing corner is at the double 2 pi, not cleaned up to y = 0: its sine, to within what C
    // libraries differ by there. MinGW-w64's sin and its sincos, which the ring's sine and cosine
    // of one angle become, are 8e-21 apart; the sines of the doubles next to 2 pi are 9e-16 away.
    EXPECT_EQ(last.v[2].position.x, 1.0);
    EXPECT_NEAR(last.v[2].position.y, std::sin(twoPi), 1e-18);
    EXPECT_EQ(last.v[2].position.z, 0.04);
    for (int k = 0; k + 1 < 4; ++k) {
        const Vertex &end = ring.triangles[8 * k].v[2];        // O1+ of segment k
        const Vertex &start = ring.triangles[8 * (k + 1)].v[1];  // O0+ of segment k + 1
        EXPECT_EQ(end.position.x, start.position.x);
        EXPECT_EQ(end.position.y, start.position.y);
    }
}

TEST(Gimbal, ZeroAndOneSegment)
{
    unsigned char *before = xalloc_ptr;
    Mesh none = calculateGimbal(1, 0.04, 0);
    EXPECT_EQ(none.triangleCount, 0);
    EXPECT_EQ(xalloc_ptr, before);

    Mesh one = calculateGimbal(1, 0.04, 1);
    EXPECT_EQ(one.triangleCount, 8);
    EXPECT_EQ(one.triangles[0].v[0].texCoord.y, 0.0);
    EXPECT_EQ(one.triangles[0].v[2].texCoord.y, 1.0);
}

// Number of segments whose end was snapped to 2 pi.
static int snappedEnds(const Mesh &ring)
{
    int snapped = 0;
    for (int k = 0; k < ring.triangleCount / 8; ++k)
        snapped += ring.triangles[8 * k].v[2].texCoord.y == 1.0;
    return snapped;
}

TEST(Gimbal, CreepCarriesTheSumPastTwoPiOneSegmentEarlyFrom7928Segments)
{
    EXPECT_EQ(snappedEnds(calculateGimbal(1, 0.04, 7927)), 1);
    Mesh ring = calculateGimbal(1, 0.04, 7928);
    EXPECT_EQ(snappedEnds(ring), 2);
    EXPECT_GT(segmentStart(ring, 7927), twoPi);
    EXPECT_EQ(ring.triangles[8 * 7927].v[2].texCoord.y, 1.0);
}

// ---- vector operations ----

static void expectNear(Vec3 actual, Vec3 expected, double tolerance = 1e-15)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(Vector, CrossProductIsRightHandedAndAntisymmetric)
{
    const Vec3 z = vectorCrossProduct({1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(z.x, 0.0);
    EXPECT_EQ(z.y, 0.0);
    EXPECT_EQ(z.z, 1.0);
    const Vec3 a = {1.5, -2, 3}, b = {0.5, 4, -1};
    const Vec3 ab = vectorCrossProduct(a, b), ba = vectorCrossProduct(b, a), aa = vectorCrossProduct(a, a);
    EXPECT_EQ(ab.x, -10.0);
    EXPECT_EQ(ab.y, 3.0);
    EXPECT_EQ(ab.z, 7.0);
    expectNear(ba, {-ab.x, -ab.y, -ab.z}, 0);
    expectNear(aa, {0, 0, 0}, 0);
}

TEST(Vector, AxisAngleRotationFollowsTheRightHandRule)
{
    const Vec3 v = {0.3, -0.7, 2.5};
    const Vec3 same = vectorAA(v, {0.6, 0, 0.8}, 0.0);
    EXPECT_EQ(same.x, v.x);
    EXPECT_EQ(same.y, v.y);
    EXPECT_EQ(same.z, v.z);
    expectNear(vectorAA({1, 0, 0}, {0, 0, 1}, M_PI / 2), {0, 1, 0});
    expectNear(vectorAA({0, 1, 0}, {1, 0, 0}, M_PI / 2), {0, 0, 1});
    expectNear(vectorAA({0.6, 0, 0.8}, {0.6, 0, 0.8}, 1.234), {0.6, 0, 0.8});
    // A non-unit axis is used as given, so the result is no rotation.
    expectNear(vectorAA({1, 0, 0}, {0, 0, 2}, M_PI / 2), {0, 2, 0}, 1e-15);
}

// ---- the dodecahedron ----

TEST(Dodecahedron, TwelveOutwardFacesOfThreeTrianglesWithTheirTextures)
{
    const int32_t faceTexture[12] = {10, 11, 12, 11, 12, 13, 13, 10, 13, 10, 12, 11};
    const Mesh solid = makeDodecahedron(faceTexture);
    EXPECT_EQ(solid.kind, 2);
    EXPECT_EQ(solid.halfWidth, 0.0);
    ASSERT_EQ(solid.triangleCount, 36);
    for (int f = 0; f < 12; ++f) {
        for (int t = 0; t < 3; ++t) {
            const Triangle &tri = solid.triangles[3 * f + t];
            EXPECT_EQ(tri.texture, faceTexture[f]);
            const Vec3 n = tri.v[0].normal;
            const Vec3 p = tri.v[1].position;
            EXPECT_GT(n.x * p.x + n.y * p.y + n.z * p.z, 0.7) << "face " << f;
            EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-12);
        }
    }
    const Vec3 top = solid.triangles[0].v[0].normal, bottom = solid.triangles[33].v[0].normal;
    EXPECT_NEAR(top.z, 1.0, 1e-6);
    EXPECT_NEAR(bottom.z, -1.0, 1e-6);

    // Face 0 fills the texture square with its first edge on t = 0.
    const double expected[5][2] = {{0.1911, 0}, {0.8087, 0}, {1, 0.6180}, {0.4997, 1}, {0, 0.6174}};
    const Vertex *corner[5] = {&solid.triangles[0].v[0], &solid.triangles[0].v[1], &solid.triangles[0].v[2],
                               &solid.triangles[1].v[2], &solid.triangles[2].v[2]};
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(corner[k]->texCoord.x, expected[k][0], 5e-4) << k;
        EXPECT_NEAR(corner[k]->texCoord.y, expected[k][1], 5e-4) << k;
    }

    // Faces 5 and 6 share a texture, so the solid draws in eleven batches.
    resetGlRecord();
    drawObject(solid, 1.0, 1.0, true, true, true, true);
    EXPECT_EQ(glCallCount("glBindTexture"), 11);
    EXPECT_EQ(glCallCount("glBegin"), 11);
}

TEST(Dodecahedron, EveryFaceIsAFlatPentagonOfTheSolidsEdge)
{
    const int32_t faceTexture[12] = {};
    const Mesh solid = makeDodecahedron(faceTexture);
    // The edge of a dodecahedron on the unit sphere; its corners are given to three decimals.
    const double edge = 4 / (std::sqrt(3.0) * (1 + std::sqrt(5.0)));
    for (int f = 0; f < 12; ++f) {
        // Each face is a fan of three triangles from its first corner.
        const Triangle *fan = &solid.triangles[3 * f];
        const Vec3 corner[5] = {fan[0].v[0].position, fan[0].v[1].position, fan[0].v[2].position,
                                fan[1].v[2].position, fan[2].v[2].position};
        const Vec3 n = fan[0].v[0].normal;
        for (int k = 0; k < 5; ++k) {
            const Vec3 side = minus(corner[(k + 1) % 5], corner[k]);
            EXPECT_NEAR(std::sqrt(dot(side, side)), edge, 2e-3) << "face " << f << ", edge " << k;
            EXPECT_NEAR(dot(n, minus(corner[k], corner[0])), 0.0, 2e-3) << "face " << f << ", corner " << k;
        }
    }
}
