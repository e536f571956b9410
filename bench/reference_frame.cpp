// velmora bench: flattening a mesh into float arrays, and sending it from them.
#include "bench/reference_frame.h"

FlatMesh flatten(const Mesh &mesh)
{
    FlatMesh flat;
    for (int32_t i = 0; i < mesh.triangleCount; ++i) {
        const Triangle &triangle = mesh.triangles[i];
        const auto texture = static_cast<GLuint>(triangle.texture);
        if (flat.runs.empty() || flat.runs.back().texture != texture)
            flat.runs.push_back({texture, 3 * static_cast<size_t>(i), 0});
        flat.runs.back().count += 3;
        for (const Vertex &c : triangle.v)
            for (double value : {c.texCoord.x, c.texCoord.y, c.normal.x, c.normal.y, c.normal.z,
                                 c.position.x, c.position.y, c.position.z})
                flat.corners.push_back(static_cast<float>(value));
    }
    return flat;
}

void drawFlat(const FlatMesh &mesh)
{
    for (const Run &run : mesh.runs) {
        glBindTexture(GL_TEXTURE_2D, run.texture);
        glBegin(GL_TRIANGLES);
        const float *p = mesh.corners.data() + 8 * run.first;
        for (const float *end = p + 8 * run.count; p != end; p += 8) {
            glTexCoord2f(p[0], p[1]);
            glNormal3f(p[2], p[3], p[4]);
            glVertex3f(p[5], p[6], p[7]);
        }
        glEnd();
    }
}
