// velmora: start-up time, peak memory and CPU use of the real viewer, watched from outside.
//
// Usage: velmora_probe VIEWER MODE [SECONDS]   (DISPLAY set, on an X server with a black root
// window, e.g. Xvfb -br; run from the project root, where the viewer finds its pictures)
// Starts VIEWER with NOFS=1 MODE=MODE and prints one line of key=value figures:
//   mapped_ms  from fork to the viewer's window being viewable
//   frame_ms   from fork to the first non-black pixel on the window's centre row or column
//              (polled every millisecond; poll_ms is what one poll costs)
//   cpu_pct    utime + stime over SECONDS (default 10) of no input, from 3 s after the start,
//              in percent of one core
//   hwm_kb     VmHWM (peak resident set) at the end, rss_kb VmRSS
// then stops the viewer with SIGTERM.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The viewable top-level window titled "velmora", or 0.
Window findViewer(Display *display)
{
    Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char *name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(display, children[i], &name) && name && std::strcmp(name, "velmora") == 0 &&
            XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
            found = children[i];
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

// True when the strip of the window at (x, y, width x height) has a pixel that is not black.
bool anyLit(Display *display, Window window, int x, int y, unsigned width, unsigned height)
{
    XImage *image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool lit = false;
    for (unsigned j = 0; j < height && !lit; ++j)
        for (unsigned i = 0; i < width && !lit; ++i)
            lit = (XGetPixel(image, static_cast<int>(i), static_cast<int>(j)) & 0xffffff) != 0;
    XDestroyImage(image);
    return lit;
}

// A field of /proc/PID/status ("VmHWM:"), in kB.
long statusKb(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

// utime + stime of the process, in clock ticks.
long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));  // after the command name
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
        if (i == 14)
            utime = std::atol(field.c_str());
        if (i == 15) {
            stime = std::atol(field.c_str());
            break;
        }
    }
    return utime + stime;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: velmora_probe VIEWER MODE [SECONDS]\n");
        return 2;
    }
    const double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "velmora_probe: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });  // the window may come and go

    const Clock::time_point start = Clock::now();
    const pid_t viewer = fork();
    if (viewer == 0) {
        setenv("NOFS", "1", 1);
        setenv("MODE", argv[2], 1);
        if (!freopen("/dev/null", "w", stderr))
            _exit(127);
        execl(argv[1], argv[1], static_cast<char *>(nullptr));
        _exit(127);
    }

    double mappedMs = -1, frameMs = -1, pollMs = 0;
    int polls = 0;
    Window window = 0;
    while (frameMs < 0 && msSince(start) < 20000) {
        if (!window) {
            window = findViewer(display);
            if (window)
                mappedMs = msSince(start);
        }
        if (window) {
            XWindowAttributes a;
            XGetWindowAttributes(display, window, &a);
            const Clock::time_point poll = Clock::now();
            if (anyLit(display, window, 0, a.height / 2, static_cast<unsigned>(a.width), 1) ||
                anyLit(display, window, a.width / 2, 0, 1, static_cast<unsigned>(a.height)))
                frameMs = msSince(start);
            pollMs += msSince(poll);
            ++polls;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    std::this_thread::sleep_until(start + std::chrono::seconds(3));
    const long ticks0 = cpuTicks(viewer);
    const Clock::time_point idle = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const long ticks1 = cpuTicks(viewer);
    const double idleSeconds = std::chrono::duration<double>(Clock::now() - idle).count();
    const double cpuPct = 100.0 * static_cast<double>(ticks1 - ticks0) /
                          static_cast<double>(sysconf(_SC_CLK_TCK)) / idleSeconds;
    const long hwm = statusKb(viewer, "VmHWM:"), rss = statusKb(viewer, "VmRSS:");

    kill(viewer, SIGTERM);
    int status = 0;
    waitpid(viewer, &status, 0);
    XCloseDisplay(display);
    std::printf("mode=%s mapped_ms=%.1f frame_ms=%.1f poll_ms=%.2f cpu_pct=%.2f hwm_kb=%ld rss_kb=%ld\n", argv[2],
                mappedMs, frameMs, polls ? pollMs / polls : 0.0, cpuPct, hwm, rss);
    return frameMs < 0 || hwm < 0 ? 1 : 0;
}
