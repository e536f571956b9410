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

void genericGlide(double yaw, double roll, double pitch)
{
    // Each step uses the vectors as the steps before it left them.
    generic.up = vectorAA(generic.up, generic.right, pitch);
    generic.eye = vectorAA(generic.eye, generic.right, pitch);
    generic.up = vectorAA(generic.up, generic.eye, roll);
    generic.right = vectorAA(generic.right, generic.eye, roll);
    generic.eye = vectorAA(generic.eye, generic.up, yaw);
    generic.right = vectorAA(generic.right, generic.up, yaw);
}

void genericLookAt(double distance)
{
    const Vec3 &e = generic.eye;
    const double inverse = 1.0 / std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
    gluLookAt(distance * (e.x * inverse), distance * (e.y * inverse), distance * (e.z * inverse),
              0.0, 0.0, 0.0, generic.up.x, generic.up.y, generic.up.z);
}
