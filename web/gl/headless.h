// velmora: the native backend of the browser build's layer, which draws nothing and records
// what it would have sent to WebGL.
//
//   headlessSent   the calls since it was last cleared, by name ("uniform uModelview", "draw")
#ifndef VELMORA_WEB_GL_HEADLESS_H
#define VELMORA_WEB_GL_HEADLESS_H

#include <string>
#include <vector>

namespace vgl {

std::vector<std::string> &headlessSent();

}  // namespace vgl

#endif
