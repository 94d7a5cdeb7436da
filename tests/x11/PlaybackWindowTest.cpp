// imfproc playing its song in a real viewer window, with SDL's dummy audio driver: Space starts
// the sound and a green line that moves along, Space again stops both, nothing crashes.
#include "XHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {
const std::string kTitle = "Quillfen's IMF Processor (Alpha Version 0.001)";

// The leftmost column holding the playback line's green, or -1.
int LineColumn(const x11::Image& image) {
    for (int x = 0; x < image.width; ++x)
        for (int y = 0; y < image.height - 16; y += 7)
            if (image.At(x, y) == x11::Rgb{0, 255, 0})
                return x;
    return -1;
}

void Wait(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
} // namespace

TEST(PlaybackWindow, SpaceStartsAndStopsTheSoundAndItsLine) {
    IMF_REQUIRE_X11();
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    x11::XServer server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    int firstLine = -1, laterLine = -1, stoppedLine = 0;
    const auto result =
        x11::RunWithWindows(server, {IMF_IMFPROC, IMF_DEMO_SONG}, kTitle, [&](x11::Window& window) {
            if (window.Index() == 0) {
                Wait(500);
                EXPECT_EQ(LineColumn(window.Screenshot()), -1);
                window.Key("space");
                Wait(1000);
                firstLine = LineColumn(window.Screenshot());
                Wait(1500);
                laterLine = LineColumn(window.Screenshot());
                window.Key("space");
                Wait(500);
                stoppedLine = LineColumn(window.Screenshot());
            }
            window.Key("Escape");
        });
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_GE(firstLine, 0) << "no line while playing";
    EXPECT_GT(laterLine, firstLine) << "the line does not move";
    EXPECT_EQ(stoppedLine, -1) << "the line stays after Space";
}
