// Whole-program runs in a real X server: a private Xvfb, a program run in it under a time limit,
// and its windows handed in order to a handler that types keys into them and photographs them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace x11 {

// Whether Xvfb, xdotool, ImageMagick's import and timeout are installed; names the missing.
bool ToolsAvailable(std::string* missing);

#define IMF_REQUIRE_X11()                                                                          \
    do {                                                                                           \
        std::string missingTools;                                                                  \
        if (!::x11::ToolsAvailable(&missingTools))                                                 \
            GTEST_SKIP() << "whole-program test needs " << missingTools;                           \
    } while (0)

struct Rgb {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A screenshot: rows top first, three bytes a pixel.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    Rgb At(int x, int y) const;
};

// An Xvfb (1280 x 1024) on a free display, stopped with the object.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& Display() const { return display_; } // ":N", or "" if it did not start

private:
    pid_t pid_ = -1;
    std::string display_;
};

// One window of the running program, handed to the handler of RunWithWindows.
class Window {
public:
    Window(std::string display, std::string id, int index)
        : display_(std::move(display)), id_(std::move(id)), index_(index) {}
    int Index() const { return index_; } // 0 for the program's first window, then 1, 2, ...
    void Key(const std::string& key);    // focuses the window, then types xdotool's key name
    Image Screenshot();

private:
    std::string display_, id_;
    int index_;
};

struct ProgramResult {
    int exitStatus = -1; // 124 or 137 when the time limit ended the program
    bool timedOut = false;
    std::string out, err;
    int windows = 0; // windows seen with the title
};

// Runs the program in the server and calls the handler for each new visible window titled
// `title`, in the order they appear, until the program ends or the time limit kills it.
ProgramResult RunWithWindows(const XServer& server, const std::vector<std::string>& command,
                             const std::string& title, const std::function<void(Window&)>& handler,
                             int timeoutSeconds = 60);

} // namespace x11
