// velmora: image textures known by four-letter keys, loaded from binary PPM files.
#pragma once

#include <cstdint>

// Loads the key's file under "data/rescales/" into a new GL texture and
// returns its name (bound to GL_TEXTURE_2D). Keys: "pond", "xeb2", "ntux",
// "pipe", "path", "pgac"; any other key is fatal. The first call takes the two
// staging buffers (9 MiB, then 18 MiB) from the arena; later calls take nothing.
int loadNamedTexturePPM(const char *key);

// Reads a PPM of exactly `kludge_skip` header bytes followed by height x width
// RGB pixels (16-bit big-endian samples when kludge_wider, else 8-bit) and
// uploads it as a new GL_RGB texture of unsigned shorts with linear filtering.
// A missing or short file, or a header other than the one the size and sample
// width imply, is fatal. Returns the texture name, left bound.
int loadTexturePPM(unsigned char *narrow, uint16_t *wider, const char *path, int height, int width,
                   int kludge_skip, bool kludge_wider);

// Makes a new GL texture for tightly packed rows (unpack alignment 1, which stays
// in force), binds it to GL_TEXTURE_2D and returns its name. The caller sets its
// parameters and uploads the image.
unsigned newBoundTexture();
