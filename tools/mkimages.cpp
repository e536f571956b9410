// mkimages: draws velmora's six PPM textures (the ring sphere map and the face pictures) into a directory.
// Usage: mkimages DIRECTORY. All noise comes from a hand-written integer hash and no library function is
// given a constant argument the compiler could fold, so the bytes never depend on the build.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct V3 { double x, y, z; };
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalize(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }
V3 mix(V3 a, V3 b, double t) { return a + (b - a) * t; }

constexpr double pi = 3.14159265358979323846;

double clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }
double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

// Integer hash of a lattice point: the only source of "randomness".
uint32_t hash(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h ^ (h >> 16)) * 0x7FEB352Du;
    h = (h ^ (h >> 15)) * 0x846CA68Bu;
    return h ^ (h >> 16);
}
double rnd(int32_t x, int32_t y, uint32_t seed) { return hash(x, y, seed) / 4294967296.0; }

// Value noise in [0,1] with a quintic fade, and a sum of octaves of it.
double noise(double x, double y, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6.0 - 15.0) + 10.0);
    ty = ty * ty * ty * (ty * (ty * 6.0 - 15.0) + 10.0);
    const double a = rnd(ix, iy, seed), b = rnd(ix + 1, iy, seed);
    const double c = rnd(ix, iy + 1, seed), d = rnd(ix + 1, iy + 1, seed);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}
double fbm(double x, double y, int octaves, uint32_t seed)
{
    double sum = 0.0, amp = 0.5, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(x, y, seed + static_cast<uint32_t>(i));
        total += amp;
        amp *= 0.5;
        x = x * 2.03 + 1.7;
        y = y * 2.03 - 0.9;
    }
    return sum / total;
}

// Cellular noise: distances to the nearest and second nearest jittered point,
// and the lattice cell owning the nearest one.
struct Cells { double f1, f2; int32_t cx, cy; };
Cells cells(double x, double y, uint32_t seed)
{
    const auto ix = static_cast<int32_t>(std::floor(x)), iy = static_cast<int32_t>(std::floor(y));
    Cells out{9.0, 9.0, 0, 0};
    for (int32_t j = iy - 1; j <= iy + 1; ++j)
        for (int32_t i = ix - 1; i <= ix + 1; ++i) {
            const double px = i + 0.15 + 0.7 * rnd(i, j, seed), py = j + 0.15 + 0.7 * rnd(i, j, seed + 1);
            const double d = std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
            if (d < out.f1)
                out = {d, out.f1, i, j};
            else if (d < out.f2)
                out.f2 = d;
        }
    return out;
}

// Renders a square image by averaging ss x ss samples per pixel of shade(u, v),
// u and v in [0,1], v = 0 at the first row written, and writes it as binary PPM.
template <class Shader>
bool writePPM(const std::string &dir, const char *name, int size, bool wide, int ss, Shader shade)
{
    const std::string header = "P6\n" + std::to_string(size) + " " + std::to_string(size) + "\n" + (wide ? "65535" : "255") + "\n";
    std::vector<unsigned char> out(header.begin(), header.end());
    const double maxval = wide ? 65535.0 : 255.0;
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            V3 sum{0.0, 0.0, 0.0};
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx)
                    sum = sum + shade((col + (sx + 0.5) / ss) / size, (row + (sy + 0.5) / ss) / size);
            sum = sum * (1.0 / (ss * ss));
            for (double c : {sum.x, sum.y, sum.z}) {
                const auto q = static_cast<unsigned>(std::floor(clamp01(c) * maxval + 0.5));
                if (wide)
                    out.push_back(static_cast<unsigned char>(q >> 8));
                out.push_back(static_cast<unsigned char>(q & 255u));
            }
        }
    FILE *f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}

