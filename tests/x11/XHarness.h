// Whole-program tests in a real X server: a private Xvfb, programs run with a hard time limit,
// their windows found by title, driven with xdotool and photographed.
//
//   IMF_REQUIRE_X11();
//   x11::XServer server;
//   auto result = x11::RunWithWindows(server, {program, song}, title, [](x11::Window& window) {
//       window.Key("Escape"); // each window in turn: viewers, then message boxes
//   });
//   EXPECT_EQ(result.windows, 4);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace x11 {

// Whether Xvfb, xdotool, ImageMagick's import and timeout are all installed; names the missing.
bool ToolsAvailable(std::string* missing);

#define IMF_REQUIRE_X11()                                                                          \
    do {                                                                                           \
        std::string missingTools;                                                                  \
        if (!::x11::ToolsAvailable(&missingTools))                                                 \
            GTEST_SKIP() << "whole-program test needs " << missingTools;                           \
    } while (0)

// Pixels of a screenshot, 8-bit red, green, blue.
struct Rgb {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // rows top first, three bytes a pixel
    Rgb At(int x, int y) const;
};

// Parses a binary PPM (P6) image; an empty image when the data is not one.
Image ParsePpm(const std::string& data);

// An Xvfb on a free display picked at random (-screen 0 1280x1024x24), stopped with the object.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    // ":N", or "" when the server did not start.
    const std::string& Display() const { return display_; }

private:
    void Start(int display);
    void Stop();

    pid_t pid_ = -1;
    std::string display_;
};

// What a finished program left behind.
struct ProgramResult {
    int exitStatus = -1; // the program's status; 124 or 137 when the time limit ended it
    bool timedOut = false;
    std::string out, err; // standard output and error
    int windows = 0;      // windows seen with the title
};

class ProgramRun;

// One window of the running program, handed to the handler of RunWithWindows.
class Window {
public:
    Window(ProgramRun& run, std::string id, std::string title, int index)
        : run_(run), id_(std::move(id)), title_(std::move(title)), index_(index) {}
    const std::string& Id() const { return id_; }
    int Index() const { return index_; } // 0 for the program's first window, then 1, 2, ...

    // Gives the window the focus, then types the keys, xdotool's names separated by spaces
    // ("Escape", "a", "KP_Add", "space space").
    void Key(const std::string& keys);
    void KeyDown(const std::string& key);
    void KeyUp(const std::string& key);
    // Moves the mouse pointer to client coordinates of the window.
    void MovePointer(int x, int y);
    Image Screenshot();
    // Asks the window to close, as the close button of a window manager does.
    void RequestClose();
    // The program's standard output so far.
    std::string Output() const;
    // Waits until standard output holds the text; false after the time limit.
    bool WaitForOutput(const std::string& text, int timeoutMs = 10000) const;
    // Waits until the window is gone (closed or hidden); false after the time limit.
    bool WaitClosed(int timeoutMs = 10000);

private:
    void Xdotool(std::vector<std::string> args);

    ProgramRun& run_;
    std::string id_;
    std::string title_;
    int index_;
};

using WindowHandler = std::function<void(Window&)>;

// Runs a program in the X server and calls the handler for each new window titled `title`, in
// the order they appear, until the program ends. The program is killed (SIGTERM, then SIGKILL
// a little later) after timeoutSeconds.
ProgramResult RunWithWindows(const XServer& server, const std::vector<std::string>& command,
                             const std::string& title, const WindowHandler& handler,
                             int timeoutSeconds = 30);

// Runs a program in the X server without looking at its windows.
ProgramResult Run(const XServer& server, const std::vector<std::string>& command,
                  int timeoutSeconds = 30);

// Runs a helper program with DISPLAY set and returns its standard output ("" on failure); it is
// killed after timeoutSeconds.
std::string Capture(const std::string& display, const std::vector<std::string>& command,
                    int timeoutSeconds = 10, int* exitStatus = nullptr);

// The ids (decimal, as xdotool takes them) of the viewable windows titled exactly so.
std::vector<std::string> WindowsTitled(const std::string& display, const std::string& title);

} // namespace x11
