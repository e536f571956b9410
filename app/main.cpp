// velmora: process entry.
#include "app/startup.h"

int main(int argc, char **argv)
{
    return startup(argc, argv);
}