// pgac: the world around the rings as a mirrored ball sees it. d is a unit
// direction in eye space: y up, z towards the viewer.
V3 environment(V3 d)
{
    const double flat = std::sqrt(d.x * d.x + d.z * d.z) + 1e-12;
    const double hx = d.x / flat, hz = d.z / flat;  // heading on the horizon circle
    if (d.y >= 0.0) {
        const double e = d.y;
        V3 c = mix({0.95, 0.96, 0.97}, {0.10, 0.30, 0.72}, std::pow(e, 0.5));
        // Soft clouds projected on a plane overhead.
        const double cl = fbm(d.x / (e + 0.2) * 1.3 + 4.0, d.z / (e + 0.2) * 1.3, 5, 21);
        c = mix(c, {0.97, 0.98, 1.0}, 0.55 * smoothstep(0.5, 0.75, cl) * smoothstep(0.02, 0.2, e));
        // Two tall studio light strips to the viewer's sides and a small one overhead.
        const double az = std::atan2(d.x, d.z);
        for (double a0 : {1.15, -1.15}) {
            const double strip = smoothstep(0.16, 0.10, std::fabs(az - a0)) * smoothstep(0.10, 0.16, e) * smoothstep(0.85, 0.75, e);
            c = mix(c, {1.0, 1.0, 1.0}, strip);
        }
        c = mix(c, {0.98, 0.99, 1.0}, smoothstep(0.93, 0.95, e) * smoothstep(0.22, 0.17, std::fabs(d.x)));
        // The sun, high and to the upper left, with a warm halo.
        const double s = dot(d, normalize({-0.35, 0.60, 0.72}));
        const double glow = s > 0.0 ? std::pow(s, 24.0) : 0.0;
        c = c + V3{1.0, 0.85, 0.6} * (0.45 * glow);
        c = mix(c, {1.0, 1.0, 0.98}, smoothstep(0.9955, 0.9975, s));
        // A dark band of distant hills along the horizon.
        const double ridge = 0.025 + 0.10 * fbm(5.0 + 1.8 * hx, 5.0 + 1.8 * hz, 4, 31);
        const double haze = e / ridge;
        return mix(mix({0.12, 0.16, 0.15}, {0.34, 0.40, 0.42}, haze * haze), c, smoothstep(-0.004, 0.004, e - ridge));
    }
    // Ground: a warm stone floor of big tiles fading into haze towards the horizon.
    const double e = -d.y;
    const double px = d.x / e * 0.9, pz = d.z / e * 0.9;
    const double dist = std::sqrt(px * px + pz * pz);
    const bool odd = (static_cast<int64_t>(std::floor(px)) + static_cast<int64_t>(std::floor(pz))) & 1;
    V3 c = odd ? V3{0.50, 0.43, 0.35} : V3{0.28, 0.24, 0.20};
    c = c * (0.85 + 0.3 * fbm(px * 3.0, pz * 3.0, 4, 41));
    const double fx = px - std::floor(px), fz = pz - std::floor(pz);
    const double seam = std::fmin(std::fmin(fx, 1.0 - fx), std::fmin(fz, 1.0 - fz));
    c = mix(c * 0.55, c, smoothstep(0.0, 0.04, seam));
    const double fade = std::exp(-0.35 * dist);
    return mix({0.44, 0.41, 0.37}, c, fade) * (0.75 + 0.25 * smoothstep(0.0, 0.15, e));
}

V3 pgac(double u, double v)
{
    // OpenGL sphere mapping reads row t = 0 (the first row written) as a
    // reflection pointing straight down, so the ground comes first in the file.
    double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0;
    const double r2 = x * x + y * y, rim = 0.9995;
    if (r2 > rim * rim) {
        // Outside the ball: repeat the rim colour in the same direction so
        // filtering never pulls in a seam.
        const double k = rim / std::sqrt(r2);
        x *= k;
        y *= k;
    }
    const double z = std::sqrt(1.0 - x * x - y * y);
    return environment({2.0 * z * x, 2.0 * z * y, 2.0 * z * z - 1.0});
}

