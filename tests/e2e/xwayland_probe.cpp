// velmora end-to-end tests: asks the viewer's Xwayland check about the X server in DISPLAY and
// prints the answer, so that a test can run the check on its own under a leak checker.
#include <cstdio>

#include "app/xwayland.h"

int main()
{
    std::puts(displayIsXwayland() ? "xwayland" : "plain");
}
