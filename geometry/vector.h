// velmora: the three-double vector and its operations (double precision, radians).
#pragma once

#include <cmath>

struct Vec3 {
    double x, y, z;
};

// a x b, right-handed: x cross y is z.
Vec3 vectorCrossProduct(const Vec3 &a, const Vec3 &b);
// v turned about `axis` by `angle` (right-hand rule). The axis is used as
// given, not normalised; callers pass unit vectors.
Vec3 vectorAA(Vec3 v, Vec3 axis, double angle);

// a . b
inline double vectorDot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// a - b
inline Vec3 vectorDifference(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// v scaled to unit length: each component times 1 / |v|.
inline Vec3 vectorNormalise(Vec3 v)
{
    const double inverse = 1.0 / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}
