// velmora: what start-up does differently on each window system. One implementation per system,
// chosen by the build: app/platform_x11.cpp or app/platform_windows.cpp.
#pragma once

// Readies the process for glutInit. Windows: forgets DISPLAY, which freeglut there would take
// for the name of a display device (and complain twice that it cannot open it). X11: nothing.
void beforeGlutInit();
// Whether the full-screen start may ask for game mode. X11: not on Xwayland, where asking can
// crash the server. Windows: always.
bool mayAskForGameMode();
// Called once game mode is on: makes every exit through the C library leave it first, so that
// the screen gets its own mode back. Windows: an exit handler, since freeglut there registers
// none. X11: nothing; freeglut's own exit handler leaves game mode.
void afterGameModeEntered();
