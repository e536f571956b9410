// velmora: start-up and mode selection. Top layer: the only one that includes the modes.
#pragma once

// The number MODE selects, converted as atoi does; 0 for a value outside int's range.
int modeNumber(const char *value);
// The whole start-up: window or game mode, callbacks, timers, the set-up of the
// mode MODE selects, the pose POSE gives (modes/pose.h), then the GLUT main loop.
// Returns 0 only if the main loop ever returns.
int startup(int argc, char **argv);
