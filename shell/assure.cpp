// velmora: the fatal path, the one place besides Escape that ends the process.
#include "shell/assure.h"

#include <cstdio>
#include <cstdlib>

void assure_failed(const char *expression, const char *file, int line)
{
    std::fprintf(stderr, "velmora: fatal: assure: (file '%s', line %d):\n\t'%s' was FALSE\n",
                 file, line, expression);
    std::exit(1);
}
