// velmora: builds the triangle list of one gimbal ring.
#include "geometry/gimbal.h"

#include <cmath>

#include "shell/xalloc.h"

// Added to the angular step so that the running sum always passes 2 pi in the
// last segment, whose end is then snapped to 2 pi: the ring closes exactly.
static const double creep_term = 1e-7;
static const double two_pi = 6.283185307179586;
static const Vec3 pos_uZ = {0.0, 0.0, 1.0};
static const Vec3 neg_uZ = {0.0, 0.0, -1.0};

static Vec3 ringPoint(double r, double a, double z)
{
    return {r * std::cos(a), r * std::sin(a), z};
}

static Vertex corner(Vec3 position, Vec3 normal, double s, double t)
{
    return {position, normal, {s, t, 0.0}};
}

Mesh calculateGimbal(int32_t texture, double halfWidth, int32_t segments)
{
    const int32_t count = 8 * segments;
    auto *triangles = static_cast<Triangle *>(xalloc(count * static_cast<int32_t>(sizeof(Triangle))));
    Triangle *out = triangles;

    const double h = halfWidth;
    const double rIn = 1.0 - (h + h);
    const double rOut = 1.0;
    const double step = two_pi / segments + creep_term;
    double acc = 0.0;

    for (int32_t k = 0; k < segments; ++k) {
        const double a0 = acc;
        const double sum = acc + step;
        const double a1 = sum > two_pi ? two_pi : sum;
        acc = sum;
        const double t0 = a0 / two_pi;
        const double t1 = a1 / two_pi;

        const Vec3 i0m = ringPoint(rIn, a0, -h), i0p = ringPoint(rIn, a0, h);
        const Vec3 i1m = ringPoint(rIn, a1, -h), i1p = ringPoint(rIn, a1, h);
        const Vec3 o0m = ringPoint(rOut, a0, -h), o0p = ringPoint(rOut, a0, h);
        const Vec3 o1m = ringPoint(rOut, a1, -h), o1p = ringPoint(rOut, a1, h);
        const Vec3 outer0 = {std::cos(a0), std::sin(a0), 0.0};
        const Vec3 outer1 = {std::cos(a1), std::sin(a1), 0.0};
        const Vec3 inner0 = {-std::cos(a0), -std::sin(a0), 0.0};
        const Vec3 inner1 = {-std::cos(a1), -std::sin(a1), 0.0};

        const Triangle segment[8] = {
            // upper face, s 0 -> 0.25 from the inner to the outer edge
            {texture, {corner(i0p, pos_uZ, 0, t0), corner(o0p, pos_uZ, 0.25, t0), corner(o1p, pos_uZ, 0.25, t1)}},
            {texture, {corner(i0p, pos_uZ, 0, t0), corner(o1p, pos_uZ, 0.25, t1), corner(i1p, pos_uZ, 0, t1)}},
            // outer face, s 0.25 -> 0.5 from top to bottom
            {texture, {corner(o0m, outer0, 0.5, t0), corner(o1m, outer1, 0.5, t1), corner(o1p, outer1, 0.25, t1)}},
            {texture, {corner(o0m, outer0, 0.5, t0), corner(o1p, outer1, 0.25, t1), corner(o0p, outer0, 0.25, t0)}},
            // lower face, s 0.5 -> 0.75 from the outer to the inner edge
            {texture, {corner(i0m, neg_uZ, 0.75, t0), corner(o1m, neg_uZ, 0.5, t1), corner(o0m, neg_uZ, 0.5, t0)}},
            {texture, {corner(i0m, neg_uZ, 0.75, t0), corner(i1m, neg_uZ, 0.75, t1), corner(o1m, neg_uZ, 0.5, t1)}},
            // inner face, s 0.75 -> 1 from bottom to top
            {texture, {corner(i0m, inner0, 0.75, t0), corner(i0p, inner0, 1.0, t0), corner(i1p, inner1, 1.0, t1)}},
            {texture, {corner(i0m, inner0, 0.75, t0), corner(i1p, inner1, 1.0, t1), corner(i1m, inner1, 0.75, t1)}},
        };
        for (const Triangle &triangle : segment)
            *out++ = triangle;
    }
    return {1, halfWidth, {0.0, 0.0, 0.0}, count, triangles};
}
