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

// How far the frame may drift from orthonormal before genericGlide rebuilds it.
constexpr double genericDriftLimit = 1e-9;

// Start position: 'v', vfar 1.5, up (0,1,0), eye (0,0,-1), right (-1,0,0).
void genericInit();
// Turns the frame: pitch about `right`, then roll about `eye`, then yaw about `up`;
// then rebuilds it orthonormal if rounding has moved it past 1e-9.
void genericGlide(double yaw, double roll, double pitch);
// How far the frame of `g` is from orthonormal, as genericGlide measures it: the largest of
// the errors of |eye|^2, |up|^2 and |right|^2 from 1 and of up . eye from 0.
double genericDrift(const Generic &g);
// Loads the view of the camera at `distance` from the origin onto the current matrix.
void genericLookAt(double distance);
