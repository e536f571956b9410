// velmora: the static arena that holds all bulk data for the life of the process.
#pragma once

#include <cstdint>

constexpr int32_t xalloc_size = 64 * 1024 * 1024;

// The arena: zero-initialised, never reset. Blocks are handed out back to back.
extern unsigned char xalloc_mem[xalloc_size];
// First free byte of xalloc_mem; only moves forward.
extern unsigned char *xalloc_ptr;

// Returns the next `size` bytes of the arena (zero-filled, never released).
// A negative size or one that runs past the end of the arena is fatal.
void *xalloc(int32_t size);
