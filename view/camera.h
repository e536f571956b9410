// velmora: the orbit camera shared by every display mode.
#pragma once

#include "geometry/vector.h"

// A right-handed orthonormal frame looking at the origin, the eye distance of
// the gimbal chain mode and the interaction mode. genericGlide rebuilds the
// frame only once rounding has moved it past 1e-9; readers normalise `eye`
// themselves.
struct Generic {
    char interaction;  // 'v': input steers the camera; 'm': input goes to the mode's hooks
    double vfar;       // eye distance in the gimbal chain mode; unbounded
    Vec3 up;           // camera y axis
    Vec3 eye;          // from the origin towards the eye (camera z axis)
    Vec3 right;        // camera x axis
};

extern Generic generic;

// Start position: 'v', vfar 1.5, up (0,1,0), eye (0,0,-1), right (-1,0,0).
void genericInit();
// Turns the frame: pitch about `right`, then roll about `eye`, then yaw about `up`;
// then rebuilds it orthonormal if rounding has moved it past 1e-9.
void genericGlide(double yaw, double roll, double pitch);
// Loads the view of the camera at `distance` from the origin onto the current matrix.
void genericLookAt(double distance);
