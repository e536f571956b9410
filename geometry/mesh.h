// velmora: the triangle-list records every visible object is held in, and drawObject.
#pragma once

#include <cstdint>

#include "geometry/vector.h"

struct Vertex {
    Vec3 position;
    Vec3 normal;    // unit normal used for lighting at this corner
    Vec3 texCoord;  // x is s, y is t; z is always 0.0
};

struct Triangle {
    int32_t texture;  // GL texture name bound while this triangle is drawn
    Vertex v[3];      // corners in the order sent to GL (counter-clockwise = front)
};

// Names one triangle list in the arena. Copies share the triangle array.
struct Mesh {
    int32_t kind;          // 1 = gimbal ring, 2 = dodecahedron
    double halfWidth;      // a ring's cross-section half-width; 0.0 otherwise
    Vec3 reserved;         // always (0, 0, 0)
    int32_t triangleCount;
    Triangle *triangles;
};

// Sends the mesh to GL in immediate mode, one glBegin/glEnd batch per run of
// triangles with the same texture (one batch in all when bindTextures is false).
// s and t are multiplied by sScale and tScale; the emit switches pick which
// per-corner calls are made. Sets no other GL state; the last texture stays bound.
void drawObject(Mesh mesh, double sScale, double tScale, bool bindTextures,
                bool emitTexCoords, bool emitNormals, bool emitVertices);
