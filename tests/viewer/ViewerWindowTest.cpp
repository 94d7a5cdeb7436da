// imfproc in a real window: an X server of its own (Xvfb), keys sent with xdotool, screenshots
// taken with ImageMagick's import.
#include "ImfFile.h"
#include "NoteViewer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// xdotool takes a regular expression: the title up to its parentheses.
constexpr const char* kTitlePattern = "^Quillfen's IMF Processor ";
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Output of a shell command.
std::string Capture(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

// A private X server, with the display number it chose itself.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            std::string screen =
                std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
            std::freopen("/dev/null", "w", stderr);
            // -noreset: a server that resets when its last client leaves refuses the clients
            // that arrive meanwhile (xdotool comes and goes all the time).
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            name_ = ":" + number;
    }
    ~VirtualDisplay() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& name() const { return name_; } // empty when the server did not start

private:
    pid_t pid_ = -1;
    std::string name_;
};

// imfproc running on the display, its console output in files.
class Program {
public:
    Program(const std::string& display, const std::string& song, const testsupport::TempDir& dir)
        : display_(display), out_(dir / "stdout.txt"), err_(dir / "stderr.txt") {
        pid_ = fork();
        if (pid_ == 0) {
            setenv("DISPLAY", display.c_str(), 1);
            std::freopen(out_.c_str(), "w", stdout);
            std::freopen(err_.c_str(), "w", stderr);
            execl(IMF_IMFPROC, IMF_IMFPROC, song.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // The id of a visible viewer window other than `previous`, or "" after 30 s.
    std::string NextWindow(const std::string& previous) {
        for (int i = 0; i < 300 && Running(); ++i) {
            std::string ids =
                Capture("DISPLAY=" + display_ + " xdotool search --onlyvisible --name \"" +
                        kTitlePattern + "\" 2>/dev/null");
            std::string id = ids.substr(0, ids.find('\n'));
            if (!id.empty() && id != previous) {
                std::this_thread::sleep_for(300ms); // let a few frames be drawn
                return id;
            }
            std::this_thread::sleep_for(100ms);
        }
        return {};
    }

    void Press(const std::string& window, const std::string& key) {
        std::system(
            ("DISPLAY=" + display_ + " xdotool windowfocus --sync " + window + " key " + key)
                .c_str());
    }

    // The window's client area, one RGB triple per pixel, row by row.
    struct Image {
        int width = 0, height = 0;
        std::vector<unsigned char> rgb;
        bool Dark(int x, int y) const {
            const unsigned char* p = &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
            return p[0] + p[1] + p[2] == 0;
        }
    };
    Image Screenshot(const std::string& window) {
        std::string ppm =
            Capture("import -display " + display_ + " -window " + window + " -depth 8 ppm:-");
        Image image;
        int maxval = 0;
        int offset = 0;
        if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &image.width, &image.height, &maxval,
                        &offset) == 3) {
            image.rgb.assign(ppm.begin() + offset + 1, ppm.end());
        }
        return image;
    }

    // The exit status, or -1 while still running after 60 s.
    int WaitExit() {
        for (int i = 0; i < 600; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(100ms);
        }
        return -1;
    }

    bool Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    std::string Stderr() const {
        auto bytes = testsupport::ReadBytes(err_);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::string display_;
    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
};

class ViewerWindow : public testing::Test {
protected:
    void SetUp() override {
        IMF_REQUIRE_CORPUS();
        for (const char* tool : {"Xvfb", "xdotool", "import"})
            if (!HaveTool(tool))
                GTEST_SKIP() << tool << " not installed";
        display_ = std::make_unique<VirtualDisplay>();
        ASSERT_FALSE(display_->name().empty()) << "Xvfb did not start";
        std::filesystem::copy_file(testsupport::CorpusDir() / kSong, song_);
        // The pointer rests outside the windows, so that no info box covers the bars.
        std::system(("DISPLAY=" + display_->name() + " xdotool mousemove " +
                     std::to_string(kScreenWidth - 1) + " " + std::to_string(kScreenHeight - 1))
                        .c_str());
    }

    static constexpr const char* kSong = "lines1_mus.imf";
    testsupport::TempDir dir_;
    std::filesystem::path song_ = dir_ / kSong;
    std::filesystem::path output_ = dir_ / "lines1_mus_optimized.imf";
    std::unique_ptr<VirtualDisplay> display_;
};

// Compares one pixel line through the bars of every visible row with the notes: a pixel is lit
// exactly where a note's bar lies, x = (tick - 0) / T with T fitting the song to the width.
void ExpectBarsWhereTheNotesAre(const Program::Image& image, const TNoteRows& rows,
                                std::int32_t length) {
    const int width = kScreenWidth - 80;
    const int height = kScreenHeight - 80;
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    const std::int32_t ticksPerPixel = std::max(1, (length + width - 1) / width);
    int litRows = 0;
    for (std::size_t r = 0; r < rows.size() && 15 * static_cast<int>(r) < height - 16; ++r) {
        std::vector<bool> expected(width, false);
        for (const NoteRef& note : rows[r]) {
            int x1 = note->starttime / ticksPerPixel;
            int x2 = std::max(note->endtime / ticksPerPixel, x1 + 1);
            for (int x = std::max(x1, 0); x < std::min(x2, width); ++x)
                expected[x] = true;
            if (x2 >= width)
                break;
        }
        int y = 15 * static_cast<int>(r) + 1; // above the start markers
        int mismatches = 0;
        for (int x = 0; x < width; ++x)
            if (image.Dark(x, y) == expected[x])
                ++mismatches;
        EXPECT_EQ(mismatches, 0) << "row " << r;
        if (!rows[r].empty())
            ++litRows;
    }
    EXPECT_GT(litRows, 0);
}

} // namespace

TEST_F(ViewerWindow, FourWindowsEachLeftWithEscapeThenTheSongIsSaved) {
    Program program(display_->name(), song_.string(), dir_);
    TImfSong song;
    LoadFile(song, song_.string());
    std::int32_t length = 0;
    TNoteRows voices = VoiceRows(song, length);

    std::string window;
    for (int i = 0; i < 4; ++i) {
        window = program.NextWindow(window);
        ASSERT_FALSE(window.empty()) << "window " << i + 1 << " did not open\n" << program.Stderr();
        if (i == 0)
            ExpectBarsWhereTheNotesAre(program.Screenshot(window), voices, length);
        program.Press(window, "Escape");
    }
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
    EXPECT_TRUE(std::filesystem::is_regular_file(output_));
}

TEST_F(ViewerWindow, F12InTheSecondWindowEndsWithoutSaving) {
    Program program(display_->name(), song_.string(), dir_);
    std::string first = program.NextWindow("");
    ASSERT_FALSE(first.empty()) << program.Stderr();
    program.Press(first, "Escape");
    std::string second = program.NextWindow(first);
    ASSERT_FALSE(second.empty()) << program.Stderr();
    program.Press(second, "F12");
    EXPECT_EQ(program.WaitExit(), 0) << program.Stderr();
    EXPECT_FALSE(std::filesystem::exists(output_));
}
