// velmora: the gimbal chain mode: set-up, editing and display.
#include "modes/mode13.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "geometry/dodecahedron.h"
#include "geometry/gimbal.h"
#include "modes/scene.h"
#include "shell/assure.h"
#include "shell/velmora.h"
#include "shell/xalloc.h"
#include "textures/textures.h"
#include "view/camera.h"

D13 d13;

namespace {

// Face textures in load order; faceKey[f] indexes this list.
const char *const faceTextureKeys[4] = {"xeb2", "pipe", "ntux", "path"};
const int faceKey[12] = {0, 1, 2, 1, 2, 3, 3, 0, 3, 0, 2, 1};

const float non_highlighted_ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
const float non_highlighted_diffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
const float non_highlighted_specular[4] = {0.4f, 0.4f, 0.4f, 1.0f};
const float highlighted_ambient[4] = {0.1f, 0.0f, 0.0f, 1.0f};
const float highlighted_diffuse[4] = {0.4f, 0.0f, 0.0f, 1.0f};
const float highlighted_specular[4] = {0.4f, 0.0f, 0.0f, 1.0f};

}  // namespace

void d13modeInitFunc()
{
    window.specificKeyboardFunc = d13keyboardFunc;
    d13.angle[0] = 0.0;
    window.specificPassiveMotionFunc = d13passiveMotionFunc;
    d13.gimbalc = 1;

    const int ringTexture = loadNamedTexturePPM("pgac");
    d13.gimbal = calculateGimbal(ringTexture, 0.04, 128);

    int32_t loaded[4];
    for (int i = 0; i < 4; ++i)
        loaded[i] = loadNamedTexturePPM(faceTextureKeys[i]);
    auto *faceTexture = static_cast<int32_t *>(xalloc(12 * static_cast<int32_t>(sizeof(int32_t))));
    for (int f = 0; f < 12; ++f)
        faceTexture[f] = loaded[faceKey[f]];
    d13.dodecahedron = makeDodecahedron(faceTexture);

    window.specificDisplayFunc = d13display;

    setSceneBaseState();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    // Given while the modelview matrix is the identity, the directional light
    // stays fixed relative to the viewer: it comes from the upper right front.
    const float ambient[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float position[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void d13keyboardFunc(int key, int, int)
{
    if (generic.interaction != 'm')
        return;
    switch (key) {
    case 'f':  // insert a ring with angle 0 before the selected one, and select it
        if (d13.gimbalc >= maxGimbals)
            return;
        assure((0 <= d13.current) && (d13.current < d13.gimbalc));
        for (int32_t j = d13.gimbalc - 1; j >= d13.current; --j)
            d13.angle[j + 1] = d13.angle[j];
        d13.angle[d13.current] = 0.0;
        d13.gimbalc += 1;
        return;
    case 'k':  // delete the selected ring; the selection moves outward
        if (d13.gimbalc <= 1)
            return;
        assure((0 <= d13.current) && (d13.current < d13.gimbalc));
        for (int32_t j = d13.current + 1; j < d13.gimbalc; ++j)
            d13.angle[j - 1] = d13.angle[j];
        if (d13.current > 0)
            d13.current -= 1;
        d13.gimbalc -= 1;
        return;
    case 'n':  // select the next ring inward
        if (d13.current >= d13.gimbalc - 1)
            return;
        assure(0 <= d13.current);
        d13.current += 1;
        return;
    case 'p':  // select the next ring outward
        if (d13.current <= 0)
            return;
        d13.current -= 1;
        return;
    default:
        return;
    }
}

void d13passiveMotionFunc(int, int dx)
{
    d13.angle[d13.current] += dx * 0.01;
}

void setGimbalMaterial(bool highlighted)
{
    if (highlighted) {
        glDisable(GL_TEXTURE_2D);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, highlighted_ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, highlighted_diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, highlighted_specular);
    } else {
        glEnable(GL_TEXTURE_2D);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, non_highlighted_ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, non_highlighted_diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, non_highlighted_specular);
    }
}

void d13display()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(100, static_cast<double>(window.dW) / static_cast<double>(window.dH), 0.1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    genericLookAt(generic.vfar);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The rings are environment-mapped: generated coordinates replace the mesh's.
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);

    const int32_t gimbalc = d13.gimbalc;
    const int32_t current = d13.current;
    const bool editing = generic.interaction == 'm';
    glMatrixMode(GL_MODELVIEW);
    // Each ring carries the next: the transformations accumulate, so ring j is
    // drawn at scale 0.84^j, turned by every angle before it.
    for (int32_t j = 0; j < gimbalc; ++j) {
        if (editing && j == current)
            setGimbalMaterial(true);
        drawObject(d13.gimbal, 1.0, 1.0, true, true, true, true);
        glRotated(90, 0, 0, 1);
        glRotated(d13.angle[j] * 57.29577951308232, 1, 0, 0);
        glScaled(0.84, 0.84, 0.84);
        setGimbalMaterial(false);
    }

    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    const float ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    const float diffuse[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 2.0f);

    // The dodecahedron turns at 50 degrees a second about its own z axis.
    glScaled(0.4, 0.4, 0.4);
    glRotated(-90, 0, 1, 0);
    glRotated(0.05 * static_cast<double>(glutGet(GLUT_ELAPSED_TIME)), 0, 0, 1);
    drawObject(d13.dodecahedron, 1.0, 1.0, true, true, true, true);

    glutPostRedisplay();
    glutSwapBuffers();
}
