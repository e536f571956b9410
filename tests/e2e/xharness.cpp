// velmora end-to-end tests: the harness behind xharness.h (processes, Xlib, XTest, pixels).
#include "xharness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/xf86vmode.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string &what)
{
    throw HarnessError(what);
}

// Windows may vanish between listing and asking about them (the viewer exits), so X
// protocol errors are expected now and then: ignore them instead of letting Xlib exit.
int ignoreXError(Display *, XErrorEvent *)
{
    return 0;
}

// The servers this process holds a connection to. Xlib ends the process when a connection
// breaks; before it does, say which server went away and what it wrote.
std::vector<const XServer *> connectedServers;

int reportLostServer(Display *dpy)
{
    for (const XServer *server : connectedServers)
        if (server->display() == dpy)
            std::fprintf(stderr, "the X server %s went away; it wrote:\n%s\n", server->name().c_str(),
                         server->log().c_str());
    return 0;
}

// An unlinked temporary file, open for reading and writing.
int anonymousFile(const char *tag)
{
    std::string path = std::string("/tmp/velmora-e2e-") + tag + "-XXXXXX";
    int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        fail("mkstemp: " + std::string(std::strerror(errno)));
    unlink(path.c_str());
    return fd;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        ssize_t n = pread(fd, buffer, sizeof buffer, offset);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
    return text;
}

// A new private (mode 700) folder under the temporary folder, its name starting with `prefix`.
std::string privateFolder(const std::string &prefix)
{
    std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(name.data()) == nullptr)
        fail("mkdtemp: " + std::string(std::strerror(errno)));
    return name;
}

// Waits up to `timeout` for the child to end; true (and *status set) if it did.
bool reap(pid_t pid, int *status, Millis timeout)
{
    return pollUntil([&] { return waitpid(pid, status, WNOHANG) == pid; }, timeout, Millis{5});
}

// Strings for execve, built before fork so the child only calls async-signal-safe functions.
std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (auto &s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// In a child just forked from `parent`: die with the test process, even when it is killed
// and no destructor runs, so no Xvfb or viewer outlives it.
void dieWithParent(pid_t parent)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(125);
}

// Forks a child that dies with this process, wires its standard streams to
// `in`, `out` and `err`, and runs `exec` in it (which should not return).
pid_t spawn(int in, int out, int err, const std::function<void()> &exec)
{
    const pid_t self = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork: " + std::string(std::strerror(errno)));
    if (pid == 0) {
        dieWithParent(self);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        exec();
        _exit(127);
    }
    return pid;
}

// This process's environment without the named variables, as "NAME=value" strings.
std::vector<std::string> environmentWithout(const std::vector<std::string> &names)
{
    std::vector<std::string> kept;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (std::find(names.begin(), names.end(), entry.substr(0, entry.find('='))) == names.end())
            kept.push_back(entry);
    }
    return kept;
}

// Terminates a child and reaps it, killing it if it has not gone within 3 s; then forgets it.
void terminate(pid_t &pid)
{
    if (pid <= 0)
        return;
    int status;
    kill(pid, SIGTERM);
    if (!reap(pid, &status, Millis{3000})) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
}

Window rootOf(Display *dpy)
{
    return DefaultRootWindow(dpy);
}

// The values of a window's 32-bit property of the given type; none when it is absent or of another type.
std::vector<unsigned long> propertyValues(Display *dpy, Window window, const char *name, Atom type)
{
    Atom actual;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(dpy, window, XInternAtom(dpy, name, False), 0, 64, False, type, &actual, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && actual == type && format == 32) {
        const auto *items = reinterpret_cast<const unsigned long *>(data);
        values.assign(items, items + count);
    }
    if (data != nullptr)
        XFree(data);
    return values;
}

