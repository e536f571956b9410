// velmora: the textured dodecahedron mesh.
#pragma once

#include <cstdint>

#include "geometry/mesh.h"

// Builds the 36-triangle dodecahedron (kind 2) around the origin, its corners on
// the unit sphere: each of the 12 pentagons is a fan of three triangles from its
// first corner, with the outward face normal at every corner and texture
// coordinates that stretch the pentagon over the unit square, its first edge on
// t = 0. Face f carries faceTexture[f]. Takes one block from the arena.
Mesh makeDodecahedron(const int32_t *faceTexture);