// xeb2: a warm mosaic with a rosette medallion laid in rings of tesserae,
// set in a terracotta field of square tiles.
V3 xeb2(double u, double v)
{
    const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0, r = std::sqrt(x * x + y * y);
    const double ts = 2.0 / 30.0, rmed = 11.0 * ts, tm = rmed / 15.0;  // finer tesserae in the medallion
    double edge;  // distance to the nearest tile edge, in tile widths
    V3 c;
    uint32_t id;
    if (r < rmed) {
        const int k = static_cast<int>(r / tm);
        const int n = k == 0 ? 1 : static_cast<int>(std::floor(2.0 * pi * (k + 0.5) + 0.5));
        const double off = rnd(k, 0, 7), s = (std::atan2(y, x) / (2.0 * pi) + 0.5) * n + off;
        const double j = std::floor(s), fa = s - j, fr = r / tm - k;
        edge = k == 0 ? 1.0 - fr : std::fmin(0.5 - std::fabs(fr - 0.5), (0.5 - std::fabs(fa - 0.5)) * 2.0 * pi * r / (n * tm));
        // Colour by the tile's centre: an eight-petal flower, then two borders.
        const double ca = ((j + 0.5 - off) / n - 0.5) * 2.0 * pi, cr = (k + 0.5) * tm;
        const double petal = tm * (3.5 + 7.5 * std::pow(std::fabs(std::cos(4.0 * ca)), 0.6));
        if (k == 0)
            c = {0.95, 0.74, 0.26};
        else if (k <= 2)
            c = k == 1 ? V3{0.92, 0.62, 0.20} : V3{0.45, 0.13, 0.07};
        else if (k <= 11 && cr < petal - 1.2 * tm)
            c = cr < 0.6 * petal ? V3{0.90, 0.45, 0.14} : V3{0.72, 0.15, 0.09};
        else if (k <= 11 && cr < petal)
            c = {0.96, 0.88, 0.70};
        else if (k <= 11)
            c = {0.85, 0.66, 0.38};
        else if (k == 12)
            c = {0.45, 0.13, 0.07};
        else if (k == 13)
            c = static_cast<int>(j) % 2 ? V3{0.95, 0.74, 0.28} : V3{0.96, 0.88, 0.70};
        else
            c = {0.45, 0.13, 0.07};
        id = hash(k, static_cast<int32_t>(j), 3);
    } else {
        const double gx = (x + 1.0) / ts, gy = (y + 1.0) / ts;
        const auto ix = static_cast<int32_t>(std::floor(gx)), iy = static_cast<int32_t>(std::floor(gy));
        const double lx = gx - ix - 0.5, ly = gy - iy - 0.5;
        edge = std::fmin(0.5 - std::fmax(std::fabs(lx), std::fabs(ly)), (r - rmed) / ts);
        const bool lattice = (ix + iy) % 5 == 0 || (ix - iy + 100) % 5 == 0;
        c = lattice ? V3{0.50, 0.22, 0.11} : V3{0.78, 0.39, 0.21};
        id = hash(ix, iy, 5);
    }
    const double t = (id & 0xFFFF) / 65535.0, h = (id >> 16) / 65535.0 - 0.5;
    c = c * (0.86 + 0.24 * t) + V3{0.04, 0.0, -0.03} * h;
    c = c * (0.93 + 0.1 * noise(x * 90.0, y * 90.0, 9)) * (0.82 + 0.18 * smoothstep(0.05, 0.3, edge));
    const V3 grout = V3{0.50, 0.43, 0.36} * (0.85 + 0.3 * noise(x * 60.0, y * 60.0, 8));
    return mix(grout, c, smoothstep(0.06, 0.11, edge));
}

