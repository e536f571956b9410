// velmora: the static arena that holds all bulk data for the life of the process.
#pragma once

#include <cstdint>

// Built with AddressSanitizer (GCC says so with __SANITIZE_ADDRESS__, clang through
// __has_feature), the arena shows the sanitizer which of its bytes are handed out.
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_ARENA_POISONED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_ARENA_POISONED 1
#endif
#endif

constexpr int32_t xalloc_size = 64 * 1024 * 1024;

// Poisoned bytes after each block in the AddressSanitizer build: more than a ring
// segment's eight triangles (1792 bytes), so an overrun by a whole segment still lands
// in them rather than unseen in the next block; a multiple of 16, so each block starts
// as aligned as in the normal build, and UBSan still sees one that is not. None in the
// normal build.
#ifdef VELMORA_ARENA_POISONED
constexpr int32_t xalloc_redzone = 2048;
#else
constexpr int32_t xalloc_redzone = 0;
#endif

// The arena: zero-initialised, never reset. Blocks are handed out back to back (in the
// AddressSanitizer build with a red zone after each).
extern unsigned char xalloc_mem[xalloc_size];
// First free byte of xalloc_mem; only moves forward.
extern unsigned char *xalloc_ptr;

// Returns the next `size` bytes of the arena (zero-filled, never released).
// A negative size or one that runs past the end of the arena is fatal.
void *xalloc(int32_t size);

// How far xalloc_ptr moves for a request of `size` (short of the arena's end): the size,
// and for a non-empty block the red zone after it.
constexpr int32_t xalloc_footprint(int32_t size)
{
    return size == 0 ? 0 : size + xalloc_redzone;
}
