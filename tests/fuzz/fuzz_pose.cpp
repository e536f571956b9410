// velmora fuzz target: the pose reader; a text it accepts (up to the first NUL) writes back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "modes/pose.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));
    Pose pose;
    if (poseRead(text.c_str(), &pose) != nullptr)
        return 0;
    char again[poseTextSize];
    poseWrite(pose, again);
    if (text != again)
        std::abort();
    return 0;
}
