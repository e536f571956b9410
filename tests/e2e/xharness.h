// velmora end-to-end tests: a virtual X server, the viewer as a child process, XTest input and screenshots.
#pragma once

#include <X11/Xlib.h>
#include <X11/keysym.h>  // XK_ names for sendKey
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Millis = std::chrono::milliseconds;

// How long any wait lasts before it gives up: long enough for a loaded machine, short enough never to hang.
inline constexpr Millis kWait{8000};

// A wait that timed out, or a process or X call that failed; the message says what was awaited.
struct HarnessError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Calls done() every `every` until it returns true (then true) or `timeout` passes (then false).
bool pollUntil(const std::function<bool()> &done, Millis timeout = kWait, Millis every = Millis{20});

// ---------------------------------------------------------------------------------------------
// Images

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    auto operator<=>(const Rgb &) const = default;
};
std::string toString(Rgb c);  // "(r, g, b)"

// An RGB picture, rows top to bottom.
struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    const Rgb &at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Image &) const = default;
};

// Inclusive pixel rectangle; empty when nothing matched.
struct Box {
    bool empty = true;
    int left = 0, top = 0, right = 0, bottom = 0;
    double centreX() const { return (left + right + 1) / 2.0; }
    double centreY() const { return (top + bottom + 1) / 2.0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};
std::string toString(const Box &box);  // "[left..right] x [top..bottom]" or "empty"

std::map<Rgb, std::size_t> colourCounts(const Image &image);  // how many pixels have each colour
std::size_t distinctColours(const Image &image);
std::size_t differingPixels(const Image &a, const Image &b);    // throws if the sizes differ
Box boundingBox(const Image &image, Rgb background = {});      // pixels unlike the background
void savePpm(const Image &image, const std::string &path);      // binary PPM, for looking at by eye

// ---------------------------------------------------------------------------------------------
// The X server

// The X servers a test can run the viewer on.
enum class ServerKind {
    xvfb,         // Xvfb alone: no window manager
    xvfbOpenbox,  // Xvfb managed by openbox, a window manager that honours full-screen requests
    xwayland,     // weston's Xwayland: weston headless, on a private runtime folder, one output
    xorg,         // Xorg with its dummy video driver, which really switches modes: 1024x768 at
                  // 60 Hz, with a 75 Hz mode of that size (tests/e2e/xorg/60-and-75.conf)
    xorgNo75,     // the same screen with no 75 Hz mode at all (tests/e2e/xorg/60-only.conf)
};

// An X server of the given kind on a display number it picks itself, with a client connection
// to it held for the server's life (so it never resets for lack of clients). Xvfb and Xorg run
// with -noreset as well. Xorg's screen is the size its configuration gives, whatever `width`
// and `height` say. The destructor stops and reaps every process it started.
class XServer {
public:
    explicit XServer(ServerKind kind = ServerKind::xvfb, int width = 1600, int height = 1200);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    Display *display() const { return display_; }
    const std::string &name() const { return name_; }  // ":N", for DISPLAY
    Window root() const;
    // What a desktop session exports to its programs besides DISPLAY: WAYLAND_DISPLAY and
    // XDG_RUNTIME_DIR on weston, nothing on Xvfb.
    std::vector<std::pair<std::string, std::string>> sessionVars() const;
    // All that the server has written: its output, and weston's or Xorg's log file.
    std::string log() const;
    // Stops the window manager, closes the connection, then terminates the server (as a
    // shutdown would) and reaps it. Clients still connected lose their connection.
    // Idempotent; display() is null afterwards and log() still readable until destruction.
    void stop();

private:
    void startReportingServer(std::vector<std::string> argv);
    void startXvfb(int width, int height);
    void startXorg(const std::string &config);
    void startWeston(int width, int height);
    void startOpenbox();
    void connect();
    void release();  // stop(), then close the output and remove the private folder

