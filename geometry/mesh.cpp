// velmora: immediate-mode drawing of a triangle list.
#include "geometry/mesh.h"

#include <GL/gl.h>

void drawObject(Mesh mesh, double sScale, double tScale, bool bindTextures,
                bool emitTexCoords, bool emitNormals, bool emitVertices)
{
    int32_t current = -1;
    if (bindTextures && mesh.triangleCount > 0) {
        current = mesh.triangles[0].texture;
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(current));
    }
    glBegin(GL_TRIANGLES);
    for (int32_t i = 0; i < mesh.triangleCount; ++i) {
        const Triangle &triangle = mesh.triangles[i];
        if (bindTextures && triangle.texture != current) {
            // Binding is not allowed inside glBegin/glEnd: close the batch first.
            glEnd();
            current = triangle.texture;
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(current));
            glBegin(GL_TRIANGLES);
        }
        for (const Vertex &corner : triangle.v) {
            if (emitTexCoords)
                glTexCoord2f(static_cast<float>(sScale * corner.texCoord.x),
                             static_cast<float>(tScale * corner.texCoord.y));
            if (emitNormals)
                glNormal3f(static_cast<float>(corner.normal.x), static_cast<float>(corner.normal.y),
                           static_cast<float>(corner.normal.z));
            if (emitVertices)
                glVertex3f(static_cast<float>(corner.position.x), static_cast<float>(corner.position.y),
                           static_cast<float>(corner.position.z));
        }
    }
    glEnd();
}
