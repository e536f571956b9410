// velmora: the orbit camera.
#include "view/camera.h"

#include <GL/glu.h>

#include <cmath>

#include "geometry/vector.h"

Generic generic;

void genericInit()
{
    generic.interaction = 'v';
    generic.vfar = 1.5;
    generic.up = {0.0, 1.0, 0.0};
    generic.eye = {0.0, 0.0, -1.0};
    generic.right = {-1.0, 0.0, 0.0};
}

double genericDrift(const Generic &g)
{
    return std::fmax(std::fmax(std::fabs(vectorDot(g.eye, g.eye) - 1), std::fabs(vectorDot(g.up, g.up) - 1)),
                     std::fmax(std::fabs(vectorDot(g.up, g.eye)), std::fabs(vectorDot(g.right, g.right) - 1)));
}

// Rebuilds a right-handed orthonormal frame from `eye` and `up` once rounding
// has moved it measurably. The rotations use the frame's own vectors as axes,
// so any error in them grows with every turn: left alone, a few thousand key
// presses make the frame non-finite and the picture black. A frame within the
// limit is left exactly as it is.
static void renormalise()
{
    Generic &g = generic;
    if (!(genericDrift(g) > genericDriftLimit))
        return;
    g.eye = vectorNormalise(g.eye);
    g.right = vectorNormalise(vectorCrossProduct(g.up, g.eye));
    g.up = vectorCrossProduct(g.eye, g.right);
}

void genericGlide(double yaw, double roll, double pitch)
{
    // Each step uses the vectors as the steps before it left them.
    generic.up = vectorAA(generic.up, generic.right, pitch);
    generic.eye = vectorAA(generic.eye, generic.right, pitch);
    generic.up = vectorAA(generic.up, generic.eye, roll);
    generic.right = vectorAA(generic.right, generic.eye, roll);
    generic.eye = vectorAA(generic.eye, generic.up, yaw);
    generic.right = vectorAA(generic.right, generic.up, yaw);
    renormalise();
}

void genericLookAt(double distance)
{
    const Vec3 e = vectorNormalise(generic.eye);
    gluLookAt(distance * e.x, distance * e.y, distance * e.z,
              0.0, 0.0, 0.0, generic.up.x, generic.up.y, generic.up.z);
}
