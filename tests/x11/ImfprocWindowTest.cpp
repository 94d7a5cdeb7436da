// imfproc in real windows under Xvfb, keys sent by xdotool: the four viewer windows of a run, each
// left with Escape, Space playing the song with a moving line in the first, the song saved at the
// end; F12 in the second window ends the program without saving.
#include "TestSupport.h"
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

TEST(ImfprocWindows, FourWindowsSpacePlaysTheSongIsSavedAndF12EndsUnsaved) {
    IMF_REQUIRE_X11();
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    x11::XServer server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    testsupport::TempDir dir;
    const auto song = dir / "demo.imf", saved = dir / "demo_optimized.imf";
    std::filesystem::copy_file(IMF_DEMO_SONG, song);

    int before = 0, playing = -1, later = -1, stopped = 0;
    auto result =
        x11::RunWithWindows(server, {IMF_IMFPROC, song.string()}, kTitle, [&](x11::Window& window) {
            if (window.Index() == 0) {
                Wait(500);
                before = LineColumn(window.Screenshot());
                window.Key("space");
                Wait(1000);
                playing = LineColumn(window.Screenshot());
                Wait(1500);
                later = LineColumn(window.Screenshot());
                window.Key("space");
                Wait(500);
                stopped = LineColumn(window.Screenshot());
            }
            window.Key("Escape");
        });
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.windows, 4);
    EXPECT_EQ(before, -1) << "a line before Space";
    EXPECT_GE(playing, 0) << "no line while playing";
    EXPECT_GT(later, playing) << "the line does not move";
    EXPECT_EQ(stopped, -1) << "the line stays after Space";
    EXPECT_TRUE(std::filesystem::is_regular_file(saved)) << result.out;
    EXPECT_NE(result.out.find("optimization removed"), std::string::npos) << result.out;

    std::filesystem::remove(saved);
    result =
        x11::RunWithWindows(server, {IMF_IMFPROC, song.string()}, kTitle, [](x11::Window& window) {
            Wait(300);
            window.Key(window.Index() == 0 ? "Escape" : "F12");
        });
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.windows, 2);
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_EQ(result.out.find("optimization removed"), std::string::npos) << result.out;
}
