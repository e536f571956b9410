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

static double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// How far the frame may drift from orthonormal before it is rebuilt.
static const double drift_limit = 1e-9;

// Rebuilds a right-handed orthonormal frame from `eye` and `up` once rounding
// has moved it measurably. The rotations use the frame's own vectors as axes,
// so any error in them grows with every turn: left alone, a few thousand key
// presses make the frame non-finite and the picture black. A frame within the
// limit is left exactly as it is.
static void renormalise()
{
    Generic &g = generic;
    const double drift = std::fmax(std::fmax(std::fabs(dot(g.eye, g.eye) - 1), std::fabs(dot(g.up, g.up) - 1)),
                                   std::fmax(std::fabs(dot(g.up, g.eye)), std::fabs(dot(g.right, g.right) - 1)));
    if (!(drift > drift_limit))
        return;
    const double inverse = 1.0 / std::sqrt(dot(g.eye, g.eye));
    g.eye = {g.eye.x * inverse, g.eye.y * inverse, g.eye.z * inverse};
    g.right = vectorCrossProduct(g.up, g.eye);
    const double rightInverse = 1.0 / std::sqrt(dot(g.right, g.right));
    g.right = {g.right.x * rightInverse, g.right.y * rightInverse, g.right.z * rightInverse};
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
    const Vec3 &e = generic.eye;
    const double inverse = 1.0 / std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
    gluLookAt(distance * (e.x * inverse), distance * (e.y * inverse), distance * (e.z * inverse),
              0.0, 0.0, 0.0, generic.up.x, generic.up.y, generic.up.z);
}