int trailingZeros(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// One channel of a pixel value, scaled to 0..255 whatever the width of its mask.
std::uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const int shift = trailingZeros(mask);
    const unsigned long max = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

bool pollUntil(const std::function<bool()> &done, Millis timeout, Millis every)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(every);
    }
}

// ---------------------------------------------------------------------------------------------
// Images

std::string toString(Rgb c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

std::string toString(const Box &box)
{
    if (box.empty)
        return "empty";
    return "[" + std::to_string(box.left) + ".." + std::to_string(box.right) + "] x [" +
           std::to_string(box.top) + ".." + std::to_string(box.bottom) + "]";
}

std::map<Rgb, std::size_t> colourCounts(const Image &image)
{
    std::map<Rgb, std::size_t> counts;
    for (const Rgb &p : image.pixels)
        ++counts[p];
    return counts;
}

std::size_t distinctColours(const Image &image)
{
    return colourCounts(image).size();
}

std::size_t differingPixels(const Image &a, const Image &b)
{
    if (a.width != b.width || a.height != b.height)
        fail("differingPixels: images of different sizes");
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}

Box boundingBox(const Image &image, Rgb background)
{
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (image.at(x, y) == background)
                continue;
            if (box.empty) {
                box = {false, x, y, x, y};
                continue;
            }
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

void savePpm(const Image &image, const std::string &path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << " " << image.height << "\n255\n";
    for (const Rgb &p : image.pixels) {
        const char rgb[3] = {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b)};
        out.write(rgb, 3);
    }
    if (!out)
        fail("could not write " + path);
}

// ---------------------------------------------------------------------------------------------
// The X server

XServer::XServer(ServerKind kind, int width, int height)
{
    XSetErrorHandler(ignoreXError);
    try {
        switch (kind) {
        case ServerKind::xwayland: startWeston(width, height); break;
        case ServerKind::xorg: startXorg("60-and-75.conf"); break;
        case ServerKind::xorgNo75: startXorg("60-only.conf"); break;
        case ServerKind::xvfb:
        case ServerKind::xvfbOpenbox: startXvfb(width, height); break;
        }
        connect();
        if (kind == ServerKind::xvfbOpenbox)
            startOpenbox();
    } catch (...) {
        release();  // no destructor runs after a constructor throws
        throw;
    }
}

// Starts a server that writes its display number on the descriptor that -displayfd names once
// it accepts clients (the option is added here), its output going to output_.
void XServer::startReportingServer(std::vector<std::string> argv)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        fail("pipe: " + std::string(std::strerror(errno)));
    argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(ready[1])});
    auto args = pointers(argv);
    output_ = anonymousFile("xserver");

    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = spawn(null, output_, output_, [&] {
        fcntl(ready[1], F_SETFD, 0);  // the one descriptor of ours the server inherits
        execvp(args[0], args.data());
    });
    close(null);
    close(ready[1]);

    std::string number;
    const auto deadline = Clock::now() + kWait;
    while (number.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
        pollfd p{ready[0], POLLIN, 0};
        char c[16];
        ssize_t n = 0;
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || (n = read(ready[0], c, sizeof c)) <= 0)
            break;
        number.append(c, static_cast<std::size_t>(n));
    }
    close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        stop();
        fail(argv[0] + " did not report a display within " + std::to_string(kWait.count()) + " ms; it wrote:\n" +
             log());
    }
    name_ = ":" + number.substr(0, number.find('\n'));
}

void XServer::startXvfb(int width, int height)
{
    // -noreset: a server whose last client disconnects resets and refuses new clients meanwhile;
    // the connection held below guards against that only while it is open.
    startReportingServer({"Xvfb", "-screen", "0", std::to_string(width) + "x" + std::to_string(height) + "x24",
                          "-nolisten", "tcp", "-noreset"});
}