// ntux: a cool emblem: a faceted five-pointed star on a guilloche disc,
// ringed by a bevelled band and a ring of beads, on a dark sunburst.
V3 ntux(double u, double v)
{
    const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0, r = std::sqrt(x * x + y * y) + 1e-12;
    const double a = std::atan2(y, x);
    const double lightDot = (-0.7 * x - 0.7 * y) / r;  // light from the top left
    V3 c = mix({0.02, 0.05, 0.13}, {0.06, 0.14, 0.28}, smoothstep(1.4, 0.6, r));
    c = c * (0.85 + 0.15 * smoothstep(-0.2, 0.2, std::cos(12.0 * a)));
    // Bevelled outer band.
    const double band = (r - 0.80) / 0.07;
    if (band > -0.2 && band < 1.2) {
        const double shade = 0.62 + 0.38 * lightDot * std::cos(pi * clamp01(band));
        const V3 metal = V3{0.62, 0.82, 0.95} * shade;
        c = mix(c, metal, smoothstep(-0.05, 0.05, band) * smoothstep(1.05, 0.95, band));
    }
    // A ring of forty beads.
    const double step = 2.0 * pi / 40.0, ad = std::floor(a / step + 0.5) * step;
    const double bx = x - 0.745 * std::cos(ad), by = y - 0.745 * std::sin(ad), bd = std::sqrt(bx * bx + by * by);
    c = mix(c, V3{0.40, 0.85, 0.92} * (0.8 - 0.25 * (bx + by) / 0.02), smoothstep(0.021, 0.017, bd));
    c = mix(c, {0.20, 0.62, 0.70}, smoothstep(0.006, 0.002, std::fabs(r - 0.69)));
    // Guilloche: two families of wavy rings crossing into a rosette.
    if (r < 0.68) {
        const double w = 1.3 * std::sin(5.0 * a) * smoothstep(0.0, 0.35, r);
        const double g1 = 0.5 + 0.5 * std::cos(2.0 * pi * (16.0 * r + w));
        const double g2 = 0.5 + 0.5 * std::cos(2.0 * pi * (16.0 * r - w));
        const double lines = std::pow(g1, 10.0) + std::pow(g2, 10.0);
        const V3 disc = mix({0.04, 0.17, 0.34}, {0.07, 0.26, 0.46}, smoothstep(0.68, 0.0, r));
        c = mix(c, disc + V3{0.12, 0.40, 0.50} * (0.7 * lines), smoothstep(0.68, 0.675, r));
    }
    // Five-pointed star, one point up, each arm split into a lit and a shaded facet.
    const double sector = 2.0 * pi / 5.0, b = a + pi / 2.0;
    const double bf = b - sector * std::floor(b / sector + 0.5);
    const double qx = r * std::cos(bf), qy = r * std::fabs(std::sin(bf));
    const double outer = 0.62, inner = 0.245;
    const double vx = inner * 0.80901699437494742 - outer, vy = inner * 0.58778525229247313;  // inner corner at 36 degrees
    const double vl = std::sqrt(vx * vx + vy * vy);
    const double sd = (qy * vx - (qx - outer) * vy) / vl;  // > 0 inside the star
    c = c + V3{0.2, 0.6, 0.8} * (0.25 * std::exp(-14.0 * std::fabs(sd)) * smoothstep(0.0, -0.01, sd));
    V3 facet = bf < 0.0 ? V3{0.93, 0.98, 1.0} : V3{0.50, 0.72, 0.88};
    facet = facet * (0.85 + 0.15 * (1.0 - r / outer));
    const double outline = smoothstep(0.0, 0.012, sd);
    return mix(c, mix({0.03, 0.10, 0.22}, facet, smoothstep(0.012, 0.02, sd)), outline);
}

