// velmora: the gimbal chain mode: nested rings around a spinning dodecahedron.
#pragma once

#include <cstdint>

#include "geometry/mesh.h"

constexpr int32_t maxGimbals = 127;

// The chain: ring 0 is the outermost, ring gimbalc - 1 the innermost.
struct D13 {
    int32_t gimbalc;     // rings in the chain, 1..127
    int32_t current;     // the selected ring, 0 <= current < gimbalc
    // angle[j]: turn of the joint between ring j and what it carries.
    double angle[129];   // two spare past the 127-ring limit: an insert's shift stays inside
    Mesh gimbal;         // one ring mesh, drawn once per ring
    Mesh dodecahedron;   // the textured solid at the centre
};

extern D13 d13;

// Set-up, run once by start-up: hooks, one ring, both meshes, lighting.
void d13modeInitFunc();
// Keyboard hook, in interaction mode 'm' only:
// 'f' insert, 'k' delete, 'n' select inward, 'p' select outward.
void d13keyboardFunc(int key, int y, int x);
// Pointer hook: turns the selected ring's joint by 0.01 radian per pixel of dx.
void d13passiveMotionFunc(int dy, int dx);
// Display hook: draws the chain and the dodecahedron, asks for the next frame.
void d13display();
// Selects the dark red untextured material of the selected ring (true), or
// the grey textured one of the others (false).
void setGimbalMaterial(bool highlighted);
