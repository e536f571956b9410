// velmora bench: reference (a), the chain frame's GL calls sent from meshes flattened in advance.
#pragma once

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/mesh.h"
#include "modes/mode13.h"
#include "shell/velmora.h"
#include "view/camera.h"

// A mesh as GL receives it: 8 floats a corner (s, t, nx, ny, nz, x, y, z) and the runs of
// corners that share a texture, each sent as one glBegin/glEnd batch after its bind.
struct Run {
    GLuint texture;
    size_t first, count;  // in corners
};
struct FlatMesh {
    std::vector<float> corners;
    std::vector<Run> runs;
};

// The mesh's corners as drawObject sends them, grouped into runs of one texture.
FlatMesh flatten(const Mesh &mesh);
// Sends a flattened mesh: each run's bind, then its corners in one batch.
void drawFlat(const FlatMesh &mesh);

// d13display() call for call, with the two meshes drawn by `draw(0)` (the ring) and `draw(1)`.
// It reads the elapsed time for the dodecahedron's spin just as the real frame does. A template,
// so that the bench times the drawing inlined, with nothing added per call.
template <class Draw>
void referenceFrame(Draw draw)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(100, static_cast<double>(window.dW) / static_cast<double>(window.dH), 0.1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    genericLookAt(generic.vfar);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glMatrixMode(GL_MODELVIEW);
    for (int32_t j = 0; j < d13.gimbalc; ++j) {  // not editing: no ring is highlighted
        draw(0);
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
    glScaled(0.4, 0.4, 0.4);
    glRotated(-90, 0, 1, 0);
    glRotated(0.05 * static_cast<double>(glutGet(GLUT_ELAPSED_TIME)), 0, 0, 1);
    draw(1);
    glutPostRedisplay();
    glutSwapBuffers();
}
