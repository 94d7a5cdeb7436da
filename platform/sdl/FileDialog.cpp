#include "FileDialog.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

bool ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return false;
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0)
                return true;
        }
        start = end + 1;
    }
    return false;
}

std::string ProgramOutput(const std::vector<std::string>& args, int* exitStatus) {
    if (exitStatus != nullptr)
        *exitStatus = -1;
    if (args.empty())
        return "";
    // Everything the child needs is made here: a child of a threaded program may not allocate
    // between fork and exec. Both pipe ends are closed on exec, so that children started by
    // other threads meanwhile do not hold the pipe open; only the child's copy as its standard
    // output survives.
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return "";
    }
    std::string output;
    char buffer[65536];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) != 0) {
        if (got > 0)
            output.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (exitStatus != nullptr) {
        if (WIFEXITED(status))
            *exitStatus = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            *exitStatus = 128 + WTERMSIG(status);
    }
    return output;
}

namespace {
// The path that a dialog program printed, or "" when the user cancelled it.
std::string ChosenPath(const std::vector<std::string>& args) {
    int status = -1;
    std::string output = ProgramOutput(args, &status);
    if (status != 0)
        return "";
    // The dialogs end the path with a line feed.
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    return output;
}
} // namespace

std::string RunFileDialog(const std::string& title, const std::string& filter, int save,
                          const std::string& startPath) {
    if (ProgramOnPath("zenity")) {
        std::vector<std::string> args = {"zenity", "--file-selection", "--title=" + title};
        if (save)
            args.push_back("--save");
        if (!startPath.empty())
            args.push_back("--filename=" + startPath);
        if (!filter.empty())
            args.push_back("--file-filter=" + filter);
        return ChosenPath(args);
    }
    if (ProgramOnPath("kdialog")) {
        std::vector<std::string> args = {"kdialog", "--title", title,
                                         save ? "--getsavefilename" : "--getopenfilename",
                                         startPath.empty() ? "." : startPath};
        if (!filter.empty())
            args.push_back(filter);
        return ChosenPath(args);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "No file dialog available (install zenity or kdialog); "
                         "pass the file as the first argument.\n");
    std::fflush(stderr);
    return "";
}
