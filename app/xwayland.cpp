// velmora: recognises an Xwayland server by its own extension or by the names of its RandR outputs.
#include "app/xwayland.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

// Xwayland 22.1 has no extension of its own, but names every RandR output after itself
// ("XWAYLAND0", ...). Xwayland 24.1 names its outputs after the compositor's ("headless",
// ...) and announces the XWAYLAND extension instead.
static bool hasXwaylandOutput(Display *display)
{
    int event, error, major = 0, minor = 0;
    // The current resources need RandR 1.3; asking an older server would be a protocol error.
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
        major < 1 || (major == 1 && minor < 3))
        return false;
    bool found = false;
    // "Current": what the server already knows, without making it probe the outputs.
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    for (int i = 0; resources != nullptr && i < resources->noutput && !found; ++i) {
        XRROutputInfo *output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (output != nullptr) {
            found = std::strncmp(output->name, "XWAYLAND", 8) == 0;
            XRRFreeOutputInfo(output);
        }
    }
    if (resources != nullptr)
        XRRFreeScreenResources(resources);
    return found;
}

bool displayIsXwayland()
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    int opcode, event, error;
    const bool found =
        XQueryExtension(display, "XWAYLAND", &opcode, &event, &error) || hasXwaylandOutput(display);
    XCloseDisplay(display);
    return found;
}
