// velmora: what start-up does differently on each window system. One implementation per system,
// chosen by the build: app/platform_x11.cpp, app/platform_windows.cpp or app/platform_web.cpp.
#pragma once

// Readies the process for glutInit. Windows: forgets DISPLAY, which freeglut there would take
// for the name of a display device (and complain twice that it cannot open it). X11: nothing.
// Web: takes MODE and NOFS from the page's query string and POSE from its fragment, and hands the
// page's input (the locked pointer, touch, the on-page keys) to the program.
void beforeGlutInit();
// Whether the full-screen start may ask for game mode. X11: not on Xwayland, where asking can
// crash the server. Windows: always. Web: never; a page has no video modes to switch.
bool mayAskForGameMode();
// Called once game mode is on: makes every exit through the C library leave it first, so that
// the screen gets its own mode back. Windows: an exit handler, since freeglut there registers
// none. X11: nothing; freeglut's own exit handler leaves game mode.
void afterGameModeEntered();
// Opens the full-screen window used where game mode is not: X11 and Windows, a GLUT window made
// full screen. Web: a canvas that fills the browser's window and follows its size in device
// pixels; the browser's own full screen is asked for at the first click, tap or key, since browsers
// refuse it before.
void openFullScreenWindow();
