// velmora: the gimbal chain mode: set-up, editing and display.
#include "modes/mode13.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cmath>

#include "geometry/gimbal.h"
#include "geometry/vector.h"
#include "shell/assure.h"
#include "shell/velmora.h"
#include "shell/xalloc.h"
#include "textures/textures.h"
#include "view/camera.h"

D13 d13;

namespace {

// The dodecahedron's corners, on the unit sphere to three decimals.
const float vertices[20][3] = {
    {0.607f, 0.0f, 0.795f},     {0.188f, 0.577f, 0.795f},   {-0.491f, 0.357f, 0.795f},
    {-0.491f, -0.357f, 0.795f}, {0.188f, -0.577f, 0.795f},  {0.982f, 0.0f, 0.188f},
    {0.304f, 0.934f, 0.188f},   {-0.795f, 0.577f, 0.188f},  {-0.795f, -0.577f, 0.188f},
    {0.304f, -0.934f, 0.188f},  {0.795f, 0.577f, -0.188f},  {-0.304f, 0.934f, -0.188f},
    {-0.982f, 0.0f, -0.188f},   {-0.304f, -0.934f, -0.188f}, {0.795f, -0.577f, -0.188f},
    {0.491f, 0.357f, -0.795f},  {-0.188f, 0.577f, -0.795f}, {-0.607f, 0.0f, -0.795f},
    {-0.188f, -0.577f, -0.795f}, {0.491f, -0.357f, -0.795f},
};

// Each pentagon counter-clockwise seen from outside, so its normal points out.
const int32_t faceVtxIdx[12][5] = {
    {0, 1, 2, 3, 4},     {5, 10, 6, 1, 0},    {6, 11, 7, 2, 1},    {7, 12, 8, 3, 2},
    {8, 13, 9, 4, 3},    {9, 14, 5, 0, 4},    {15, 16, 11, 6, 10}, {16, 17, 12, 7, 11},
    {17, 18, 13, 8, 12}, {18, 19, 14, 9, 13}, {19, 15, 10, 5, 14}, {19, 18, 17, 16, 15},
};

// Face textures in load order; faceKey[f] indexes this list.
const char *const faceTextureKeys[4] = {"xeb2", "pipe", "ntux", "path"};
const int faceKey[12] = {0, 1, 2, 1, 2, 3, 3, 0, 3, 0, 2, 1};

const float non_highlighted_ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
const float non_highlighted_diffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
const float non_highlighted_specular[4] = {0.4f, 0.4f, 0.4f, 1.0f};
const float highlighted_ambient[4] = {0.1f, 0.0f, 0.0f, 1.0f};
const float highlighted_diffuse[4] = {0.4f, 0.0f, 0.0f, 1.0f};
const float highlighted_specular[4] = {0.4f, 0.0f, 0.0f, 1.0f};

Vec3 difference(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 normalise(Vec3 v)
{
    const double inverse = 1.0 / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

}  // namespace

Mesh makeDodecahedron(const int32_t *faceTexture)
{
    auto *triangles = static_cast<Triangle *>(xalloc(36 * static_cast<int32_t>(sizeof(Triangle))));
    for (int f = 0; f < 12; ++f) {
        Vec3 p[5];
        for (int k = 0; k < 5; ++k) {
            const float *v = vertices[faceVtxIdx[f][k]];
            p[k] = {v[0], v[1], v[2]};
        }
        const Vec3 n = normalise(vectorCrossProduct(difference(p[1], p[0]), difference(p[2], p[0])));
        // In-plane axes: e1 along the first edge, e2 from that edge into the face.
        const Vec3 e1 = normalise(difference(p[1], p[0]));
        const Vec3 e2 = vectorCrossProduct(n, e1);
        double u[5] = {0.0}, v[5] = {0.0};
        for (int k = 1; k < 5; ++k) {
            u[k] = dot(e1, difference(p[k], p[0]));
            v[k] = dot(e2, difference(p[k], p[0]));
        }
        double umin = u[0], umax = u[0], vmin = v[0], vmax = v[0];
        for (int k = 1; k < 5; ++k) {
            umin = std::fmin(umin, u[k]);
            umax = std::fmax(umax, u[k]);
            vmin = std::fmin(vmin, v[k]);
            vmax = std::fmax(vmax, v[k]);
        }
        // Each pentagon fills the unit texture square, its first edge on t = 0.
        Vec3 tc[5];
        for (int k = 0; k < 5; ++k)
            tc[k] = {(u[k] - umin) / (umax - umin), (v[k] - vmin) / (vmax - vmin), 0.0};
        for (int t = 0; t < 3; ++t) {
            triangles[3 * f + t] = {faceTexture[f],
                                    {{p[0], n, tc[0]}, {p[t + 1], n, tc[t + 1]}, {p[t + 2], n, tc[t + 2]}}};
        }
    }
    return {2, 0.0, {0.0, 0.0, 0.0}, 36, triangles};
}

void d13modeInitFunc()
{
    specificKeyboardFunc = d13keyboardFunc;
    d13.angle[0] = 0.0;
    specificPassiveMotionFunc = d13passiveMotionFunc;
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

    specificDisplayFunc = d13display;

    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
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
    gluPerspective(100, static_cast<double>(dW) / static_cast<double>(dH), 0.1, 10);
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
