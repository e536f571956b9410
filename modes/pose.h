// velmora: the pose: the camera and the chain as a short text that a link or POSE can carry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/vector.h"
#include "modes/mode13.h"

// Everything that decides the picture apart from the solid's spin and the window size.
struct Pose {
    char interaction;           // 'v' or 'm', as in Generic
    double vfar;                // finite and positive
    Vec3 up, eye, right;        // a right-handed orthonormal frame, as the camera keeps it
    int32_t gimbalc;            // rings in the chain, 1..127; 0: no chain (display modes 6 and 8)
    int32_t current;            // the selected ring, 0 <= current < gimbalc
    double angle[maxGimbals];   // the joints' angles, finite
};

// Characters in the longest text (127 rings) and its terminating NUL.
constexpr std::size_t poseTextSize = 1472;

// The viewer's pose: the camera, and the chain when the display mode is the chain's.
Pose poseOfViewer();
// Writes `pose` as version 1 text into `text` (poseTextSize bytes): "1.", the interaction
// mode, ".", the camera's ten doubles in base64url; with a chain, ".", the selection in
// decimal, ".", the angles in base64url. Doubles are IEEE 754 bytes, least significant first,
// so a written pose reads back bit for bit on every platform.
void poseWrite(const Pose &pose, char *text);
// Reads a pose written by any version this program knows. Returns null once `pose` holds it,
// or why the text was refused; a refused text leaves `pose` as it was.
const char *poseRead(const char *text, Pose *pose);
// Makes `pose` the viewer's: the camera, and the chain if it has one. Returns null, or why it
// was refused (a chain where the display mode has none), having changed nothing.
const char *poseApply(const Pose &pose);
// Start-up's use: reads and applies `text`, or leaves the viewer as it is and writes one
// standard-error line, "pose ignored: " and the reason.
void poseStart(const char *text);