// pipe: copper pipes crossing at a bolted flange over a brushed copper panel
// with a frame of rivets. Built as a height field, lit with a soft shadow.
double pipeHeight(double x, double y)
{
    double h = 0.0;
    if (std::fabs(x) > 0.75 || std::fabs(y) > 0.75)  // rivets on a frame
        for (double t : {-0.6, -0.3, 0.3, 0.6})
            for (V3 p : {V3{t, -0.8, 0}, V3{t, 0.8, 0}, V3{-0.8, t, 0}, V3{0.8, t, 0}}) {
                const double d2 = (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y);
                if (d2 < 0.04 * 0.04)
                    h = std::fmax(h, 0.75 * std::sqrt(0.04 * 0.04 - d2));
            }
    for (int axis = 0; axis < 2; ++axis) {
        const double across = axis ? x : y, along = axis ? y : x;
        const double clamp = std::fabs(std::fabs(along) - 0.55) < 0.03 ? 0.125 : 0.10;
        if (std::fabs(across) < clamp)
            h = std::fmax(h, std::sqrt(clamp * clamp - across * across));
    }
    const double r = std::sqrt(x * x + y * y);
    if (r < 0.25)
        h = std::fmax(h, r < 0.23 ? 0.16 : 0.16 * std::sqrt(1.0 - (r - 0.23) * (r - 0.23) / (0.02 * 0.02)));
    if (r < 0.09)
        h = std::fmax(h, r < 0.07 ? 0.19 : 0.16 + 0.03 * std::sqrt(1.0 - (r - 0.07) * (r - 0.07) / (0.02 * 0.02)));
    // Five bolts on the flange, one straight up, the rest 72 degrees apart.
    const V3 bolts[] = {{0.0, -1.0, 0}, {0.95105651629515357, -0.30901699437494742, 0}, {0.58778525229247313, 0.80901699437494742, 0},
                        {-0.58778525229247313, 0.80901699437494742, 0}, {-0.95105651629515357, -0.30901699437494742, 0}};
    for (int i = 0; i < 5 && r < 0.2; ++i) {
        const double bx = x - 0.165 * bolts[i].x, by = y - 0.165 * bolts[i].y, d2 = bx * bx + by * by;
        if (d2 < 0.03 * 0.03)
            h = std::fmax(h, 0.16 + 0.8 * std::sqrt(0.03 * 0.03 - d2));
    }
    return h;
}

V3 pipe(double u, double v)
{
    const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0, e = 0.001;
    const double h = pipeHeight(x, y);
    const V3 n = normalize({(pipeHeight(x - e, y) - pipeHeight(x + e, y)) / (2.0 * e),
                            (pipeHeight(x, y - e) - pipeHeight(x, y + e)) / (2.0 * e), 1.0});
    const V3 light = normalize({-0.5, -0.6, 0.62});
    // Soft shadow: march towards the light and see how far anything rises above the ray.
    double occluded = 0.0;
    for (int i = 1; i <= 8 && h < 0.19; ++i) {
        const double t = i * 0.027, above = pipeHeight(x + light.x * t, y + light.y * t) - (h + light.z * t);
        occluded = std::fmax(occluded, smoothstep(0.0, 0.02, above));
    }
    // Brushing follows each part: along the pipes, round the flange, across the panel.
    const double r = std::sqrt(x * x + y * y);
    double grain;
    V3 albedo;
    if (h < 0.001) {
        grain = 0.6 * noise(x * 2.0, y * 420.0, 51) + 0.4 * noise(x * 6.0, y * 90.0, 52);
        const double sheen = std::exp(-8.0 * (x + 0.8 * y + 0.3) * (x + 0.8 * y + 0.3));  // broad brushed highlight
        albedo = V3{0.52, 0.30, 0.19} * (0.9 + 0.1 * fbm(x * 2.5, y * 2.5, 3, 55)) + V3{0.30, 0.20, 0.14} * (0.5 * sheen);
    } else if (r < 0.26) {
        grain = noise(r * 260.0, std::atan2(y, x) * 2.0, 53);
        albedo = r < 0.09 || h > 0.165 ? V3{0.86, 0.64, 0.34} : V3{0.80, 0.47, 0.29};
    } else {
        const bool vertical = std::fabs(x) < 0.13 && std::fabs(y) > 0.13;
        grain = vertical ? noise(x * 160.0, y * 3.0, 54) : noise(x * 3.0, y * 160.0, 54);
        albedo = h < 0.05 && (std::fabs(x) > 0.7 || std::fabs(y) > 0.7) ? V3{0.74, 0.52, 0.30} : V3{0.92, 0.53, 0.31};
    }
    albedo = albedo * (0.86 + 0.22 * grain);
    const double diffuse = std::fmax(dot(n, light), 0.0) * (1.0 - 0.75 * occluded);
    const V3 halfway = normalize(light + V3{0.0, 0.0, 1.0});
    const double glint = std::pow(std::fmax(dot(n, halfway), 0.0), 40.0) * (1.0 - occluded);
    const double sky = 0.5 + 0.5 * (2.0 * n.z * -n.y);  // reflected view ray: brighter when it leans up
    const V3 shine = V3{1.0, 0.82, 0.66} * (0.8 * glint * (0.7 + 0.3 * grain));
    return albedo * (0.1 + 0.75 * diffuse + 0.3 * sky * (1.0 - 0.5 * occluded)) + shine;
}

