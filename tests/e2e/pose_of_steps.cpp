// velmora end-to-end tests: the pose that keys ("f") and pointer moves ("+40": pixels right of the
// centre) give, through the viewer's callbacks over the recording GL stand-in. Run in the project root.
#include <cstdio>
#include <cstdlib>

#include "modes/mode13.h"
#include "modes/pose.h"
#include "shell/velmora.h"
#include "view/camera.h"
#include "view/input.h"

int main(int argc, char **argv)
{
    // As start-up leaves the viewer in its 1200 x 900 window, the events of its start spent.
    genericInit();
    d13modeInitFunc();
    reshapeFunc(1200, 900);
    preskip = 0;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '+' || argv[i][0] == '-')
            passiveMotionFunc(window.hW + std::atoi(argv[i]), window.hH);
        else
            keyboardFunc(static_cast<unsigned char>(argv[i][0]), window.hW, window.hH);
    char text[poseTextSize];
    poseWrite(poseOfViewer(), text);
    std::puts(text);
}
