// velmora tests: a recording stand-in for the GL, GLU and GLUT functions the viewer calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One call: its name and its numeric arguments (enums and names as numbers).
struct GlCall {
    std::string name;
    std::vector<double> args;
    std::string text;  // a label argument, such as a window title or game-mode string
    bool operator==(const GlCall &) const = default;
};

// What the stand-in answers and what it remembers. reset() clears it all.
struct GlRecord {
    std::vector<GlCall> calls;
    // false: calls are still answered (and uploads still copied) but not
    // appended to `calls`, so that a long run does not grow memory.
    bool recordCalls = true;
    // true: each recorded call is also written to stderr as glCallText renders it, so that a
    // death test can see what the process did before it died.
    bool echoCalls = false;
    int screenWidth = 1920, screenHeight = 1080;
    int elapsedMs = 0;
    int pendingError = 0;       // returned, then cleared, by the next glGetError
    // Each call of this name raises failingError, as a GL call given a bad argument
    // does; like GL, an error already pending is kept and the new one dropped.
    std::string failingCall;
    int failingError = 0;
    bool gameModeActive = true; // whether glutEnterGameMode succeeds
    bool inGameMode = false;    // entered and not left: what glutGameModeGet(GLUT_GAME_MODE_ACTIVE) answers
    bool xwayland = false;      // what displayIsXwayland answers
    bool displaySetAtInit = false;  // whether DISPLAY was in the environment when glutInit ran
    bool initialised = false;   // glutInit has run: what glutGet(GLUT_INIT_STATE) answers
    unsigned nextTexture = 1;   // the name glGenTextures hands out next
    std::vector<uint16_t> lastTexImageShorts;       // data of the last GL_UNSIGNED_SHORT upload
    std::vector<unsigned char> lastTexImageBytes;   // data of the last GL_UNSIGNED_BYTE upload
    const void *lastTexImagePixels = nullptr;       // where the last upload read from
    // Registered GLUT callbacks and armed timers.
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*passiveMotion)(int, int) = nullptr;
    struct Timer { unsigned ms; void (*func)(int); int value; };
    std::vector<Timer> timers;
};

extern GlRecord glRecord;

void resetGlRecord();
// Names of the recorded calls, in order.
std::vector<std::string> glCallNames();
// One call rendered as "name(a, b, ...)" with %g numbers.
std::string glCallText(const GlCall &call);
// The recorded calls rendered by glCallText, in order.
std::vector<std::string> glCallTexts();
// How many calls of this name were recorded.
int glCallCount(const std::string &name);
