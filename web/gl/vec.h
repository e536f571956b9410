// velmora: the few GLSL vector types and functions shade.h uses, so that the same text
// compiles as C++ for the native tests. Single precision throughout, as on the GPU.
//
//   vec2, vec3, vec4   float vectors with GLSL's members x, y, z, w and constructors
//   + - * /            component-wise, and with a float on either side of * (and / by one)
//   dot, length, normalize, mix, clamp, max, sqrt, pow   as GLSL defines them
#ifndef VELMORA_WEB_GL_VEC_H
#define VELMORA_WEB_GL_VEC_H

#include <cmath>

namespace vgl {

struct vec2 {
    float x, y;
    vec2(float x_, float y_) : x(x_), y(y_) {}
};

struct vec4;

struct vec3 {
    float x, y, z;
    vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit vec3(const vec4 &v);  // GLSL's vec3(vec4): the first three components
};

struct vec4 {
    float x, y, z, w;
    vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    vec4(const vec3 &v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
};

inline vec3::vec3(const vec4 &v) : x(v.x), y(v.y), z(v.z) {}

inline float sqrt(float a) { return std::sqrt(a); }
inline float pow(float a, float b) { return std::pow(a, b); }
inline float max(float a, float b) { return a > b ? a : b; }
inline float min(float a, float b) { return a < b ? a : b; }
inline float clamp(float a, float lo, float hi) { return min(max(a, lo), hi); }

inline vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator-(vec3 a, vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline vec3 operator*(vec3 a, vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline vec3 operator*(vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline vec3 operator*(float s, vec3 a) { return a * s; }
inline vec3 operator/(vec3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }

inline vec4 operator+(vec4 a, vec4 b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline vec4 operator-(vec4 a, vec4 b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline vec4 operator*(vec4 a, vec4 b) { return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w}; }
inline vec4 operator*(vec4 a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
inline vec4 operator*(float s, vec4 a) { return a * s; }

inline float dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float length(vec3 a) { return sqrt(dot(a, a)); }
inline vec3 normalize(vec3 a) { return a / length(a); }
inline vec3 mix(vec3 a, vec3 b, float t) { return a * (1.0f - t) + b * t; }
inline vec4 clamp(vec4 a, float lo, float hi)
{
    return {clamp(a.x, lo, hi), clamp(a.y, lo, hi), clamp(a.z, lo, hi), clamp(a.w, lo, hi)};
}

}  // namespace vgl

#endif
