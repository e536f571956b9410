// velmora: the native backend of the browser build's layer: no window and no GPU, so it
// draws nothing. It lets the state machine be built and tested away from the browser.
#include "state.h"

namespace vgl {

void backendClear(const State &, GLbitfield) {}

void backendViewport(const State &) {}

void backendDraw(const State &, const Draw &) {}

}  // namespace vgl