void XServer::startXorg(const std::string &config)
{
    // The server itself, not Debian's /usr/bin/Xorg: where xserver-xorg-legacy is installed, that
    // hands over to a set-user-id wrapper which turns away users who are not at a console. The
    // dummy driver needs no privileges and no virtual terminal, so any user can run this, and
    // one running without privileges may name any configuration and log file.
    const std::string folder = std::string(VELMORA_SOURCE_DIR) + "/tests/e2e/xorg/";
    folder_ = privateFolder("velmora-e2e-xorg");
    logFile_ = folder_ + "/Xorg.log";
    startReportingServer({"/usr/lib/xorg/Xorg", "-config", folder + config, "-configdir", folder + "shared",
                          "-logfile", logFile_, "-nolisten", "tcp", "-noreset"});
}

void XServer::startWeston(int width, int height)
{
    // weston binds its X socket in the folder that an X server would have made.
    if (mkdir("/tmp/.X11-unix", 01777) == 0)
        chmod("/tmp/.X11-unix", 01777);
    folder_ = privateFolder("velmora-e2e-weston");  // mode 700, as a runtime folder must be
    socket_ = "velmora-e2e";  // the folder is private, so the name need not be unique
    logFile_ = folder_ + "/weston.log";
    std::vector<std::string> argv = {"weston", "--backend=headless-backend.so", "--xwayland",
                                     "--socket=" + socket_, "--width=" + std::to_string(width),
                                     "--height=" + std::to_string(height), "--idle-time=0", "--log=" + logFile_};
    std::vector<std::string> envv = environmentWithout({"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"});
    envv.push_back("XDG_RUNTIME_DIR=" + folder_);
    auto args = pointers(argv);
    auto envp = pointers(envv);

    output_ = anonymousFile("weston");
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_ = spawn(null, output_, output_, [&] { execvpe("weston", args.data(), envp.data()); });
    close(null);

    // The X display is known once weston's log names it; Xwayland itself starts on the first client.
    const std::string listening = "xserver listening on display :";
    std::size_t at = std::string::npos;
    int status;
    auto named = [&] {
        const std::string text = log();
        at = text.find(listening);
        return (at != std::string::npos && text.find('\n', at) != std::string::npos) ||
               waitpid(pid_, &status, WNOHANG) == pid_;
    };
    if (!pollUntil(named) || at == std::string::npos) {
        const std::string text = log();
        stop();
        fail("weston named no X display within " + std::to_string(kWait.count()) + " ms; it wrote:\n" + text);
    }
    const std::string text = log();
    name_ = ":" + text.substr(at + listening.size(), text.find('\n', at) - at - listening.size());
}

void XServer::startOpenbox()
{
    std::vector<std::string> argv = {"openbox", "--sm-disable", "--config-file", "/etc/xdg/openbox/rc.xml"};
    std::vector<std::string> envv = environmentWithout({"DISPLAY"});
    envv.push_back("DISPLAY=" + name_);
    auto args = pointers(argv);
    auto envp = pointers(envv);
    const int log = anonymousFile("openbox");
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    wm_ = spawn(null, log, log, [&] { execvpe("openbox", args.data(), envp.data()); });
    close(null);

    // A window manager announces itself with a check window named on the root.
    auto managing = [&] {
        return propertyValues(display_, root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).size() == 1;
    };
    const bool ok = pollUntil(managing);
    const std::string output = readAll(log);
    close(log);
    if (!ok) {
        stop();
        fail("openbox did not start managing " + name_ + " within " + std::to_string(kWait.count()) +
             " ms; it wrote:\n" + output);
    }
}

void XServer::connect()
{
    display_ = XOpenDisplay(name_.c_str());
    XSetIOErrorHandler(reportLostServer);
    connectedServers.push_back(this);
    int event, error, major, minor;
    if (display_ == nullptr || !XTestQueryExtension(display_, &event, &error, &major, &minor)) {
        const std::string text = log();
        stop();
        fail("cannot open display " + name_ + " with the XTEST extension" + (text.empty() ? "" : "; log:\n" + text));
    }
}

