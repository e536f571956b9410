// velmora: the native backend of the browser build's layer: no window and no GPU, so it
// draws nothing. It lets the state machine be built and tested away from the browser, and
// records by name what the browser's backend would send.
#include "headless.h"

#include "pipeline.h"

namespace vgl {

std::vector<std::string> &headlessSent()
{
    static std::vector<std::string> sent;
    return sent;
}

void backendClear(const State &, GLbitfield) {}

void backendViewport(const State &) {}

void backendUseProgram()
{
    headlessSent().emplace_back("useProgram");
}

void backendBindSlot(int)
{
    headlessSent().emplace_back("bindSlot");
}

void backendFillSlot(int, const Indexed &)
{
    headlessSent().emplace_back("fillSlot");
}

void backendBindTexture(GLuint, const Texture &)
{
    headlessSent().emplace_back("bindTexture");
}

void backendUniform(Uniform uniform, const float *)
{
    headlessSent().push_back(std::string("uniform ") + uniformNames[uniform]);
}

void backendUniformInt(Uniform uniform, int)
{
    headlessSent().push_back(std::string("uniform ") + uniformNames[uniform]);
}

void backendDepthTest(bool)
{
    headlessSent().emplace_back("depthTest");
}

void backendDrawTriangles(std::size_t)
{
    headlessSent().emplace_back("draw");
}

void backendFlush()
{
    headlessSent().emplace_back("flush");
}

}  // namespace vgl
