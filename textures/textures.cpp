// velmora: the named PPM texture loader.
#include "textures/textures.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "shell/assure.h"
#include "shell/xalloc.h"

// The buffer a pixel block is read into: the 16-bit or the 8-bit staging buffer.
#define SWITCH(cond, a, b) ((cond) ? static_cast<void *>(a) : static_cast<void *>(b))

namespace {

struct TextureFile {
    const char *key;
    const char *path;
    int size;  // width and height, in pixels
    int kludge_skip;  // header bytes: 15 for maximum value 255, 17 for 65535
    bool kludge_wider;  // 16-bit samples
};

const TextureFile textureTable[] = {
    {"pond", "data/rescales/pond.ppm", 256, 17, true},
    {"xeb2", "data/rescales/xeb2.ppm", 512, 15, false},
    {"ntux", "data/rescales/ntux.ppm", 512, 15, false},
    {"pipe", "data/rescales/pipe.ppm", 512, 17, true},
    {"path", "data/rescales/path.ppm", 256, 17, true},
    {"pgac", "data/rescales/pgac.ppm", 512, 15, false},
};

constexpr int32_t narrowSize = 9 * 1024 * 1024;  // 3 Mi pixels (2048 x 1536) at one byte a sample
constexpr int32_t widerSize = 18 * 1024 * 1024;  // the same pixels at the two bytes a sample GL gets

bool allocated = false;
unsigned char *narrow = nullptr;
uint16_t *wider = nullptr;

// True when the first `length` bytes of `header` are exactly the binary PPM
// header of a width x height image with the given sample width.
bool headerMatches(const unsigned char *header, int length, int width, int height, bool kludge_wider)
{
    char expected[64];
    int expectedLength = std::snprintf(expected, sizeof expected, "P6\n%d %d\n%d\n", width, height,
                                       kludge_wider ? 65535 : 255);
    return expectedLength == length && std::memcmp(header, expected, static_cast<size_t>(length)) == 0;
}

}  // namespace

int loadNamedTexturePPM(const char *key)
{
    if (!allocated) {
        narrow = static_cast<unsigned char *>(xalloc(narrowSize));
        wider = static_cast<uint16_t *>(xalloc(widerSize));
        allocated = true;
    }
    for (const TextureFile &row : textureTable) {
        // strcmp compares the terminating zero too: only the whole key matches.
        if (std::strcmp(key, row.key) == 0)
            return loadTexturePPM(narrow, wider, row.path, row.size, row.size, row.kludge_skip,
                                  row.kludge_wider);
    }
    assure(false);
}

int loadTexturePPM(unsigned char *narrow, uint16_t *wider, const char *path, int height, int width,
                   int kludge_skip, bool kludge_wider)
{
    const size_t size = static_cast<size_t>(height) * static_cast<size_t>(width) * 3 * (kludge_wider ? 2 : 1);
    FILE *f;
    assure((f = fopen(path, "rb")) != NULL);
    assure(fread(narrow, kludge_skip, 1, f) == 1);
    assure(headerMatches(narrow, kludge_skip, width, height, kludge_wider));
    assure(fread(SWITCH(kludge_wider, wider, narrow), size, 1, f) == 1);
    std::fclose(f);

    if (kludge_wider) {
        // PPM stores 16-bit samples most significant byte first.
        const auto *bytes = reinterpret_cast<const unsigned char *>(wider);
        for (size_t i = 0; i < size / 2; ++i)
            wider[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    } else {
        for (size_t i = 0; i < size; ++i)
            wider[i] = static_cast<uint16_t>(narrow[i] << 8);
    }

    const GLuint name = newBoundTexture();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_SHORT, wider);
    return static_cast<int>(name);
}

unsigned newBoundTexture()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    return name;
}
