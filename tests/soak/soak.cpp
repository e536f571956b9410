// velmora soak run: the gimbal chain under a storm of random keys and pointer movement,
// with its resident memory sampled every second.
//
// Usage: velmora_soak [SECONDS [SEED]]   (default 60 seconds, seed 1)
// Ends with a verdict line and status 0 when the viewer stayed responsive, no fatal
// check fired, and its resident memory grew by less than 2 MiB after a 30-second
// warm-up: the largest of the last ten samples against the largest of the ten after
// the warm-up. The GL driver's memory takes 20 to 30 seconds to settle (it keeps code
// for each kind of drawing it meets, and a 1 MiB block of it comes and goes), and
// maxima over ten seconds are not fooled by a block that happens to be out. The random
// input can still meet a new kind of drawing late: on a loaded machine two 516 KiB steps
// have been seen after the warm-up. A leak of 70 bytes an event still grows past 2 MiB
// over the roughly 30,000 events of the 30 seconds measured.

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "xharness.h"

using namespace e2e;

// Follows what the viewer writes on standard error, counting one line. Reads
// only what is new through a descriptor of its own on the same file.
class LineCounter {
public:
    LineCounter(pid_t pid, std::string line) : in_("/proc/" + std::to_string(pid) + "/fd/2"), line_(std::move(line)) {}
    int count()
    {
        in_.clear();
        for (std::string text; std::getline(in_, text);) {
            if (in_.eof()) {  // a line not finished yet: read it again next time
                in_.clear();
                in_.seekg(-static_cast<std::streamoff>(text.size()), std::ios::cur);
                break;
            }
            count_ += text.rfind(line_, 0) == 0;
        }
        return count_;
    }

private:
    std::ifstream in_;
    std::string line_;
    int count_ = 0;
};

// Resident memory of a process in KiB, from /proc; -1 once it is gone.
static long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    const int warmUp = 30;
    if (seconds < warmUp + 20) {
        std::fprintf(stderr, "velmora_soak: run for at least %d seconds\n", warmUp + 20);
        return 2;
    }

    XServer server;
    // One malloc arena: the GL driver allocates and frees tens of megabytes every
    // frame on several threads, and each thread's arena keeps its own high-water
    // mark, which adds up to a few MiB of resident memory over minutes without a
    // byte leaked. With one arena, resident memory follows what is really held.
    Viewer viewer(server, {{"NOFS", "1"}, {"MALLOC_ARENA_MAX", "1"}});
    Display *dpy = server.display();
    const Window window = waitForWindow(dpy, "velmora");

    // A chain of eight rings. Its length decides how much the GL allocates and
    // frees for every frame (tens of megabytes at 127 rings, which glibc's
    // high-water marks then follow by a MiB or so), so it stays fixed; the
    // longest chain has tests of its own.
    sendKey(dpy, XK_m);
    for (int ring = 1; ring < 8; ++ring)
        sendKey(dpy, XK_f);
    // The GL compiles code for each kind of drawing it meets (untextured selected
    // ring, rings cut by the window's edges, ...) and keeps it: meet them all
    // before the baseline, so that later memory is compared like with like.
    for (KeySym key : {XK_n, XK_p, XK_v})
        sendKey(dpy, key);
    for (KeySym turn : {XK_a, XK_w, XK_e, XK_d, XK_s, XK_q})
        for (int step = 0; step < 12; ++step) {
            sendKey(dpy, turn);
            movePointerInWindow(dpy, window, 600 + 60 * (step % 3 - 1), 450 + 40 * (step % 2));
        }
    for (KeySym key : {XK_c, XK_m})
        sendKey(dpy, key);

    // Every key but Escape: the camera and chain keys in both interaction
    // modes, upper case, digits, and a few special keys.
    const KeySym keys[] = {XK_a, XK_d, XK_e, XK_q, XK_w, XK_s, XK_x, XK_z, XK_c,     XK_v,    XK_m,  XK_m,
                           XK_f, XK_k, XK_n, XK_p, XK_F, XK_K, XK_1, XK_space, XK_Left, XK_F5};
    std::mt19937 random(seed);
    std::uniform_int_distribution<size_t> pickKey(0, std::size(keys) - 1);
    std::uniform_int_distribution<int> offset(-40, 40);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::vector<long> samples;  // one a second, from the end of the warm-up on
    long last = -1;
    long events = 0;
    int second = 0;
    // Each burst ends with F12 and waits for the viewer to log it, so the storm runs
    // as fast as the viewer takes it: a backlog of unread events would only measure
    // the event queue, not the viewer.
    LineCounter markers(viewer.pid(), "specialFunc(12, ");
    int markersSent = 0;
    bool responsive = true;
    std::printf("second  resident KiB\n");
    while (responsive && Clock::now() - start < std::chrono::seconds(seconds)) {
        for (int burst = 0; burst < 20; ++burst, ++events) {
            if (random() % 3 == 0) {
                const KeySym key = keys[pickKey(random)];
                // Some keys come in pairs that undo each other: the eye distance is
                // unbounded and would drift, and the chain keeps its length (an
                // insertion, then a deletion).
                if (key == XK_x || key == XK_z) {
                    sendKey(dpy, key);
                    sendKey(dpy, key == XK_x ? XK_z : XK_x);
                } else if (key == XK_f || key == XK_k) {
                    sendKey(dpy, XK_f);
                    sendKey(dpy, XK_k);
                } else {
                    sendKey(dpy, key);
                }
            } else
                movePointerInWindow(dpy, window, 600 + offset(random), 450 + offset(random));
        }
        sendKey(dpy, XK_F12);
        ++markersSent;
        responsive = pollUntil([&] { return markers.count() == markersSent; }, Millis{5000}, Millis{1});
        if (Clock::now() - start >= std::chrono::seconds(second + 1)) {
            ++second;
            last = residentKiB(viewer.pid());
            if (last < 0 || !viewer.running())
                break;
            if (second >= warmUp)
                samples.push_back(last);
            std::printf("%6d  %ld\n", second, last);
            std::fflush(stdout);
        }
    }

    const bool alive = viewer.running();
    const bool fatal = viewer.stderrText().find("velmora: fatal:") != std::string::npos;
    const bool measured = samples.size() >= 20;
    const long baseline = measured ? *std::max_element(samples.begin(), samples.begin() + 10) : -1;
    const long final = measured ? *std::max_element(samples.end() - 10, samples.end()) : -1;
    const long peak = measured ? *std::max_element(samples.begin(), samples.end()) : -1;
    const long growth = final - baseline;
    int status = -1;
    if (alive) {
        sendKey(dpy, XK_Escape);
        status = viewer.waitExit();
    }
    const bool pass = alive && responsive && !fatal && measured && growth < 2048 && status == 0;
    std::printf("soak: %d s, %ld events, resident %ld KiB after %d s, %ld KiB at the end (peak %ld), "
                "growth %ld KiB, %s, %s, %s, exit status %d: %s\n",
                seconds, events, baseline, warmUp, final, peak, growth, alive ? "alive" : "DEAD",
                responsive ? "responsive" : "UNRESPONSIVE FOR 5 S",
                fatal ? "FATAL CHECK FIRED" : "no fatal check", status, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
