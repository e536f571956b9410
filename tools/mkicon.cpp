// mkicon: draws velmora's desktop icon, three nested gimbal rings around the star emblem, from two of
// its own pictures: the rings reflect the sky picture (pgac.ppm) as the viewer's sphere map does, and
// the emblem is the middle of ntux.ppm.
// Usage: mkicon PICTURES_DIR OUTPUT_DIR SIZE...  writes OUTPUT_DIR/hicolor/NxN/apps/velmora.png for each
// size N, an RGBA PNG with a transparent background. The same inputs always give the same bytes.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalize(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "mkicon: %s\n", what.c_str());
    std::exit(1);
}

// One of velmora's 512 x 512 pictures with 8-bit samples, rows top first.
struct Picture {
    static constexpr int size = 512;
    std::vector<unsigned char> rgb;

    // The sample nearest to (u, v) in [0,1]^2, v = 0 at the top row.
    V3 at(double u, double v) const
    {
        const auto index = [](double t) { return std::min(size - 1, std::max(0, static_cast<int>(t * size))); };
        const unsigned char *p = &rgb[(static_cast<std::size_t>(index(v)) * size + index(u)) * 3];
        return V3{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
    }
};

Picture readPicture(const std::string &path)
{
    const std::string header = "P6\n512 512\n255\n";
    Picture picture;
    picture.rgb.resize(static_cast<std::size_t>(Picture::size) * Picture::size * 3);
    std::string head(header.size(), '\0');
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        fail("cannot open " + path);
    const bool ok = std::fread(head.data(), head.size(), 1, f) == 1 && head == header &&
                    std::fread(picture.rgb.data(), picture.rgb.size(), 1, f) == 1;
    std::fclose(f);
    if (!ok)
        fail(path + " is not a 512 x 512 PPM with 8-bit samples");
    return picture;
}

// A ring: the flat band between two radii in a plane through the centre, seen along -z from far
// away. Its surface normal turns across the band as on a round tube, which gives the metal its shine.
struct Ring {
    double inner, outer;
    V3 normal;  // of the plane, towards the viewer (z > 0)
};

// What one sample of the icon sees at (x, y) in [-1,1]^2, y up: a colour, or nothing.
struct Hit {
    bool covered = false;
    V3 colour{0, 0, 0};
};

class Icon {
public:
    Icon(const Picture &sky, const Picture &emblem) : sky_(sky), emblem_(emblem) {}

    Hit sample(double x, double y) const
    {
        Hit hit;
        double nearest = -1e9;
        for (const Ring &ring : rings_) {
            // Where the line of sight through (x, y) meets the ring's plane.
            const V3 &n = ring.normal;
            const V3 p{x, y, -(n.x * x + n.y * y) / n.z};
            const double r = std::sqrt(dot(p, p));
            if (r < ring.inner || r > ring.outer || p.z <= nearest)
                continue;
            nearest = p.z;
            const double across = (2.0 * r - ring.inner - ring.outer) / (ring.outer - ring.inner);
            const V3 surface = normalize(p * (across / r) + n * std::sqrt(1.0 - across * across));
            hit = {true, shine(surface)};
        }
        // The emblem: a disc facing the viewer at the centre, behind whatever ring crosses it.
        const double e = x * x + y * y;
        if (e <= kEmblem * kEmblem && nearest < 0.0)
            hit = {true, emblem_.at(0.5 + 0.43 * x / kEmblem, 0.5 - 0.43 * y / kEmblem)};
        return hit;
    }

private:
    static constexpr double kEmblem = 0.40;

    // The sky's colour in the direction the eye sees reflected off a surface of this normal, looked
    // up as a GL sphere map, and lit from the upper left.
    V3 shine(V3 normal) const
    {
        const V3 eye{0, 0, -1};
        const V3 r = eye + normal * (-2.0 * dot(normal, eye));
        const double m = 2.0 * std::sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
        const V3 light = normalize({-0.5, 0.6, 0.65});
        const double lit = 0.55 + 0.45 * std::max(0.0, dot(normal, light));
        return sky_.at(r.x / m + 0.5, r.y / m + 0.5) * lit;
    }

