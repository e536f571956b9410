// velmora fuzz target: event streams through the generic GLUT callbacks with
// the gimbal chain's hooks installed, checking the chain and the camera after
// every event.
//
// Input format: a sequence of events, each an opcode byte followed by its
// operands (little-endian). The opcode is the byte modulo 8:
//   0, 1  key press         1 byte: the key (Escape is skipped, see below)
//   2     special key       2 bytes: the key, signed
//   3     pointer at        2 + 2 bytes: x, y, signed
//   4     pointer moved by  1 + 1 bytes: dx, dy from the window centre, signed
//   5     reshape           2 + 2 bytes: width, height, unsigned (0 allowed)
//   6     display           no operands; at most kMaxDisplays per input
//   7     repeat            1 byte b: the previous event runs that many more
//                           times: b below 128, else (b - 127) * 128 (up to 16384)
// Decoding stops at the first incomplete event or when kMaxEvents callbacks
// have run; most repeat counts are small, so that most inputs run fast.
// Pointer positions and window sizes span the range a window system reports
// (16-bit coordinates and sizes), which keeps x - window.hW inside int.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "geometry/dodecahedron.h"
#include "geometry/gimbal.h"
#include "geometry/mesh.h"
#include "glrecord.h"
#include "modes/mode13.h"
#include "shell/assure.h"
#include "shell/velmora.h"
#include "view/camera.h"
#include "view/input.h"

