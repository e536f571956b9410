// velmora: the single-ring preview modes: 6 (checker texture) and 8 (sphere-mapped picture).
#pragma once

#include "geometry/mesh.h"

extern Mesh d6;  // the mode-6 ring: 32 segments, half-width 0.1
extern Mesh d8;  // the mode-8 ring: 64 segments, half-width 0.1

// Mode-6 set-up: a 4 x 4 blue and rose checker texture, nearest filtering, on the ring.
void d6modeInitFunc();
// Mode-6 frame: the ring from distance 10, checker repeated ten times around it, decal.
void d6display();
// Mode-8 set-up: the "pgac" picture as a sphere map on the ring.
void d8modeInitFunc();
// Mode-8 frame: the ring from distance 5, tinted towards red.
void d8display();
