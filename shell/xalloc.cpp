// velmora: the static arena: a pointer bump over 64 MiB, with no headers or padding.
#include "shell/xalloc.h"

#include "shell/assure.h"

#include <cstddef>

alignas(alignof(std::max_align_t)) unsigned char xalloc_mem[xalloc_size];
unsigned char *xalloc_ptr = xalloc_mem;

void *xalloc(int32_t size)
{
    assure(size >= 0 && size <= xalloc_mem + xalloc_size - xalloc_ptr);
    void *block = xalloc_ptr;
    xalloc_ptr += size;
    return block;
}
