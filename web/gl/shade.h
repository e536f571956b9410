// velmora: the per-vertex arithmetic of GL 1.1's fixed pipeline that the layer draws with:
// lighting, sphere-map coordinates and the texture environment. This one text is both C++
// (the native tests call it, with vec.h's types) and GLSL ES 3.00 (webgl.cpp embeds it in its
// shaders after defining VELMORA_GLSL), so the tests check the code the GPU runs. Keep to the
// common subset: members x y z w only, vec3(v) for a vec4's first three, no swizzles, no
// references, no overloading, ASCII only.
//
//   Light, Material     one light (eye-space position) and the front material
//   Lit                 what a vertex's lighting takes from them, formed once for many draws
//   litProducts         the Lit of a material under a light (C++ only: the layer forms it)
//   lightVertex         a lit vertex's colour from its eye-space normal and position
//   switch...           the bits of the shaders' one integer of switches
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

// The terms of GL's lighting equation that do not depend on the vertex: the colour every vertex
// gets (emission and both ambient terms), the diffuse and specular products of light and
// material, and the light's position, the shininess and the material's diffuse alpha.
struct Lit {
    vec4 base;
    vec4 diffuse;
    vec4 specular;
    vec4 position;
    float shininess;
    float alpha;
};

#ifndef VELMORA_GLSL
// Added in the order lightVertex once added them per vertex, so the sums round alike.
inline Lit litProducts(vec4 sceneAmbient, Material m, Light l, bool lightOn)
{
    vec4 base = m.emission + sceneAmbient * m.ambient;
    if (lightOn)
        base = base + l.ambient * m.ambient;
    return {base, l.diffuse * m.diffuse, l.specular * m.specular, l.position, m.shininess, m.diffuse.w};
}
#endif

// The viewer is at infinity (GL's default), so the half vector uses (0, 0, 1). The normal is
// used as transformed, not renormalised: a scaled modelview scales the lighting with it.
SHADE_FN vec4 lightVertex(vec3 normal, vec3 eyePosition, Lit p, bool lightOn)
{
    vec4 colour = p.base;
    if (lightOn) {
        vec3 toLight = p.position.w == 0.0 ? normalize(vec3(p.position))
                                           : normalize(vec3(p.position) - eyePosition * p.position.w);
        vec3 halfway = normalize(toLight + vec3(0.0, 0.0, 1.0));
        float diffuse = max(dot(normal, toLight), 0.0);
        float nh = max(dot(normal, halfway), 0.0);
        // Shininess 0 means a factor of 1 (0 to the 0 is 1), which GLSL's pow leaves undefined.
        float shine = p.shininess == 0.0 ? 1.0 : pow(nh, p.shininess);
        float lit = diffuse > 0.0 ? 1.0 : 0.0;
        colour = colour + diffuse * p.diffuse + (lit * shine) * p.specular;
    }
    colour = clamp(colour, 0.0, 1.0);
    colour.w = p.alpha;
    return colour;
}

// The shaders' switches, one bit each in a single integer uniform.
const int switchLighting = 1;
const int switchLight0 = 2;
const int switchGenS = 4;
const int switchGenT = 8;
const int switchTextured = 16;
const int switchDecal = 32;

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
