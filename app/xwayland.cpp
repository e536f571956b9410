// velmora: recognises an Xwayland server by the names of its RandR outputs.
#include "app/xwayland.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

// Xwayland has no extension of its own to look for, but it names every output after itself
// ("XWAYLAND0", ...), whether or not the session exported WAYLAND_DISPLAY.
bool displayIsXwayland()
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    bool found = false;
    int event, error, major = 0, minor = 0;
    // The current resources need RandR 1.3; asking an older server would be a protocol error.
    if (XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 3))) {
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
    }
    XCloseDisplay(display);
    return found;
}
