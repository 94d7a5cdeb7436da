#include "XHarness.h"

#include "FileDialog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <random>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Last: Xlib defines macros (Status, Bool, None) that must not reach the standard headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace x11 {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// In a child: die with the test process, so that nothing outlives a crashed test.
void DieWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Waits for a child until the deadline; true when it has ended (status filled in).
bool WaitUntil(pid_t pid, Clock::time_point deadline, int* status) {
    while (true) {
        const pid_t done = waitpid(pid, status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (Clock::now() >= deadline)
            return false;
        Sleep(20);
    }
}

int ExitCode(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

std::vector<std::string> Limited(int timeoutSeconds, const std::vector<std::string>& command) {
    std::vector<std::string> args = {"timeout", "--kill-after=3", std::to_string(timeoutSeconds)};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

// The title of a window: _NET_WM_NAME, else WM_NAME, taken as bytes whatever their encoding
// (SDL's message box stores a UTF-8 WM_NAME, which xdotool's name search does not match).
std::string TitleOf(::Display* display, ::Window window) {
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        XTextProperty text{};
        const Atom atom = XInternAtom(display, property, False);
        if (XGetTextProperty(display, window, &text, atom) != 0 && text.value != nullptr) {
            std::string title(reinterpret_cast<const char*>(text.value), text.nitems);
            XFree(text.value);
            return title;
        }
    }
    return "";
}

// Windows come and go while the harness looks at them (SDL makes short-lived helper windows):
// asking about one that has just gone is no fault, and Xlib's default handler would end the
// test program for it.
int IgnoreXError(::Display*, XErrorEvent*) {
    return 0;
}

// Sets IgnoreXError for its lifetime.
class QuietXErrors {
public:
    QuietXErrors() : previous_(XSetErrorHandler(IgnoreXError)) {}
    ~QuietXErrors() { XSetErrorHandler(previous_); }
    QuietXErrors(const QuietXErrors&) = delete;
    QuietXErrors& operator=(const QuietXErrors&) = delete;

private:
    XErrorHandler previous_;
};

void CollectTitled(::Display* display, ::Window parent, const std::string& title, int depth,
                   std::vector<std::string>& found) {
    ::Window root = 0, parentOut = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0)
        return;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
            attributes.map_state != IsViewable)
            continue;
        if (TitleOf(display, children[i]) == title)
            found.push_back(std::to_string(children[i]));
        else if (depth > 0) // a window manager puts frames around the program's windows
            CollectTitled(display, children[i], title, depth - 1, found);
    }
    if (children != nullptr)
        XFree(children);
}

} // namespace

std::vector<std::string> WindowsTitled(const std::string& displayName, const std::string& title) {
    std::vector<std::string> found;
    QuietXErrors quiet;
    ::Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr)
        return found;
    CollectTitled(display, DefaultRootWindow(display), title, 2, found);
    XSync(display, False); // errors of this display arrive while the handler is still quiet
    XCloseDisplay(display);
    return found;
}

bool ToolsAvailable(std::string* missing) {
    std::string absent;
    for (const char* tool : {"Xvfb", "xdotool", "import", "timeout"}) {
        if (!ProgramOnPath(tool))
            absent += absent.empty() ? tool : std::string(", ") + tool;
    }
    if (missing != nullptr)
        *missing = absent;
    return absent.empty();
}

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {-1, -1, -1};
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

Image ParsePpm(const std::string& data) {
    std::size_t pos = 0;
    // The header: magic, width, height, maximum value; "#" comments may stand between them.
    auto number = [&]() -> long {
        while (pos < data.size()) {
            if (data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n')
                    ++pos;
            } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
                ++pos;
            } else {
                break;
            }
        }
        long value = -1;
        while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos])))
            value = (value < 0 ? 0 : value * 10) + (data[pos++] - '0');
        return value;
    };
    if (data.compare(0, 2, "P6") != 0)
        return {};
    pos = 2;
    const long width = number(), height = number(), maximum = number();
    if (width <= 0 || height <= 0 || maximum != 255 || pos >= data.size())
        return {};
    ++pos; // the single white-space character before the pixels
    const std::size_t size = static_cast<std::size_t>(width) * height * 3;
    if (data.size() - pos < size)
        return {};
    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgb.assign(data.begin() + pos, data.begin() + pos + size);
    return image;
}

namespace {
// Whether an X server answers on display n. Servers of other sessions may share the abstract
// socket namespace while their lock files are out of sight, so ask the socket itself.
bool DisplayInUse(int n) {
    const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    if (access(lock.c_str(), F_OK) == 0)
        return true;
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
    std::memcpy(address.sun_path + 1, name.data(), name.size()); // abstract: leading NUL
    const socklen_t size =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const bool answered = connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0;
    close(fd);
    return answered;
}
} // namespace

XServer::XServer() {
    // High numbers, away from the servers that other sessions number upwards from 0.
    std::random_device random;
    for (int attempt = 0; attempt < 8 && display_.empty(); ++attempt) {
        const int n = 20000 + static_cast<int>(random() % 40000);
        if (!DisplayInUse(n))
            Start(n);
    }
}

void XServer::Start(int n) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const std::string display = std::string(":").append(std::to_string(n));
    pid_ = fork();
    if (pid_ == 0) {
        DieWithParent();
        close(fds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        // -noreset: a server that resets whenever its last client leaves refuses the clients
        // that arrive meanwhile, and the harness connects and leaves all the time.
        execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-screen", "0",
               "1280x1024x24", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes its display number once it accepts connections, and closes the pipe when it
    // gives up (the display taken after all).
    std::string number;
    bool ready = false;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline && !ready) {
        pollfd wait{fds[0], POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0)
            continue;
        char c;
        if (read(fds[0], &c, 1) <= 0)
            break;
        if (c == '\n')
            ready = true;
        else
            number += c;
    }
    close(fds[0]);
    if (ready && number == std::to_string(n)) {
        display_ = display;
        return;
    }
    Stop();
}

