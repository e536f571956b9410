// velmora: the gimbal ring mesh generator.
#pragma once

#include "geometry/mesh.h"

// A closed ring of square cross-section in the x-y plane, centred at the origin:
// outer radius 1, inner radius 1 - 2*halfWidth, faces at z = +-halfWidth.
// Returns 8 * segments triangles (upper, outer, lower, inner face: two each per
// segment, counter-clockwise from outside), all carrying `texture`; taken from
// the arena with one request. t runs 0..1 once around the ring, s 0..1 once
// around the cross-section.
Mesh calculateGimbal(int32_t texture, double halfWidth, int32_t segments);
