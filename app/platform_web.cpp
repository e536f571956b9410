// velmora: start-up in a web page: MODE and NOFS from the query string, the pose from the fragment,
// the page's input (the locked pointer, touch, the on-page keys) handed to the program, the canvas as
// the full-screen window, and what emscripten's GLUT lacks (game mode, warping).
#include "app/platform.h"

#include <GL/freeglut.h>
#include <emscripten.h>

#include <cstdlib>

#include "modes/pose.h"
#include "shell/velmora.h"
#include "view/input.h"

namespace {

// The value of one setting of the page, decoded as the browser decodes it, in memory from malloc;
// null when the setting is absent. `which`: 0 MODE, 1 NOFS from the query string ("?MODE=8&NOFS"),
// 2 the pose from the fragment ("#pose=1.m....").
EM_JS(char *, queryValue, (int which), {
    const value = which < 2 ? new URLSearchParams(location.search).get(["MODE", "NOFS"][which])
                            : new URLSearchParams(location.hash.slice(1)).get("pose");
    if (value === null)
        return 0;
    const bytes = new TextEncoder().encode(value);
    const copy = _malloc(bytes.length + 1);
    HEAPU8.set(bytes, copy);
    HEAPU8[copy + bytes.length] = 0;
    return copy;
});

// The page's input and the canvas's size are the page's own (web/page/controls.js); these hand it
// what it needs of the program and tell it when the program opens its full-screen window and ends.
EM_JS(void, takePageInput, (), {
    velmoraInput.start({canvas: Module.canvas, setCanvasSize: Module.setCanvasSize,
                        pointerMoved: _velmora_pointer_moved, key: _velmora_key});
});

EM_JS(void, fillBrowserWindow, (), {
    velmoraInput.fillWindow();
});

EM_JS(void, endPage, (), {
    velmoraInput.end();
});

// The page's side of the pose (web/page/pose.js keeps it in the address): Module.velmoraPose()
// gives the program's pose as text; once the program has ended, the pose it ended in.
EM_JS(void, offerPose, (), {
    Module.velmoraPose = () => Module.velmoraEndingPose ?? UTF8ToString(_velmora_pose());
});

// The program is ending: its last pose is kept, and the page told, while it can still be read.
EM_JS(void, keepEndingPose, (), {
    Module.velmoraEndingPose = UTF8ToString(_velmora_pose());
    window.dispatchEvent(new Event("velmoraposeend"));
});

}  // namespace

// The program's pose as text (modes/pose.h), for the page.
extern "C" EMSCRIPTEN_KEEPALIVE const char *velmora_pose()
{
    static char text[poseTextSize];
    poseWrite(poseOfViewer(), text);
    return text;
}

// The web build links with --wrap=exit, so the program's exit (Escape, the fatal path) comes here.
// A plain exit would leave a page running while any timer is armed, and the recentre timer always
// is: the canvas would go on drawing and the keys on reaching the program. A forced exit shuts the
// runtime down whatever is pending: GLUT's clean-up and the exit handlers run, timers and redraws
// stop, and the page's onExit hears the status.
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    keepEndingPose();
    endPage();
    emscripten_force_exit(status);
}

void beforeGlutInit()
{
    const char *const names[] = {"MODE", "NOFS", "POSE"};
    for (int which = 0; which < 3; ++which) {
        if (char *value = queryValue(which)) {
            setenv(names[which], value, 1);
            std::free(value);
        } else {
            unsetenv(names[which]);
        }
    }
    // No warp moves a page's pointer, so there are no start-up events to drop: the first two
    // events are the user's own movements.
    preskip = 0;
    takePageInput();
    offerPose();
}

bool mayAskForGameMode()
{
    return false;
}

void afterGameModeEntered() {}

void openFullScreenWindow()
{
    glutCreateWindow("velmora");
    fillBrowserWindow();
}

// Called by the page for each movement of the locked pointer or of a finger on the picture, in
// canvas pixels: a passive motion at the centre plus the movement, what a native move after a warp
// gives.
extern "C" EMSCRIPTEN_KEEPALIVE void velmora_pointer_moved(int dx, int dy)
{
    passiveMotionFunc(window.hW + dx, window.hH + dy);
}

// Called by the page for each of its key controls: the key as GLUT gives it, with the pointer at
// the centre, where it is held.
extern "C" EMSCRIPTEN_KEEPALIVE void velmora_key(int key)
{
    keyboardFunc(static_cast<unsigned char>(key), window.hW, window.hH);
}

// What emscripten's GLUT lacks. A page cannot switch video modes, so game mode is never entered;
// these exist for the calls that ask about it or would leave it.
void glutGameModeString(const char *) {}

int glutEnterGameMode()
{
    return 0;
}

void glutLeaveGameMode() {}

int glutGameModeGet(GLenum)
{
    return 0;
}

// A browser cannot move the pointer. While it is locked the page reports each movement as an
// offset from the centre, so the warp's one remaining effect is on where GLUT believes the pointer
// is, which its key callbacks report: there it moves, as a native warp moves the pointer.
EM_JS(void, warpReportedPointer, (int x, int y), {
    Browser.mouseX = x;
    Browser.mouseY = y;
});

void glutWarpPointer(int x, int y)
{
    warpReportedPointer(x, y);
}