    pid_t pid_ = -1;  // Xvfb, Xorg or weston
    pid_t wm_ = -1;   // openbox
    int output_ = -1; // the server's standard output and error (weston's, which Xwayland's go to as well)
    std::string folder_;   // private, removed at the end: weston's runtime folder, or Xorg's log folder
    std::string logFile_;  // weston's or Xorg's log, in folder_
    std::string socket_;
    std::string name_;
    Display *display_ = nullptr;
};

// The refresh rate of the screen's current mode in Hz, as the video-mode extension reports it
// (dot clock over the mode's total pixels). That extension is how GLUT switches modes; asking
// RandR instead would make the server re-probe its outputs, which on the dummy driver resets
// the mode that the video-mode extension reports.
double refreshRate(Display *dpy);

// ---------------------------------------------------------------------------------------------
// The viewer process

// The viewer started with an environment it never inherits DISPLAY, NOFS, MODE, POSE or
// WAYLAND_DISPLAY into: it gets the server's DISPLAY plus exactly `vars`, which replace
// any inherited variable of the same name. Runs in `workdir`; stdout and stderr go
// to two separate unlinked temporary files. The destructor SIGKILLs it if it still runs, and reaps it.
class Viewer {
public:
    using Vars = std::vector<std::pair<std::string, std::string>>;
    Viewer(const XServer &server, const Vars &vars, const std::vector<std::string> &args = {},
           const std::string &binary = VELMORA_BINARY, const std::string &workdir = VELMORA_SOURCE_DIR);
    ~Viewer();
    Viewer(const Viewer &) = delete;
    Viewer &operator=(const Viewer &) = delete;

    pid_t pid() const { return pid_; }
    bool running();                                  // false once it has ended (and been reaped)
    int waitExit(Millis timeout = kWait);            // exit status, or -signal; throws on timeout
    std::string stdoutText() const;
    std::string stderrText() const;
    std::vector<std::string> stderrLines() const;    // complete lines, without their newlines
    void waitForStderrLine(const std::string &line, Millis timeout = kWait);  // throws on timeout
    void waitForStderrLineStartingWith(const std::string &prefix, Millis timeout = kWait);  // likewise

private:
    void waitForStderr(const std::function<bool(const std::string &)> &match, const std::string &what,
                       Millis timeout);

    pid_t pid_ = -1;
    int status_ = 0;
    int out_ = -1, err_ = -1;
};

// ---------------------------------------------------------------------------------------------
// Windows and input

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // position on the root window, and size
    bool operator==(const Geometry &) const = default;
};
std::string toString(const Geometry &g);  // "WxH+X+Y"

// Mapped windows with this title, at any depth: a window manager puts top-level windows in frames.
std::vector<Window> windowsNamed(Display *dpy, const std::string &title);
Window waitForWindow(Display *dpy, const std::string &title, Millis timeout = kWait);  // throws on timeout
Geometry windowGeometry(Display *dpy, Window window);
// Whether the window manager has put the window in full-screen state (_NET_WM_STATE_FULLSCREEN).
bool isFullScreen(Display *dpy, Window window);
// Whether the window has the keyboard focus, where XTest's key events go under a window manager.
bool hasFocus(Display *dpy, Window window);
void resizeWindow(Display *dpy, Window window, int width, int height);
std::pair<int, int> pointerInWindow(Display *dpy, Window window);  // where the pointer is, window coordinates

// Presses and releases the key that types `keysym`, with Shift held if the keysym needs it.
void sendKey(Display *dpy, KeySym keysym);
// Presses the key that types `keysym` (unshifted), holds it for `duration`, and releases it:
// the server's auto-repeat may deliver it several times meanwhile.
void holdKey(Display *dpy, KeySym keysym, Millis duration);
// Presses the keys in order and releases them in reverse: a chord such as Alt+F4.
void sendChord(Display *dpy, const std::vector<KeySym> &keysyms);
// Asks a top-level window to close as a window manager does for its close button:
// a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.
void sendDeleteWindow(Display *dpy, Window window);
void movePointer(Display *dpy, int rootX, int rootY);                  // absolute, on the screen
void movePointerInWindow(Display *dpy, Window window, int x, int y);  // window coordinates

// ---------------------------------------------------------------------------------------------
// Screenshots

Image screenshot(Display *dpy, Window window);  // a window's contents, or the whole screen for the root
// Screenshots until two taken 100 ms apart match and accept() likes them; throws on timeout.
Image settledScreenshot(Display *dpy, Window window, const std::function<bool(const Image &)> &accept,
                        Millis timeout = kWait);

// ---------------------------------------------------------------------------------------------
// Project files

// The 1-based line of `file` (relative to the project root) on which `needle` first stands; -1 if none.
int sourceLine(const std::string &file, const std::string &needle);

// A copy of the project's data/rescales in a fresh temporary directory, to break pictures in
// and run the viewer from (its root is the working directory); removed again at the end.
struct Pictures {
    std::filesystem::path root;
    Pictures();
    ~Pictures();
    Pictures(const Pictures &) = delete;
    Pictures &operator=(const Pictures &) = delete;
    std::filesystem::path file(const std::string &name) const { return root / "data/rescales" / name; }
};

}  // namespace e2e