XServer::~XServer()
{
    release();
}

void XServer::release()
{
    stop();
    if (output_ >= 0)
        close(output_);
    output_ = -1;
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    folder_.clear();
}

void XServer::stop()
{
    terminate(wm_);
    std::erase(connectedServers, this);
    if (display_ != nullptr) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    // Terminating lets Xvfb and Xorg remove their lock files and sockets, and weston its own and Xwayland.
    terminate(pid_);
}

std::vector<std::pair<std::string, std::string>> XServer::sessionVars() const
{
    if (socket_.empty())
        return {};
    return {{"WAYLAND_DISPLAY", socket_}, {"XDG_RUNTIME_DIR", folder_}};
}

std::string XServer::log() const
{
    std::stringstream text;
    if (!logFile_.empty())
        text << std::ifstream(logFile_).rdbuf();
    return text.str() + (output_ < 0 ? "" : readAll(output_));
}

double refreshRate(Display *dpy)
{
    int dotClock = 0;  // kHz
    XF86VidModeModeLine mode{};
    if (!XF86VidModeGetModeLine(dpy, DefaultScreen(dpy), &dotClock, &mode) || mode.htotal == 0 || mode.vtotal == 0)
        fail("the X server reports no video mode");
    if (mode.privsize > 0)
        XFree(mode.c_private);
    return dotClock * 1000.0 / (mode.htotal * mode.vtotal);
}

Window XServer::root() const
{
    return rootOf(display_);
}

// ---------------------------------------------------------------------------------------------
// The viewer process

Viewer::Viewer(const XServer &server, const Vars &vars, const std::vector<std::string> &args,
               const std::string &binary, const std::string &workdir)
{
    std::vector<std::string> argv = {binary};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> hidden = {"DISPLAY", "NOFS", "MODE", "POSE", "WAYLAND_DISPLAY"};
    for (const auto &var : vars)
        hidden.push_back(var.first);
    std::vector<std::string> envv = environmentWithout(hidden);
    envv.push_back("DISPLAY=" + server.name());
    for (const auto &[name, value] : vars)
        envv.push_back(name + "=" + value);
    auto argp = pointers(argv);
    auto envp = pointers(envv);

    out_ = anonymousFile("stdout");
    err_ = anonymousFile("stderr");
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = spawn(null, out_, err_, [&] {
        if (chdir(workdir.c_str()) != 0)
            _exit(126);
        execve(argp[0], argp.data(), envp.data());
    });
    close(null);
}

Viewer::~Viewer()
{
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    close(out_);
    close(err_);
}

bool Viewer::running()
{
    if (pid_ <= 0)
        return false;
    if (waitpid(pid_, &status_, WNOHANG) != pid_)
        return true;
    pid_ = -1;
    return false;
}

int Viewer::waitExit(Millis timeout)
{
    if (!pollUntil([&] { return !running(); }, timeout, Millis{5}))
        fail("the viewer did not exit within " + std::to_string(timeout.count()) + " ms");
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -WTERMSIG(status_);
}

std::string Viewer::stdoutText() const
{
    return readAll(out_);
}

std::string Viewer::stderrText() const
{
    return readAll(err_);
}