// path: a cobbled path winding through a meadow seen from above.
V3 path(double u, double v)
{
    const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0;
    const double centre = 0.38 * std::sin(2.3 * y + 0.4), slope = 0.38 * 2.3 * std::cos(2.3 * y + 0.4);
    const double d = std::fabs(x - centre) / std::sqrt(1.0 + slope * slope);
    const double edge = 0.19 + 0.05 * (fbm(x * 5.0, y * 5.0, 3, 61) - 0.5);
    // Meadow: patches of light and dark green, fine blades, a few flowers.
    V3 grass = mix({0.10, 0.28, 0.07}, {0.40, 0.62, 0.17}, smoothstep(0.3, 0.7, fbm(x * 2.5 + 3.0, y * 2.5, 5, 62)));
    grass = grass * (0.75 + 0.45 * noise(x * 110.0, y * 45.0, 63)) * (0.7 + 0.3 * smoothstep(edge, edge + 0.12, d));
    const Cells bloom = cells(x * 10.0, y * 10.0, 64);
    if (rnd(bloom.cx, bloom.cy, 65) < 0.3 && d > edge + 0.05) {
        const V3 petal = rnd(bloom.cx, bloom.cy, 66) < 0.5 ? V3{0.98, 0.92, 0.35} : V3{0.96, 0.96, 0.92};
        grass = mix(grass, petal, smoothstep(0.18, 0.12, bloom.f1));
    }
    // Cobbles: cells with rounded tops and mossy joints.
    const Cells stone = cells(x * 7.5, y * 7.5, 67);
    const double gap = stone.f2 - stone.f1, tone = rnd(stone.cx, stone.cy, 68);
    V3 cobble = mix({0.52, 0.50, 0.44}, {0.72, 0.68, 0.58}, tone) * (0.72 + 0.28 * smoothstep(0.0, 0.45, gap));
    cobble = cobble * (0.88 + 0.2 * fbm(x * 40.0, y * 40.0, 3, 69));
    const V3 moss = V3{0.20, 0.30, 0.10} * (0.7 + 0.6 * noise(x * 60.0, y * 60.0, 70));
    cobble = mix(moss, cobble, smoothstep(0.06, 0.13, gap));
    return mix(grass, cobble, smoothstep(edge + 0.008, edge - 0.008, d));
}

// pond: still water with spreading ripple rings, lily pads and one flower.
double pondHeight(double x, double y)
{
    double h = 0.002 * fbm(x * 6.0, y * 14.0, 3, 71);
    for (V3 drop : {V3{0.22, -0.25, 0.55}, V3{-0.38, 0.30, 0.40}, V3{0.45, 0.52, 0.25}}) {
        const double d = std::sqrt((x - drop.x) * (x - drop.x) + (y - drop.y) * (y - drop.y));
        h += 0.006 * std::sin(45.0 * d) * std::exp(-2.5 * d) * smoothstep(drop.z + 0.05, drop.z - 0.15, d);
    }
    return h;
}

