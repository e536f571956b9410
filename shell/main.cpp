// velmora: process entry.
#include "shell/velmora.h"

int main(int argc, char **argv)
{
    return startup(argc, argv);
}
