// velmora: frame-time benchmark: the real gimbal chain frame against two references on the same triangles.
//
// real: d13display() itself, on the scene d13modeInitFunc() builds.
// (a)   the same frame with every mesh sent from float arrays made in advance: the same GL
//       calls with the same values, and nothing else per call; the least this design costs.
//       Its frame is in reference_frame.h, where a unit test compares its calls with the real ones.
// (b)   the same frame with each mesh replayed from a display list compiled once.
// The three run in turn, round after round, so that load from other processes falls on
// all of them alike. Each frame is followed by glFinish().
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/reference_frame.h"
#include "modes/mode13.h"
#include "shell/velmora.h"
#include "view/camera.h"

namespace {

FlatMesh flatRing, flatDodecahedron;
GLuint ringList, dodecahedronList;

void frameArrays()
{
    referenceFrame([](int m) { drawFlat(m == 0 ? flatRing : flatDodecahedron); });
}

void frameLists()
{
    referenceFrame([](int m) { glCallList(m == 0 ? ringList : dodecahedronList); });
}

struct Variant {
    const char *name;
    void (*frame)();
    std::vector<double> wall, cpu;  // milliseconds per frame
};

// Warm-up frames are kept apart from timed ones so that a profiler can count only the
// latter (valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*timedFrame*').
__attribute__((noinline)) void warmFrame(void (*frame)())
{
    frame();
    glFinish();
}

double cpuMs()  // CPU time of all the process's threads (ours and the renderer's)
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return 1e3 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

__attribute__((noinline)) void timedFrame(Variant &v)
{
    const double cpu = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    v.frame();
    glFinish();
    v.wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    v.cpu.push_back(cpuMs() - cpu);
}

// The value below which a fraction q of the sorted samples lie (nearest rank).
double quantile(const std::vector<double> &sorted, double q)
{
    return sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
}

// Three lines of the table for one chain length: the medians and their ratios, then each
// variant's spread. Sorts the samples.
std::string rows(int rings, int triangles, Variant *variants, std::vector<double> Variant::*clock)
{
    double median[3];
    for (int k = 0; k < 3; ++k) {
        std::vector<double> &ms = variants[k].*clock;
        std::sort(ms.begin(), ms.end());
        median[k] = quantile(ms, 0.5);
    }
    std::string out;
    char line[200];
    for (int k = 0; k < 3; ++k) {
        const std::vector<double> &ms = variants[k].*clock;
        if (k == 0)
            std::snprintf(line, sizeof line, "%5d %9d | %8.3f %8.3f %8.3f | %8.3f %8.3f |", rings, triangles,
                          median[0], median[1], median[2], median[0] / median[1], median[0] / median[2]);
        else
            std::snprintf(line, sizeof line, "%5s %9s | %8s %8s %8s | %8s %8s |", "", "", "", "", "", "", "");
        out += line;
        std::snprintf(line, sizeof line, " %-5s %8.3f %8.3f %8.3f %8.3f\n", variants[k].name, ms.front(),
                      quantile(ms, 0.1), quantile(ms, 0.9), ms.back());
        out += line;
    }
    return out;
}

bool shown = false;

void checkGl(const char *where)
{
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        std::fprintf(stderr, "velmora_bench: GL error after %s: %s\n", where,
                     reinterpret_cast<const char *>(gluErrorString(error)));
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    int frames = 200, warmup = 20;
    std::vector<int> chains = {1, 8, 32, 127};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0) {
            frames = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--warmup") == 0) {
            warmup = std::max(0, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--chain") == 0) {
            chains.assign(1, std::clamp(std::atoi(argv[i + 1]), 1, static_cast<int>(maxGimbals)));
        } else {
            std::fprintf(stderr, "usage: velmora_bench [--frames N] [--warmup N] [--chain RINGS]\n");
            return 2;
        }
    }
    // The set-up reads its pictures from data/rescales/ under the working directory.
    if (chdir(VELMORA_SOURCE_DIR) != 0) {
        std::perror("velmora_bench: chdir to the project root");
        return 1;
    }

    // The viewer's window, context and start-up order, without its main loop.
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowPosition(100, 100);
    glutInitWindowSize(1200, 900);
    glutCreateWindow("velmora");
    genericInit();
    glutReshapeFunc(reshapeFunc);
    glutDisplayFunc([] { shown = true; });
    d13modeInitFunc();
    checkGl("set-up");
    // Wait for the window to be mapped, sized and exposed before drawing into it.
    for (int i = 0; i < 5000 && !(shown && window.dW == 1200 && window.dH == 900); ++i) {
        glutMainLoopEvent();
        usleep(1000);
    }
    if (!shown) {
        std::fprintf(stderr, "velmora_bench: the window was never shown\n");
        return 1;
    }

    flatRing = flatten(d13.gimbal);
    flatDodecahedron = flatten(d13.dodecahedron);
    ringList = glGenLists(2);
    dodecahedronList = ringList + 1;
    glNewList(ringList, GL_COMPILE);
    drawFlat(flatRing);
    glEndList();
    glNewList(dodecahedronList, GL_COMPILE);
    drawFlat(flatDodecahedron);
    glEndList();
    checkGl("list compilation");

    for (int32_t j = 0; j < maxGimbals; ++j)
        d13.angle[j] = 0.3 * j;

    std::printf("renderer: %s\nversion:  %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char *>(glGetString(GL_VERSION)));
    std::printf("window %dx%d, %d frames per variant after %d warm-up rounds\n\n",
                window.dW, window.dH, frames, warmup);
    std::string table[2];  // wall clock, CPU
    for (int rings : chains) {
        d13.gimbalc = rings;
        d13.current = 0;
        Variant variants[3] = {{"real", d13display, {}, {}}, {"(a)", frameArrays, {}, {}},
                               {"(b)", frameLists, {}, {}}};
        for (int round = 0; round < warmup; ++round)
            for (Variant &v : variants)
                warmFrame(v.frame);
        for (int round = 0; round < frames; ++round)
            for (int k = 0; k < 3; ++k)
                timedFrame(variants[(round + k) % 3]);  // each variant leads one round in three
        checkGl("the timed frames");
        const int triangles = rings * d13.gimbal.triangleCount + d13.dodecahedron.triangleCount;
        for (int clock = 0; clock < 2; ++clock)
            table[clock] += rows(rings, triangles, variants, clock == 0 ? &Variant::wall : &Variant::cpu);
        std::fprintf(stderr, "velmora_bench: %d rings done\n", rings);
    }
    const char *titles[2] = {"wall-clock", "CPU (all threads of the process)"};
    for (int clock = 0; clock < 2; ++clock)
        std::printf("%s milliseconds per frame: median, ratios of medians, spread\n%5s %9s | %8s %8s %8s | %8s "
                    "%8s | %-5s %8s %8s %8s %8s\n%s\n",
                    titles[clock], "rings", "triangles", "real", "(a)", "(b)", "real/(a)", "real/(b)", "", "min",
                    "p10", "p90", "max", table[clock].c_str());
    return 0;
}
