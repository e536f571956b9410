// velmora: cross product and axis-angle rotation.
#include "geometry/vector.h"

#include <cmath>

Vec3 vectorCrossProduct(const Vec3 &a, const Vec3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 vectorAA(Vec3 v, Vec3 axis, double angle)
{
    const double sinA = std::sin(angle);
    const double cosA = std::cos(angle);
    const double h = 1 - cosA;
    const double ux = axis.x, uy = axis.y, uz = axis.z;
    // The diagonal is written h*(u*u - 1) + 1 so that a zero angle gives
    // exactly the identity.
    const double m[3][3] = {
        {h * (ux * ux - 1) + 1, ux * h * uy - uz * sinA, ux * h * uz + uy * sinA},
        {ux * h * uy + uz * sinA, h * (uy * uy - 1) + 1, uy * h * uz - ux * sinA},
        {ux * h * uz - uy * sinA, uy * h * uz + ux * sinA, h * (uz * uz - 1) + 1},
    };
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}
