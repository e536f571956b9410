// velmora: the generic keyboard, special-key and pointer callbacks. Camera and input
// layer: below the modes, above the geometry and the window record it reads.
#pragma once

// Passive-motion events still to drop at start (the first two of the process).
extern int preskip;

// GLUT keyboard callback: logs the key; Escape, 'c', 'v', 'm' act in both
// interaction modes, the camera keys in 'v'; everything else goes to the mode's hook.
void keyboardFunc(unsigned char key, int x, int y);
// GLUT special-key callback: logs the key and hands it to the mode's hook.
void specialFunc(int key, int x, int y);
// GLUT passive-motion callback: the offset from the window centre turns the
// camera ('v') or goes to the mode's hook as (dy, dx) ('m').
void passiveMotionFunc(int x, int y);