namespace {

constexpr int kMaxEvents = 1 << 15;
constexpr int kMaxDisplays = 4;

// Net 'x' presses (in mode 'v', counting each 'z' as minus one) that take vfar
// from 1.5 past the largest double: 1.5 * (20/19)^13830 overflows to +inf. The
// camera documents vfar as unbounded, so this overflow is the program's own
// behaviour; an infinite vfar is accepted only after at least this many net
// presses (less a margin for rounding) since the last reset. 'z' never takes
// vfar to 0: after about 14,500 net presses it sticks at a subnormal (9 times
// the smallest), which neither 'x' nor 'z' moves any more; only 'c' resets it.
constexpr long kVfarOverflowPresses = 13830 - 100;

// Where our diagnostics go. The run script closes the program's standard
// error (one line per event); this descriptor is duplicated before that.
int diagnostics = 2;

struct Checker {
    long event = 0;       // index of the event being checked
    long netZoom = 0;     // net 'x' presses in mode 'v' since the last reset
    long maxNetZoom = 0;  // the largest netZoom reached since the last reset
};

Checker checker;

[[noreturn]] void fail(const char *what)
{
    std::fflush(stderr);
    dprintf(diagnostics, "fuzz_events: after event %ld: %s\n", checker.event, what);
    dprintf(diagnostics,
            "  gimbalc %d current %d interaction %d vfar %.17g\n"
            "  up (%.17g, %.17g, %.17g)\n  eye (%.17g, %.17g, %.17g)\n  right (%.17g, %.17g, %.17g)\n",
            d13.gimbalc, d13.current, generic.interaction, generic.vfar, generic.up.x, generic.up.y,
            generic.up.z, generic.eye.x, generic.eye.y, generic.eye.z, generic.right.x, generic.right.y,
            generic.right.z);
    __builtin_trap();
}

bool finite(const Vec3 &v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

double length(const Vec3 &v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// What the display would hand to gluLookAt for the current camera, taken from
// the real genericLookAt through the stand-in.
bool lookAtIsFinite()
{
    glRecord.recordCalls = true;
    genericLookAt(generic.vfar);
    glRecord.recordCalls = false;
    bool ok = glRecord.calls.size() == 1 && glRecord.calls[0].name == "gluLookAt";
    if (ok)
        for (double a : glRecord.calls[0].args)
            ok = ok && std::isfinite(a);
    glRecord.calls.clear();
    return ok;
}

void check()
{
    if (!(1 <= d13.gimbalc && d13.gimbalc <= maxGimbals))
        fail("ring count out of 1..127");
    if (!(0 <= d13.current && d13.current < d13.gimbalc))
        fail("selected ring out of range");
    if (generic.interaction != 'v' && generic.interaction != 'm')
        fail("interaction mode is neither 'v' nor 'm'");
    if (!finite(generic.up) || !finite(generic.eye) || !finite(generic.right))
        fail("camera frame is not finite");
    // The frame is meant to stay orthonormal. genericGlide turns each frame
    // vector about another with vectorAA, a rotation only about a unit axis,
    // so rounding error compounds from turn to turn; genericGlide rebuilds the
    // frame once it drifts past 1e-9, which keeps every length within a
    // rounding error of 1. Without that rebuild, about 2,400 pointer events of
    // (40, 30) pixels, or 6,300 presses of 'a' and 'w' in turn, take a length
    // out of [0.5, 2], where a vector no longer describes a view; these checks
    // catch any path that turns the frame and skips the rebuild.
    for (const Vec3 *v : {&generic.up, &generic.eye, &generic.right}) {
        const double l = length(*v);
        if (!(0.5 <= l && l <= 2.0))
            fail("camera frame vector length left [0.5, 2]");
    }
    if (std::isnan(generic.vfar) || !(generic.vfar > 0.0))
        fail("vfar is NaN or not positive");
    if (std::isinf(generic.vfar)) {
        if (checker.maxNetZoom < kVfarOverflowPresses)
            fail("vfar overflowed without enough 'x' presses");
        return;  // the look-at of an infinitely distant eye is not finite
    }
    if (!lookAtIsFinite())
        fail("the camera's look-at arguments are not finite");
}

// Bytes of the input, read front to back.
struct Reader {
    const uint8_t *data;
    size_t size;
    size_t at = 0;

    bool has(size_t n) const { return size - at >= n; }
    uint8_t u8() { return data[at++]; }
    uint16_t u16()
    {
        const uint16_t v = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
        at += 2;
        return v;
    }
    int16_t s16() { return static_cast<int16_t>(u16()); }
};

struct Event {
    int op = -1;
    int a = 0, b = 0;
};

// Current pointer position, passed along with key events as GLUT does.
int pointerX = 0, pointerY = 0;
int displays = 0;

void run(const Event &e)
{
    switch (e.op) {
    case 0:
    case 1: {
        const unsigned char key = static_cast<unsigned char>(e.a);
        // Escape (27) quits the program with exit(0) by design; the fuzz
        // process must survive every input, so Escape is skipped.
        if (key == 27)
            return;
        if (generic.interaction == 'v') {
            if (key == 'x')
                ++checker.netZoom;
            else if (key == 'z')
                --checker.netZoom;
        }
        keyboardFunc(key, pointerX, pointerY);
        if (key == 'c')
            checker.netZoom = 0, checker.maxNetZoom = 0;
        if (checker.netZoom > checker.maxNetZoom)
            checker.maxNetZoom = checker.netZoom;
        return;
    }
    case 2: specialFunc(e.a, pointerX, pointerY); return;
    case 3:
    case 4:
        pointerX = e.a;
        pointerY = e.b;
        passiveMotionFunc(pointerX, pointerY);
        return;
    case 5: reshapeFunc(e.a, e.b); return;
    case 6:
        if (displays >= kMaxDisplays)
            return;
        ++displays;
        displayFunc();
        return;
    default: return;
    }
}

// The once-per-process part of the mode-13 set-up, without its texture files:
// texture names as the set-up hands them out (the ring's first, then the four
// face pictures), one ring mesh and the dodecahedron, all from the arena.
void setUpChain()
{
    static const int32_t faceTexture[12] = {2, 3, 4, 3, 4, 5, 5, 2, 5, 2, 4, 3};
    d13.gimbal = calculateGimbal(1, 0.04, 128);
    d13.dodecahedron = makeDodecahedron(faceTexture);
    window.specificKeyboardFunc = d13keyboardFunc;
    window.specificPassiveMotionFunc = d13passiveMotionFunc;
    window.specificDisplayFunc = d13display;
    window.specificReshapeFunc = nullptr;
    window.specificSpecialFunc = nullptr;
}

// Everything an input can change, back to how a fresh process starts.
void resetState()
{
    genericInit();
    d13.gimbalc = 1;
    d13.current = 0;
    std::memset(d13.angle, 0, sizeof d13.angle);
    window.hW = 400, window.hH = 300, window.dW = 800, window.dH = 600;
    preskip = 2;
    pointerX = window.hW, pointerY = window.hH;
    displays = 0;
    checker = Checker();
}

}  // namespace

// No fatal check may fire on any event stream.
void assure_failed(const char *expression, const char *file, int line)
{
    std::fflush(stderr);
    dprintf(diagnostics, "fuzz_events: fatal check fired: %s:%d: '%s'\n", file, line, expression);
    __builtin_trap();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    diagnostics = dup(2);
    if (diagnostics < 0)
        diagnostics = 2;
    // The program writes a line to unbuffered standard error for every event;
    // buffering it saves a system call each (our own messages use the copy).
    static char buffer[1 << 16];
    std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
    resetGlRecord();
    glRecord.recordCalls = false;
    setUpChain();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    resetState();
    Reader in{data, size};
    Event last;
    long callbacks = 0;
    while (callbacks < kMaxEvents && in.has(1)) {
        const int op = in.u8() % 8;
        Event e;
        e.op = op;
        int repeat = 1;
        switch (op) {
        case 0:
        case 1:
            if (!in.has(1)) return 0;
            e.a = in.u8();
            break;
        case 2:
            if (!in.has(2)) return 0;
            e.a = in.s16();
            break;
        case 3:
            if (!in.has(4)) return 0;
            e.a = in.s16();
            e.b = in.s16();
            break;
        case 4:
            if (!in.has(2)) return 0;
            e.a = window.hW + static_cast<int8_t>(in.u8());
            e.b = window.hH - static_cast<int8_t>(in.u8());
            break;
        case 5:
            if (!in.has(4)) return 0;
            e.a = in.u16();
            e.b = in.u16();
            break;
        case 6: break;
        case 7: {
            if (!in.has(1)) return 0;
            const int b = in.u8();
            e = last;
            repeat = b < 128 ? b : (b - 127) * 128;
            break;
        }
        }
        for (int i = 0; i < repeat && callbacks < kMaxEvents; ++i, ++callbacks) {
            run(e);
            check();
            ++checker.event;
        }
        last = e;
    }
    return 0;
}
