// velmora fuzz target: the pose reader. Each input is one text, up to its first NUL. An accepted
// pose must be sound, apply whole, and write back to exactly the text it was read from; a
// refused one must leave the pose it was read into untouched.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "modes/mode13.h"
#include "modes/pose.h"
#include "shell/velmora.h"
#include "view/camera.h"

namespace {

[[noreturn]] void fail(const char *what, const std::string &text)
{
    std::fprintf(stderr, "fuzz_pose: %s: '%s'\n", what, text.c_str());
    std::abort();
}

bool sound(const Pose &pose)
{
    const bool chain = pose.gimbalc == 0 || (pose.gimbalc <= maxGimbals && pose.current >= 0 &&
                                              pose.current < pose.gimbalc);
    return (pose.interaction == 'v' || pose.interaction == 'm') && std::isfinite(pose.vfar) && pose.vfar > 0 &&
           pose.gimbalc >= 0 && chain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), strnlen(reinterpret_cast<const char *>(data), size));
    Pose pose;
    std::memset(&pose, 0x5a, sizeof pose);
    const Pose untouched = pose;
    if (const char *refused = poseRead(text.c_str(), &pose)) {
        if (std::memcmp(&pose, &untouched, sizeof pose) != 0)
            fail("a refused pose changed what it was read into", text);
        if (*refused == '\0')
            fail("refused without a reason", text);
        return 0;
    }
    if (!sound(pose))
        fail("an accepted pose is out of range", text);
    char written[poseTextSize];
    poseWrite(pose, written);
    if (text != written)
        fail("an accepted pose writes back to another text", text);

    // Applied to the chain mode, the viewer holds the pose and writes the same text.
    window.specificDisplayFunc = d13display;
    d13.gimbalc = 1;
    d13.current = 0;
    if (poseApply(pose) != nullptr)
        fail("the chain mode refused an accepted pose", text);
    poseWrite(poseOfViewer(), written);
    if (pose.gimbalc > 0 && text != written)
        fail("the viewer posed by it writes another text", text);
    return 0;
}