V3 pond(double u, double v)
{
    const double x = 2.0 * u - 1.0, y = 2.0 * v - 1.0, e = 0.002;
    const V3 n = normalize({(pondHeight(x - e, y) - pondHeight(x + e, y)) / (2.0 * e) * 8.0,
                            (pondHeight(x, y - e) - pondHeight(x, y + e)) / (2.0 * e) * 8.0, 1.0});
    V3 water = mix({0.03, 0.16, 0.26}, {0.05, 0.28, 0.26}, smoothstep(-0.8, 0.9, y + 0.4 * (fbm(x * 2.0, y * 2.0, 4, 72) - 0.5)));
    const double tilt = 0.5 + 3.0 * (n.x * 0.4 - n.y * 0.9);
    const V3 sky = mix({0.35, 0.55, 0.70}, {0.85, 0.93, 1.0}, clamp01(tilt * 0.5 + 0.25 * (1.0 - y)));
    water = mix(water, sky, 0.18 + 0.22 * smoothstep(1.0, -1.0, y));
    water = water + V3{1.0, 1.0, 0.95} * (0.6 * std::pow(std::fmax(dot(n, normalize({0.3, -0.5, 0.8})), 0.0), 400.0));
    // Lily pads, each with a notch, radial veins and a soft shadow on the water.
    const V3 pads[] = {{-0.45, -0.42, 0.20}, {0.48, 0.05, 0.16}, {-0.10, 0.55, 0.14}, {0.05, -0.70, 0.09}, {-0.62, 0.10, 0.10}};
    for (int i = 0; i < 5; ++i) {
        const V3 p = pads[i];
        const double dx = x - p.x, dy = y - p.y, d = std::sqrt(dx * dx + dy * dy);
        water = water * (1.0 - 0.35 * smoothstep(p.z + 0.04, p.z, d + 0.01));
        const double a = std::atan2(dy, dx), notch = 0.7 + 1.9 * i;
        const double cut = std::fabs(std::remainder(a - notch, 2.0 * pi)) * d;
        const double inside = smoothstep(p.z, p.z - 0.006, d) * smoothstep(0.0, 0.008, cut - 0.2 * d);
        V3 leaf = mix({0.12, 0.36, 0.10}, {0.34, 0.58, 0.18}, smoothstep(p.z, 0.0, d) * 0.6 + 0.4 * noise(x * 30.0, y * 30.0, 73));
        const double vein = smoothstep(0.5, 1.0, std::fabs(std::cos(9.0 * (a - notch))));
        leaf = leaf * (0.85 + 0.15 * vein) * (1.0 + 0.3 * smoothstep(p.z - 0.02, p.z, d));
        water = mix(water, leaf, inside);
    }
    // A water lily on the largest pad: pink petals round a yellow heart.
    const double fx = x + 0.42, fy = y + 0.40, fr = std::sqrt(fx * fx + fy * fy), fa = std::atan2(fy, fx);
    const double petals = 0.085 * (0.55 + 0.45 * std::pow(std::fabs(std::cos(4.0 * fa)), 0.7));
    const V3 bloom = mix({0.98, 0.96, 0.96}, {0.92, 0.45, 0.62}, smoothstep(0.0, 0.09, fr));
    water = mix(water, bloom, smoothstep(petals, petals - 0.006, fr));
    return mix(water, {0.98, 0.80, 0.20}, smoothstep(0.022, 0.016, fr));
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkimages DIRECTORY\n");
        return 1;
    }
    const std::string dir = argv[1];
    const bool ok = writePPM(dir, "pgac.ppm", 512, false, 3, pgac) && writePPM(dir, "xeb2.ppm", 512, false, 3, xeb2) &&
                    writePPM(dir, "ntux.ppm", 512, false, 3, ntux) && writePPM(dir, "pipe.ppm", 512, true, 3, pipe) &&
                    writePPM(dir, "path.ppm", 256, true, 3, path) && writePPM(dir, "pond.ppm", 256, true, 3, pond);
    if (!ok) {
        std::fprintf(stderr, "mkimages: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