    const Picture &sky_, &emblem_;
    // The outer ring faces the viewer; each inner one is turned on a pivot across the previous one.
    const std::array<Ring, 3> rings_{{
        {0.80, 0.97, {0, 0, 1}},
        {0.62, 0.77, normalize({0.78, 0, 0.62})},
        {0.45, 0.59, normalize({0, 0.74, 0.67})},
    }};
};

// The icon at size x size, 8 x 8 samples a pixel: straight (not premultiplied) RGBA, rows top first.
std::vector<unsigned char> render(const Icon &icon, int size)
{
    constexpr int ss = 8;
    std::vector<unsigned char> rgba;
    rgba.reserve(static_cast<std::size_t>(size) * size * 4);
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            V3 sum{0, 0, 0};
            int covered = 0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const double x = 2.0 * (col + (sx + 0.5) / ss) / size - 1.0;
                    const double y = 1.0 - 2.0 * (row + (sy + 0.5) / ss) / size;
                    const Hit hit = icon.sample(x, y);
                    if (hit.covered) {
                        sum = sum + hit.colour;
                        ++covered;
                    }
                }
            const V3 colour = covered > 0 ? sum * (1.0 / covered) : V3{0, 0, 0};
            for (double c : {colour.x, colour.y, colour.z})
                rgba.push_back(static_cast<unsigned char>(std::lround(std::min(1.0, std::max(0.0, c)) * 255.0)));
            rgba.push_back(static_cast<unsigned char>(std::lround(covered * 255.0 / (ss * ss))));
        }
    return rgba;
}

void put32(std::vector<unsigned char> &out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

void chunk(std::vector<unsigned char> &png, const char *type, const std::vector<unsigned char> &data)
{
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, static_cast<std::uint32_t>(crc32(0, &png[start], static_cast<uInt>(png.size() - start))));
}

// A PNG of 8-bit RGBA with no filtering: signature, IHDR, one IDAT, IEND. No time or text chunks.
std::vector<unsigned char> encodePng(const std::vector<unsigned char> &rgba, int size)
{
    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<std::uint32_t>(size));
    put32(header, static_cast<std::uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // depth 8, RGBA, deflate, no filter method, no interlace
    chunk(png, "IHDR", header);

    const std::size_t stride = static_cast<std::size_t>(size) * 4;
    std::vector<unsigned char> raw;
    for (int row = 0; row < size; ++row) {
        raw.push_back(0);  // filter type: none
        raw.insert(raw.end(), rgba.begin() + static_cast<std::ptrdiff_t>(row * stride),
                   rgba.begin() + static_cast<std::ptrdiff_t>((row + 1) * stride));
    }
    uLongf length = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(length);
    if (compress2(packed.data(), &length, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        fail("zlib could not compress the icon");
    packed.resize(length);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: mkicon PICTURES_DIR OUTPUT_DIR SIZE...\n");
        return 1;
    }
    const std::string pictures = argv[1], output = argv[2];
    const Picture sky = readPicture(pictures + "/pgac.ppm"), emblem = readPicture(pictures + "/ntux.ppm");
    const Icon icon(sky, emblem);
    for (int i = 3; i < argc; ++i) {
        char *end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (*end != '\0' || size < 1 || size > 1024)
            fail(std::string("not a size from 1 to 1024: ") + argv[i]);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path dir = std::filesystem::path(output) / "hicolor" / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        const std::vector<unsigned char> png = encodePng(render(icon, static_cast<int>(size)), static_cast<int>(size));
        FILE *f = std::fopen((dir / "velmora.png").c_str(), "wb");
        const bool written = f != nullptr && std::fwrite(png.data(), 1, png.size(), f) == png.size();
        if (f == nullptr || std::fclose(f) != 0 || !written)
            fail("cannot write " + (dir / "velmora.png").string());
    }
    return 0;
}
