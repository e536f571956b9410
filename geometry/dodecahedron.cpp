// velmora: builds the dodecahedron's triangle list from its corner and face tables.
#include "geometry/dodecahedron.h"

#include <cmath>

#include "shell/xalloc.h"

namespace {

// The dodecahedron's corners, on the unit sphere to three decimals.
const float vertices[20][3] = {
    {0.607f, 0.0f, 0.795f},     {0.188f, 0.577f, 0.795f},   {-0.491f, 0.357f, 0.795f},
    {-0.491f, -0.357f, 0.795f}, {0.188f, -0.577f, 0.795f},  {0.982f, 0.0f, 0.188f},
    {0.304f, 0.934f, 0.188f},   {-0.795f, 0.577f, 0.188f},  {-0.795f, -0.577f, 0.188f},
    {0.304f, -0.934f, 0.188f},  {0.795f, 0.577f, -0.188f},  {-0.304f, 0.934f, -0.188f},
    {-0.982f, 0.0f, -0.188f},   {-0.304f, -0.934f, -0.188f}, {0.795f, -0.577f, -0.188f},
    {0.491f, 0.357f, -0.795f},  {-0.188f, 0.577f, -0.795f}, {-0.607f, 0.0f, -0.795f},
    {-0.188f, -0.577f, -0.795f}, {0.491f, -0.357f, -0.795f},
};

// Each pentagon counter-clockwise seen from outside, so its normal points out.
const int32_t faceVtxIdx[12][5] = {
    {0, 1, 2, 3, 4},     {5, 10, 6, 1, 0},    {6, 11, 7, 2, 1},    {7, 12, 8, 3, 2},
    {8, 13, 9, 4, 3},    {9, 14, 5, 0, 4},    {15, 16, 11, 6, 10}, {16, 17, 12, 7, 11},
    {17, 18, 13, 8, 12}, {18, 19, 14, 9, 13}, {19, 15, 10, 5, 14}, {19, 18, 17, 16, 15},
};

}  // namespace

Mesh makeDodecahedron(const int32_t *faceTexture)
{
    auto *triangles = static_cast<Triangle *>(xalloc(36 * static_cast<int32_t>(sizeof(Triangle))));
    for (int f = 0; f < 12; ++f) {
        Vec3 p[5];
        for (int k = 0; k < 5; ++k) {
            const float *v = vertices[faceVtxIdx[f][k]];
            p[k] = {v[0], v[1], v[2]};
        }
        const Vec3 edge1 = vectorDifference(p[1], p[0]);
        const Vec3 n = vectorNormalise(vectorCrossProduct(edge1, vectorDifference(p[2], p[0])));
        // In-plane axes: e1 along the first edge, e2 from that edge into the face.
        const Vec3 e1 = vectorNormalise(edge1);
        const Vec3 e2 = vectorCrossProduct(n, e1);
        double u[5] = {0.0}, v[5] = {0.0};
        for (int k = 1; k < 5; ++k) {
            u[k] = vectorDot(e1, vectorDifference(p[k], p[0]));
            v[k] = vectorDot(e2, vectorDifference(p[k], p[0]));
        }
        double umin = u[0], umax = u[0], vmin = v[0], vmax = v[0];
        for (int k = 1; k < 5; ++k) {
            umin = std::fmin(umin, u[k]);
            umax = std::fmax(umax, u[k]);
            vmin = std::fmin(vmin, v[k]);
            vmax = std::fmax(vmax, v[k]);
        }
        // Each pentagon fills the unit texture square, its first edge on t = 0.
        Vec3 tc[5];
        for (int k = 0; k < 5; ++k)
            tc[k] = {(u[k] - umin) / (umax - umin), (v[k] - vmin) / (vmax - vmin), 0.0};
        for (int t = 0; t < 3; ++t) {
            triangles[3 * f + t] = {faceTexture[f],
                                    {{p[0], n, tc[0]}, {p[t + 1], n, tc[t + 1]}, {p[t + 2], n, tc[t + 2]}}};
        }
    }
    return {2, 0.0, {0.0, 0.0, 0.0}, 36, triangles};
}
