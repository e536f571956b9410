// velmora: the GL state that every display mode's set-up starts its own from.
#pragma once

// A black clear colour with zero alpha, smooth shading and the depth test.
void setSceneBaseState();