void XServer::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitUntil(pid_, Clock::now() + std::chrono::seconds(5), &status)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

XServer::~XServer() {
    Stop();
}

std::string Capture(const std::string& display, const std::vector<std::string>& command,
                    int timeoutSeconds, int* exitStatus) {
    std::vector<std::string> args = {"env",  "DISPLAY=" + display,          "timeout", "-s",
                                     "KILL", std::to_string(timeoutSeconds)};
    args.insert(args.end(), command.begin(), command.end());
    return ProgramOutput(args, exitStatus);
}

// A program started in the X server, its output going to files in a folder of its own.
class ProgramRun {
public:
    ProgramRun(const XServer& server, const std::vector<std::string>& command, int timeoutSeconds)
        : display_(server.Display()) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("imfproc-x11-" + std::to_string(getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(folder_);
        deadline_ = Clock::now() + std::chrono::seconds(timeoutSeconds + 10);
        const auto args = Limited(timeoutSeconds, command);
        pid_ = fork();
        if (pid_ == 0) {
            DieWithParent();
            const int out = open((folder_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open((folder_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            setenv("DISPLAY", display_.c_str(), 1);
            // Fail visibly rather than fall back to SDL's invisible drivers.
            setenv("SDL_VIDEODRIVER", "x11", 1);
            auto argv = Argv(args);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }

    ~ProgramRun() {
        if (pid_ > 0 && !ended_)
            KillGroup();
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }

    const std::string& Display() const { return display_; }
    std::string Output() const { return ReadFile(folder_ / "out"); }

    // True once the program has ended (or could not be started).
    bool Ended() {
        if (!ended_ && (pid_ <= 0 || WaitUntil(pid_, Clock::now(), &status_)))
            ended_ = true;
        return ended_;
    }
    bool PastDeadline() const { return Clock::now() >= deadline_; }

    ProgramResult Finish(int windows) {
        // timeout ends the program itself; the extra margin only guards against timeout failing.
        if (!ended_ && pid_ > 0 && !WaitUntil(pid_, deadline_, &status_))
            KillGroup();
        ended_ = true;
        ProgramResult result;
        result.exitStatus = pid_ > 0 ? ExitCode(status_) : -1;
        result.timedOut = result.exitStatus == 124 || result.exitStatus == 137;
        result.out = ReadFile(folder_ / "out");
        result.err = ReadFile(folder_ / "err");
        result.windows = windows;
        return result;
    }

    std::vector<std::string> FindWindows(const std::string& title) const {
        return WindowsTitled(display_, title);
    }

private:
    // timeout puts itself and the program in a process group of their own.
    void KillGroup() {
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }

    static inline int counter_ = 0;
    std::string display_;
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
    Clock::time_point deadline_;
};

void Window::Xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    Capture(run_.Display(), args);
}

void Window::Key(const std::string& keys) {
    // Focusing first is what makes SDL's message box (a window of another process) take keys.
    Xdotool({"windowfocus", id_});
    std::vector<std::string> args = {"key"};
    std::stringstream names(keys);
    std::string name;
    while (names >> name)
        args.push_back(name);
    Xdotool(args);
}

void Window::KeyDown(const std::string& key) {
    Xdotool({"windowfocus", id_});
    Xdotool({"keydown", key});
}

void Window::KeyUp(const std::string& key) {
    Xdotool({"windowfocus", id_});
    Xdotool({"keyup", key});
}

void Window::MovePointer(int x, int y) {
    Xdotool({"mousemove", "--window", id_, std::to_string(x), std::to_string(y)});
}

Image Window::Screenshot() {
    return ParsePpm(Capture(run_.Display(), {"import", "-window", id_, "-depth", "8", "ppm:-"}));
}

void Window::RequestClose() {
    QuietXErrors quiet;
    Display* display = XOpenDisplay(run_.Display().c_str());
    if (display == nullptr)
        return;
    const ::Window window = std::strtoul(id_.c_str(), nullptr, 10);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
}

std::string Window::Output() const {
    return run_.Output();
}

bool Window::WaitForOutput(const std::string& text, int timeoutMs) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (run_.Output().find(text) == std::string::npos) {
        if (Clock::now() >= deadline)
            return false;
        Sleep(50);
    }
    return true;
}

bool Window::WaitClosed(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const auto open = WindowsTitled(run_.Display(), title_);
        if (std::find(open.begin(), open.end(), id_) == open.end())
            return true;
        if (Clock::now() >= deadline)
            return false;
        Sleep(50);
    }
}

ProgramResult RunWithWindows(const XServer& server, const std::vector<std::string>& command,
                             const std::string& title, const WindowHandler& handler,
                             int timeoutSeconds) {
    ProgramRun run(server, command, timeoutSeconds);
    std::set<std::string> seen;
    int windows = 0;
    while (!run.Ended() && !run.PastDeadline()) {
        for (const std::string& id : run.FindWindows(title)) {
            if (!seen.insert(id).second)
                continue;
            Window window(run, id, title, windows++);
            if (handler)
                handler(window);
        }
        Sleep(50);
    }
    return run.Finish(windows);
}

ProgramResult Run(const XServer& server, const std::vector<std::string>& command,
                  int timeoutSeconds) {
    ProgramRun run(server, command, timeoutSeconds);
    return run.Finish(0);
}

} // namespace x11
