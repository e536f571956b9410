// velmora: the window record (geometry and mode hook slots) and the window's GLUT callbacks
// and timers. Lowest layer: includes nothing of the program's but the fatal check and the
// ending signals.
#pragma once

#include <cstdint>

// The window geometry that every layer reads and the hook slots through which
// the active display mode adds to the generic callbacks.
struct WindowRecord {
    // Written only by reshapeFunc. GLUT reports an 800 x 600 window until the first reshape.
    int32_t hW;  // x of the window centre (half the width)
    int32_t hH;  // y of the window centre (half the height)
    int32_t dW;  // window width
    int32_t dH;  // window height

    // Filled once by a mode's set-up; null means "nothing to add".
    void (*specificDisplayFunc)();
    void (*specificPassiveMotionFunc)(int dy, int dx);
    void (*specificKeyboardFunc)(int key, int y, int x);
    void (*specificReshapeFunc)();
    void (*specificSpecialFunc)(int key, int y, int x);
};

extern WindowRecord window;

// GLUT display callback: runs the display hook, then makes any pending GL error fatal.
void displayFunc();
// GLUT reshape callback: logs the size, updates the geometry and the viewport, redisplays.
void reshapeFunc(int width, int height);
// Arms the 1 ms pointer-recentre timer once.
void schedule_noescape();
// Timer: warps the pointer to the window centre and re-arms itself; once an ending signal has
// been caught, instead leaves game mode (if in it) and ends the process by that signal.
void noescape(int value);
// One-shot timer: posts the first redisplay.
void blackfix(int value);
