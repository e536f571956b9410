// velmora: keyboard and pointer input for the camera and the mode hooks.
#include "view/input.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "shell/velmora.h"
#include "view/camera.h"

// The first two passive-motion events of the process report wherever the
// pointer happened to be before the first warp, so they are dropped.
int preskip = 2;

// Keys, in both interaction modes:
//   Escape  end the program (status 0)
//   c       reset the camera (also vfar and the interaction mode)
//   v / m   steer the camera / hand keys and pointer to the mode
// Keys in mode 'v' (0.1 rad a press):
//   a / d   yaw left / right        e / q   roll        w / s   pitch
//   x / z   move the eye away (x 20/19) / closer (x 0.95)
// Everything else goes to the mode's keyboard hook.
void keyboardFunc(unsigned char key, int x, int y)
{
    glutPostRedisplay();
    std::fprintf(stderr, "keyboardFunc(%ld, %ld, %ld)\n", static_cast<long>(key), static_cast<long>(x),
                 static_cast<long>(y));
    if (key == 27)
        std::exit(0);
    if (key == 'c') {
        genericInit();
        return;
    }
    if (key == 'v' || key == 'm') {
        generic.interaction = static_cast<char>(key);
        return;
    }
    if (generic.interaction == 'v') {
        switch (key) {
        case 'a': genericGlide(0.1, 0, 0); return;
        case 'd': genericGlide(-0.1, 0, 0); return;
        case 'e': genericGlide(0, 0.1, 0); return;
        case 'q': genericGlide(0, -0.1, 0); return;
        case 'w': genericGlide(0, 0, 0.1); return;
        case 's': genericGlide(0, 0, -0.1); return;
        case 'x':
            generic.vfar *= 1.0526315789473684;
            std::fprintf(stderr, "vfar = %lf\n", generic.vfar);
            return;
        case 'z':
            generic.vfar *= 0.95;
            std::fprintf(stderr, "vfar = %lf\n", generic.vfar);
            return;
        default: break;
        }
    }
    if (window.specificKeyboardFunc)
        window.specificKeyboardFunc(key, y, x);
}

void specialFunc(int key, int x, int y)
{
    std::fprintf(stderr, "specialFunc(%ld, %ld, %ld)\n", static_cast<long>(key), static_cast<long>(y),
                 static_cast<long>(x));
    if (window.specificSpecialFunc) {
        window.specificSpecialFunc(key, y, x);
        glutPostRedisplay();
    }
}

// 0.0001 radian times the offset squared: fine control near the centre, fast
// turns for big movements.
static double response(int d)
{
    return std::pow(std::abs(d) * 0.1, 2.0) * 0.01;
}

void passiveMotionFunc(int x, int y)
{
    if (preskip != 0) {
        --preskip;
        return;
    }
    const int dx = x - window.hW;
    const int dy = window.hH - y;
    if (dx == 0 && dy == 0)
        return;
    if (generic.interaction == 'v') {
        const double yaw = response(dx) * (dx > 0 ? -1 : 1);
        const double pitch = response(dy) * (dy > 0 ? 1 : -1);
        genericGlide(yaw, 0, pitch);
        glutPostRedisplay();
    } else if (window.specificPassiveMotionFunc) {
        window.specificPassiveMotionFunc(dy, dx);
        glutPostRedisplay();
    }
}
