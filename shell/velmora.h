// velmora: start-up, the generic display and reshape callbacks, the mode hook slots and timers.
#pragma once

#include <cstdint>

// Window geometry, written only by reshapeFunc.
extern int32_t hW;  // x of the window centre (half the width)
extern int32_t hH;  // y of the window centre (half the height)
extern int32_t dW;  // window width
extern int32_t dH;  // window height

// Mode hook slots: filled once by a mode's set-up; null means "nothing to add".
extern void (*specificDisplayFunc)();
extern void (*specificPassiveMotionFunc)(int dy, int dx);
extern void (*specificKeyboardFunc)(int key, int y, int x);
extern void (*specificReshapeFunc)();
extern void (*specificSpecialFunc)(int key, int y, int x);

// GLUT display callback: runs the display hook, then makes any pending GL error fatal.
void displayFunc();
// GLUT reshape callback: logs the size, updates the geometry and the viewport, redisplays.
void reshapeFunc(int width, int height);
// Arms the 1 ms pointer-recentre timer once.
void schedule_noescape();
// Timer: warps the pointer to the window centre and re-arms itself.
void noescape(int value);
// One-shot timer: posts the first redisplay.
void blackfix(int value);

// The number MODE selects, converted as atoi does; 0 for a value outside int's range.
int modeNumber(const char *value);
// The whole start-up: window or game mode, callbacks, timers, the mode's set-up,
// then the GLUT main loop. Returns 0 only if the main loop ever returns.
int startup(int argc, char **argv);