std::vector<std::string> Viewer::stderrLines() const
{
    std::vector<std::string> lines;
    const std::string text = stderrText();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

void Viewer::waitForStderrLine(const std::string &line, Millis timeout)
{
    waitForStderr([&](const std::string &l) { return l == line; }, "line \"" + line + "\"", timeout);
}

void Viewer::waitForStderrLineStartingWith(const std::string &prefix, Millis timeout)
{
    waitForStderr([&](const std::string &l) { return l.rfind(prefix, 0) == 0; },
                  "line starting \"" + prefix + "\"", timeout);
}

void Viewer::waitForStderr(const std::function<bool(const std::string &)> &match, const std::string &what,
                           Millis timeout)
{
    auto seen = [&] {
        const auto lines = stderrLines();
        return std::any_of(lines.begin(), lines.end(), match);
    };
    if (!pollUntil(seen, timeout))
        fail("no " + what + " on the viewer's stderr within " + std::to_string(timeout.count()) + " ms; it has:\n" +
             stderrText());
}

// ---------------------------------------------------------------------------------------------
// Windows and input

std::string toString(const Geometry &g)
{
    return std::to_string(g.width) + "x" + std::to_string(g.height) + "+" + std::to_string(g.x) + "+" +
           std::to_string(g.y);
}

std::vector<Window> windowsNamed(Display *dpy, const std::string &title)
{
    std::vector<Window> found;
    // Only the children of viewable windows can be viewable, so unmapped subtrees are skipped.
    std::vector<Window> parents = {rootOf(dpy)};
    while (!parents.empty()) {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        const Window window = parents.back();
        parents.pop_back();
        if (!XQueryTree(dpy, window, &root, &parent, &children, &count))
            continue;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            char *name = nullptr;
            if (!XGetWindowAttributes(dpy, children[i], &attributes) || attributes.map_state != IsViewable)
                continue;
            parents.push_back(children[i]);
            if (XFetchName(dpy, children[i], &name) && name != nullptr) {
                if (title == name)
                    found.push_back(children[i]);
                XFree(name);
            }
        }
        if (children != nullptr)
            XFree(children);
    }
    return found;
}

Window waitForWindow(Display *dpy, const std::string &title, Millis timeout)
{
    Window window = 0;
    auto mapped = [&] {
        const auto windows = windowsNamed(dpy, title);
        window = windows.empty() ? 0 : windows.front();
        return window != 0;
    };
    if (!pollUntil(mapped, timeout))
        fail("no mapped window titled \"" + title + "\" within " + std::to_string(timeout.count()) + " ms");
    return window;
}

Geometry windowGeometry(Display *dpy, Window window)
{
    XWindowAttributes attributes;
    Window child;
    Geometry g;
    if (!XGetWindowAttributes(dpy, window, &attributes) ||
        !XTranslateCoordinates(dpy, window, rootOf(dpy), 0, 0, &g.x, &g.y, &child))
        fail("cannot read the geometry of window " + std::to_string(window));
    g.width = attributes.width;
    g.height = attributes.height;
    return g;
}

bool isFullScreen(Display *dpy, Window window)
{
    const Atom fullScreen = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
    const auto states = propertyValues(dpy, window, "_NET_WM_STATE", XA_ATOM);
    return std::find(states.begin(), states.end(), fullScreen) != states.end();
}

bool hasFocus(Display *dpy, Window window)
{
    Window focused;
    int revert;
    XGetInputFocus(dpy, &focused, &revert);
    return focused == window;
}

