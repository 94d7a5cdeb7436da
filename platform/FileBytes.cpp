#include "FileBytes.h"

#include "Console.h"
#include "ImfError.h"
#include "Interrupt.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// Closes the descriptor when the holder goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Get() const { return fd_; }
    // Closes now and tells whether everything written reached the file system.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// The device and inode of a regular file; nothing for anything else. "-" stands for the
// descriptor `dash`, which a shell may have pointed at a file.
std::optional<std::pair<dev_t, ino_t>> RegularFileIdentity(const std::string& path, int dash) {
    struct stat info {};
    int result = path == "-" ? ::fstat(dash, &info) : ::stat(path.c_str(), &info);
    if (result != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

// Creates a file beside `path` that no one else uses; -1 when the folder refuses.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes the bytes to a new temporary file beside `path` and returns its name; raises
// "ERROR: cannot write file: " + path, leaving no temporary behind, when that fails.
std::string StageFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string tempPath;
    Descriptor file(CreateTemporaryBeside(path, tempPath));
    if (file.Get() < 0)
        throw ImfError("ERROR: cannot write file: " + path);
    // A file that is replaced keeps its permissions.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(file.Get(), existing.st_mode & 07777);
    bool written = WriteAll(file.Get(), bytes);
    written = file.Close() && written;
    if (!written) {
        ::unlink(tempPath.c_str());
        throw ImfError("ERROR: cannot write file: " + path);
    }
    return tempPath;
}

// A second name for the existing file, beside it; "" when the folder refuses one.
std::string LinkBeside(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            path + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".old";
        if (::link(path.c_str(), name.c_str()) == 0)
            return name;
        if (errno != EEXIST)
            return "";
    }
    return "";
}

std::vector<std::uint8_t> ReadStream(const std::string& path) {
    const bool standardInput = path == "-";
    Descriptor file(standardInput ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    const int fd = standardInput ? STDIN_FILENO : file.Get();
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || S_ISBLK(info.st_mode))
        throw ImfError("ERROR: cannot read file: " + path);
    std::vector<std::uint8_t> bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(info.st_size), kMaxInputBytes + 1));
    std::uint8_t chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw ImfError("ERROR: cannot read file: " + path);
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > kMaxInputBytes)
            throw ImfError("ERROR: file too large: " + path);
    }
    return bytes;
}
} // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    if (path != "-")
        return ReadStream(path);
    // Standard input can be read once only: a subcommand that looks at the bytes before it
    // loads them (is this a bank?) gets the same bytes the second time.
    static std::optional<std::vector<std::uint8_t>> standardInput;
    if (!standardInput)
        standardInput = ReadStream(path);
    return *standardInput;
}

void WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path == "-") {
        if (!WriteAll(STDOUT_FILENO, bytes))
            throw ImfError("ERROR: cannot write file: " + path);
        return;
    }
    // A signal meanwhile ends the program only once the temporary file is gone (or renamed).
    InterruptDeferred deferred;
    std::string tempPath = StageFile(path, bytes);
    if (PendingInterrupt() != 0) {
        ::unlink(tempPath.c_str());
        EndIfInterrupted(); // nothing is saved
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        throw ImfError("ERROR: cannot write file: " + path);
    }
}

void WriteFilesTogether(const std::vector<FileToWrite>& files) {
    // A signal meanwhile ends the program before the first rename, or once all are done.
    InterruptDeferred deferred;
    std::vector<std::string> temps;
    auto removeTemps = [&] {
        for (const std::string& temp : temps)
            ::unlink(temp.c_str());
    };
    try {
        for (const FileToWrite& file : files)
            temps.push_back(StageFile(file.path, file.bytes));
    } catch (...) {
        removeTemps();
        throw;
    }
    if (PendingInterrupt() != 0) {
        removeTemps();
        EndIfInterrupted(); // nothing is saved
    }
    // A file replaced keeps its old self under a second name until every rename has worked.
    std::vector<std::string> saved(files.size());
    std::size_t renamed = 0;
    for (; renamed < files.size(); ++renamed) {
        const std::string& path = files[renamed].path;
        struct stat existing {};
        if (::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
            saved[renamed] = LinkBeside(path);
            if (saved[renamed].empty())
                break;
        }
        if (::rename(temps[renamed].c_str(), path.c_str()) != 0)
            break;
        temps[renamed].clear();
    }
    if (renamed == files.size()) {
        for (const std::string& old : saved) {
            if (!old.empty())
                ::unlink(old.c_str());
        }
        return;
    }
    const std::string failed = files[renamed].path;
    if (!saved[renamed].empty())
        ::unlink(saved[renamed].c_str());
    while (renamed-- > 0) {
        const std::string& path = files[renamed].path;
        if (saved[renamed].empty())
            ::unlink(path.c_str());
        else
            ::rename(saved[renamed].c_str(), path.c_str());
    }
    for (const std::string& temp : temps) {
        if (!temp.empty())
            ::unlink(temp.c_str());
    }
    throw ImfError("ERROR: cannot write file: " + failed);
}

void KeepStandardOutputForData() {
    std::fflush(stdout);
    SetConsoleToStandardError(true);
}

void RefuseReplacingInputs(const std::string& output, const std::vector<std::string>& inputs) {
    auto target = RegularFileIdentity(output, STDOUT_FILENO);
    if (!target)
        return;
    for (const std::string& input : inputs) {
        if (RegularFileIdentity(input, STDIN_FILENO) == target)
            throw ImfError("ERROR: output would replace the input: " + input);
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    auto identity = RegularFileIdentity(a, STDOUT_FILENO);
    return identity && identity == RegularFileIdentity(b, STDOUT_FILENO);
}
