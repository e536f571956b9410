// velmora: the static arena: a pointer bump over 64 MiB, with no headers or padding
// (but for the red zones of the AddressSanitizer build).
#include "shell/xalloc.h"

#include "shell/assure.h"

#include <algorithm>
#include <cstddef>

#ifdef VELMORA_ARENA_POISONED
#include <sanitizer/asan_interface.h>
#endif

alignas(alignof(std::max_align_t)) unsigned char xalloc_mem[xalloc_size];
unsigned char *xalloc_ptr = xalloc_mem;

void *xalloc(int32_t size)
{
    assure(size >= 0 && size <= xalloc_mem + xalloc_size - xalloc_ptr);
    unsigned char *block = xalloc_ptr;
    unsigned char *end = xalloc_mem + xalloc_size;
    xalloc_ptr += std::min<std::ptrdiff_t>(xalloc_footprint(size), end - block);
#ifdef VELMORA_ARENA_POISONED
    // Everything past the block stays poisoned: its red zone and the space not yet handed out.
    ASAN_POISON_MEMORY_REGION(block, static_cast<size_t>(end - block));
    ASAN_UNPOISON_MEMORY_REGION(block, static_cast<size_t>(size));
#endif
    return block;
}
