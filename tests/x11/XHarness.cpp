#include "XHarness.h"

#include "TestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <set>
#include <signal.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace x11 {
namespace {
void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The standard output of a shell command run with DISPLAY set, killed after ten seconds.
std::string Shell(const std::string& display, const std::string& command) {
    std::string line = "DISPLAY=" + display + " timeout -s KILL 10 " + command + " 2>/dev/null";
    std::string out;
    if (FILE* pipe = ::popen(line.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// In a child: die with the test, so that nothing outlives a crashed test.
pid_t Spawn(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}
} // namespace

bool ToolsAvailable(std::string* missing) {
    missing->clear();
    for (const char* tool : {"Xvfb", "xdotool", "import", "timeout"}) {
        if (std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) != 0)
            *missing += (missing->empty() ? "" : ", ") + std::string(tool);
    }
    return missing->empty();
}

Rgb Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {-1, -1, -1};
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
}

XServer::XServer() {
    // High numbers, away from the servers that other sessions number upwards from 0.
    std::random_device random;
    for (int attempt = 0; attempt < 8 && display_.empty(); ++attempt) {
        const std::string n = std::to_string(20000 + random() % 40000);
        if (access(("/tmp/.X" + n + "-lock").c_str(), F_OK) == 0)
            continue;
        pid_ =
            Spawn({"Xvfb", ":" + n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                  "/dev/null", "/dev/null");
        // The server is ready once its socket exists; it ends at once when the display is taken.
        for (int wait = 0; wait < 150 && display_.empty(); ++wait) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_)
                break;
            if (access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) == 0)
                display_ = ":" + n;
            Sleep(100);
        }
    }
}

XServer::~XServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

void Window::Key(const std::string& key) {
    Shell(display_, "xdotool windowfocus " + id_ + " key " + key);
}

Image Window::Screenshot() {
    const std::string data = Shell(display_, "import -window " + id_ + " -depth 8 ppm:-");
    // "P6\nWIDTH HEIGHT\n255\n", then the pixels.
    std::istringstream header(data);
    std::string magic;
    Image image;
    int maximum = 0;
    header >> magic >> image.width >> image.height >> maximum;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t size = static_cast<std::size_t>(image.width) * image.height * 3;
    if (!header || magic != "P6" || maximum != 255 || data.size() < start + size)
        return {};
    image.rgb.assign(data.begin() + start, data.begin() + start + size);
    return image;
}

ProgramResult RunWithWindows(const XServer& server, const std::vector<std::string>& command,
                             const std::string& title, const std::function<void(Window&)>& handler,
                             int timeoutSeconds) {
    testsupport::TempDir dir;
    std::vector<std::string> args = {"env",
                                     "DISPLAY=" + server.Display(),
                                     "SDL_VIDEODRIVER=x11",
                                     "timeout",
                                     "--kill-after=3",
                                     std::to_string(timeoutSeconds)};
    args.insert(args.end(), command.begin(), command.end());
    const pid_t pid = Spawn(args, (dir / "out").string(), (dir / "err").string());
    // xdotool takes the title as a pattern: any other character than a letter or digit matches.
    std::string pattern = "^";
    for (char c : title)
        pattern += std::isalnum(static_cast<unsigned char>(c)) ? c : '.';
    std::set<std::string> seen;
    ProgramResult result;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        std::istringstream ids(
            Shell(server.Display(), "xdotool search --onlyvisible --name '" + pattern + "$'"));
        for (std::string id; ids >> id;) {
            if (seen.insert(id).second) {
                Window window(server.Display(), id, result.windows++);
                handler(window);
            }
        }
        Sleep(50);
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.timedOut = result.exitStatus == 124 || result.exitStatus == 137;
    const auto text = [](const std::filesystem::path& path) {
        std::vector<std::uint8_t> bytes = testsupport::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    result.out = text(dir / "out");
    result.err = text(dir / "err");
    return result;
}

} // namespace x11
