// velmora: the per-vertex arithmetic of GL 1.1's fixed pipeline that the layer draws with:
// lighting, sphere-map coordinates and the texture environment. This one text is both C++
// (the native tests call it, with vec.h's types) and GLSL ES 3.00 (webgl.cpp embeds it in its
// shaders after defining VELMORA_GLSL), so the tests check the code the GPU runs. Keep to the
// common subset: members x y z w only, vec3(v) for a vec4's first three, no swizzles, no
// references, no overloading, ASCII only.
//
//   Light, Material     one light (eye-space position) and the front material
//   lightVertex         a lit vertex's colour from its eye-space normal and position
//   sphereMap           the sphere-map (s, t) of an eye-space position and normal
//   envModulate, envDecal, textureEnvironment   a fragment's colour after texturing
#ifndef VELMORA_WEB_GL_SHADE_H
#define VELMORA_WEB_GL_SHADE_H

#ifdef VELMORA_GLSL
#define SHADE_FN
#else
#include "vec.h"
#define SHADE_FN inline
namespace vgl {
#endif

struct Light {
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
    vec4 position;  // in eye coordinates: transformed when it was given
};

struct Material {
    vec4 emission;
    vec4 ambient;
    vec4 diffuse;
    vec4 specular;
    float shininess;
};

// The viewer is at infinity (GL's default), so the half vector uses (0, 0, 1). The normal is
// used as transformed, not renormalised: a scaled modelview scales the lighting with it.
SHADE_FN vec4 lightVertex(vec3 normal, vec3 eyePosition, vec4 sceneAmbient, Material m, Light l,
                          bool lightOn)
{
    vec4 colour = m.emission + sceneAmbient * m.ambient;
    if (lightOn) {
        vec3 toLight = l.position.w == 0.0 ? normalize(vec3(l.position))
                                           : normalize(vec3(l.position) - eyePosition * l.position.w);
        vec3 halfway = normalize(toLight + vec3(0.0, 0.0, 1.0));
        float diffuse = max(dot(normal, toLight), 0.0);
        float nh = max(dot(normal, halfway), 0.0);
        // Shininess 0 means a factor of 1 (0 to the 0 is 1), which GLSL's pow leaves undefined.
        float shine = m.shininess == 0.0 ? 1.0 : pow(nh, m.shininess);
        float lit = diffuse > 0.0 ? 1.0 : 0.0;
        colour = colour + l.ambient * m.ambient + diffuse * (l.diffuse * m.diffuse) +
                 (lit * shine) * (l.specular * m.specular);
    }
    colour = clamp(colour, 0.0, 1.0);
    colour.w = m.diffuse.w;
    return colour;
}

// The reflection of the eye direction about the (unnormalised) normal, mapped onto the
// sphere's disc. Straight back at the viewer gives no direction: (0.5, 0.5).
SHADE_FN vec2 sphereMap(vec3 eyePosition, vec3 normal)
{
    vec3 u = normalize(eyePosition);
    vec3 r = u - 2.0 * normal * dot(normal, u);
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    if (m == 0.0)
        return vec2(0.5, 0.5);
    return vec2(r.x / m + 0.5, r.y / m + 0.5);
}

const int envModulate = 0;
const int envDecal = 1;

// An RGB texture's texel has alpha 1, so the RGBA rules serve both base formats.
SHADE_FN vec4 textureEnvironment(vec4 colour, vec4 texel, int mode)
{
    if (mode == envDecal)
        return vec4(mix(vec3(colour), vec3(texel), texel.w), colour.w);
    return colour * texel;
}

#ifndef VELMORA_GLSL
}  // namespace vgl
#endif

#endif
