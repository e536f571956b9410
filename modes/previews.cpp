// velmora: the single-ring preview modes. Neither animates: they redraw only on request.
#include "modes/previews.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdint>

#include "geometry/gimbal.h"
#include "modes/scene.h"
#include "shell/velmora.h"
#include "textures/textures.h"
#include "view/camera.h"

Mesh d6;
Mesh d8;

void d6modeInitFunc()
{
    // 4 x 4 RGBA texels, row j column i blue when i + j is even, rose when odd.
    const unsigned char blue[4] = {34, 34, 178, 255};
    const unsigned char rose[4] = {238, 103, 122, 255};
    unsigned char image[4][4][4];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            for (int c = 0; c < 4; ++c)
                image[j][i][c] = (i + j) % 2 == 0 ? blue[c] : rose[c];

    const GLuint tex = newBoundTexture();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);

    d6 = calculateGimbal(static_cast<int32_t>(tex), 0.1, 32);
    window.specificDisplayFunc = d6display;

    setSceneBaseState();
    glEnable(GL_TEXTURE_2D);
}

// Projection, view from `distance` and a cleared frame, shared by both previews.
static void beginPreviewFrame(double distance)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, static_cast<double>(window.dW) / static_cast<double>(window.dH), 1, 200);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    genericLookAt(distance);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void d6display()
{
    beginPreviewFrame(10);
    // Decal with opaque texels shows the checker's own colours, unlit.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    drawObject(d6, 1.0, 10.0, true, true, true, true);
    glutSwapBuffers();
}

void d8modeInitFunc()
{
    const int tex = loadNamedTexturePPM("pgac");
    d8 = calculateGimbal(tex, 0.1, 64);
    window.specificDisplayFunc = d8display;

    setSceneBaseState();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void d8display()
{
    beginPreviewFrame(5);
    glColor3f(1.0f, 0.5f, 0.5f);
    // GL's sphere-map coordinates replace the ones drawObject sends.
    drawObject(d8, 1.0, 1.0, true, true, true, true);
    glutSwapBuffers();
}
