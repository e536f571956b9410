// velmora: recognises an Xwayland server, where the full-screen start must not ask for game mode.
#pragma once

// True when the X display named by DISPLAY is an Xwayland server: one of its RandR outputs
// has a name starting "XWAYLAND". False for any other server, and when the display cannot be
// opened or has no RandR 1.3. Opens and closes a connection of its own, so call it while
// GLUT's connection is open: the server then never sees its last client leave.
bool displayIsXwayland();
