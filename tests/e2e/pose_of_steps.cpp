// velmora end-to-end tests: the pose that the chain mode reaches from its start through the given
// steps, written on standard output. Each argument is a key (one character) or a pointer movement
// ("+40", "-25": pixels to the right of the window centre), handed to the same callbacks the viewer
// registers, over the recording GL stand-in. Run in the project root, where the pictures are.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "glrecord.h"
#include "modes/mode13.h"
#include "modes/pose.h"
#include "shell/velmora.h"
#include "view/camera.h"
#include "view/input.h"

int main(int argc, char **argv)
{
    // As start-up leaves the viewer in a 1200 x 900 window, once the events of its start are spent.
    genericInit();
    d13modeInitFunc();
    reshapeFunc(1200, 900);
    preskip = 0;
    for (int i = 1; i < argc; ++i) {
        const char *step = argv[i];
        if (step[0] == '+' || step[0] == '-')
            passiveMotionFunc(window.hW + std::atoi(step), window.hH);
        else if (std::strlen(step) == 1)
            keyboardFunc(static_cast<unsigned char>(step[0]), window.hW, window.hH);
        else
            return std::fprintf(stderr, "pose_of_steps: not a key or a movement: '%s'\n", step), 2;
    }
    char text[poseTextSize];
    poseWrite(poseOfViewer(), text);
    std::printf("%s\n", text);
    return 0;
}