void resizeWindow(Display *dpy, Window window, int width, int height)
{
    XResizeWindow(dpy, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(dpy, False);
}

std::pair<int, int> pointerInWindow(Display *dpy, Window window)
{
    Window root, child;
    int rootX, rootY, x, y;
    unsigned mask;
    if (!XQueryPointer(dpy, window, &root, &child, &rootX, &rootY, &x, &y, &mask))
        fail("the pointer is not on the window's screen");
    return {x, y};
}

void sendKey(Display *dpy, KeySym keysym)
{
    const KeyCode code = XKeysymToKeycode(dpy, keysym);
    if (code == 0)
        fail("no key types keysym " + std::to_string(keysym));
    // The keysym in the second column of the key's mapping is the shifted one.
    int perCode = 0;
    KeySym *syms = XGetKeyboardMapping(dpy, code, 1, &perCode);
    const bool shifted = syms != nullptr && perCode > 1 && syms[0] != keysym && syms[1] == keysym;
    if (syms != nullptr)
        XFree(syms);
    const KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);
    if (shifted)
        XTestFakeKeyEvent(dpy, shift, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    if (shifted)
        XTestFakeKeyEvent(dpy, shift, False, CurrentTime);
    XSync(dpy, False);
}

void holdKey(Display *dpy, KeySym keysym, Millis duration)
{
    const KeyCode code = XKeysymToKeycode(dpy, keysym);
    if (code == 0)
        fail("no key types keysym " + std::to_string(keysym));
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XSync(dpy, False);
    std::this_thread::sleep_for(duration);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XSync(dpy, False);
}

void sendChord(Display *dpy, const std::vector<KeySym> &keysyms)
{
    std::vector<KeyCode> codes;
    for (KeySym keysym : keysyms) {
        codes.push_back(XKeysymToKeycode(dpy, keysym));
        if (codes.back() == 0)
            fail("no key types keysym " + std::to_string(keysym));
    }
    for (KeyCode code : codes)
        XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        XTestFakeKeyEvent(dpy, *code, False, CurrentTime);
    XSync(dpy, False);
}

void sendDeleteWindow(Display *dpy, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(dpy, window, False, NoEventMask, &event))
        fail("XSendEvent failed on window " + std::to_string(window));
    XSync(dpy, False);
}

void movePointer(Display *dpy, int rootX, int rootY)
{
    XTestFakeMotionEvent(dpy, -1, rootX, rootY, CurrentTime);
    XSync(dpy, False);
}

void movePointerInWindow(Display *dpy, Window window, int x, int y)
{
    const Geometry g = windowGeometry(dpy, window);
    movePointer(dpy, g.x + x, g.y + y);
}

// ---------------------------------------------------------------------------------------------
// Screenshots

Image screenshot(Display *dpy, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window, &attributes))
        fail("cannot read the attributes of window " + std::to_string(window));
    XImage *shot = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(attributes.width),
                             static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (shot == nullptr)
        fail("XGetImage failed on window " + std::to_string(window));
    // The masks come from the window's visual: TrueColor, red in the high bits on Xvfb.
    const unsigned long red = attributes.visual->red_mask, green = attributes.visual->green_mask,
                        blue = attributes.visual->blue_mask;
    Image image{attributes.width, attributes.height, {}};
    image.pixels.reserve(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(shot, x, y);
            image.pixels.push_back({channel(pixel, red), channel(pixel, green), channel(pixel, blue)});
        }
    XDestroyImage(shot);
    return image;
}

Image settledScreenshot(Display *dpy, Window window, const std::function<bool(const Image &)> &accept,
                        Millis timeout)
{
    Image previous, current;
    bool first = true;
    auto settled = [&] {
        current = screenshot(dpy, window);
        const bool same = !first && current == previous;
        first = false;
        previous = current;
        return same && accept(current);
    };
    if (!pollUntil(settled, timeout, Millis{100}))
        fail("the picture did not settle as expected within " + std::to_string(timeout.count()) + " ms");
    return current;
}

// ---------------------------------------------------------------------------------------------
// Project files

int sourceLine(const std::string &file, const std::string &needle)
{
    std::ifstream source(std::string(VELMORA_SOURCE_DIR) + "/" + file);
    std::string text;
    for (int n = 1; std::getline(source, text); ++n)
        if (text.find(needle) != std::string::npos)
            return n;
    return -1;
}

Pictures::Pictures()
{
    namespace fs = std::filesystem;
    std::string name = (fs::temp_directory_path() / "velmora-e2e-pictures-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr)
        fail("mkdtemp: " + std::string(std::strerror(errno)));
    root = name;
    fs::create_directories(root / "data/rescales");
    for (const auto &entry : fs::directory_iterator(fs::path(VELMORA_SOURCE_DIR) / "data/rescales"))
        fs::copy_file(entry.path(), root / "data/rescales" / entry.path().filename());
}

Pictures::~Pictures()
{
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

}  // namespace e2e
