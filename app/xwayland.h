// velmora: recognises an Xwayland server, where the full-screen start must not ask for game mode.
#pragma once

// True when the X display named by DISPLAY is an Xwayland server: it has the XWAYLAND
// extension (as Xwayland 24.1 has) or a RandR output whose name starts "XWAYLAND" (as
// 22.1 names them). False for any other server, and when the display cannot be opened.
// Opens and closes a connection of its own, so call it while GLUT's connection is open:
// the server then never sees its last client leave.
bool displayIsXwayland();
