// velmora: the two vector operations of the geometry (double precision, radians).
#pragma once

#include "geometry/mesh.h"

// a x b, right-handed: x cross y is z.
Vec3 vectorCrossProduct(const Vec3 &a, const Vec3 &b);
// v turned about `axis` by `angle` (right-hand rule). The axis is used as
// given, not normalised; callers pass unit vectors.
Vec3 vectorAA(Vec3 v, Vec3 axis, double angle);
