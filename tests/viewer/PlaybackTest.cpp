// Playing a song in the viewer: Space starts and stops, a line marks the tick being heard and
// the window follows it; without an audio device the bottom line says so.
#include "Keys.h"
#include "NoteViewer.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A 1080 x 880 screen gives a 1000 x 800 viewer window.
class PlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        auto surface = std::make_unique<ScriptedSurface>(1080, 880);
        screen_ = surface.get();
        previous_ = InstallSurface(std::move(surface));
        // One note on channel 0 from tick 0 to tick 5600: ten seconds at 560 ticks a second.
        song.InitRead();
        for (auto [reg, val] : testsupport::kToneTimbre)
            song.ProcessCommand(reg, val);
        testsupport::FeedMore(song, {{0xA0, 0x44}, {0xB0, 0x32, 5600}, {0xB0, 0x12}});
    }
    void TearDown() override { InstallSurface(std::move(previous_)); }

    ScriptedSurface& screen() { return *screen_; }
    TImfSong song;

private:
    ScriptedSurface* screen_ = nullptr;
    std::unique_ptr<Surface> previous_;
};

ScriptedFrame Press(int key) {
    return ScriptedFrame{-1000, -1000, {key}, {}, false};
}

// The x of the playback line in a frame (a green rectangle one pixel wide), or -1.
float LineX(const std::vector<DrawCall>& frame) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::Rect && c.width == 1 && c.height == 784 && c.red == 0 &&
            c.green == 255 && c.blue == 0)
            return c.x;
    return -1;
}

std::string StartTick(const std::vector<DrawCall>& frame) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::String && c.x == 0 && c.y == 784)
            return c.text;
    return "(none)";
}

bool Shows(const std::vector<DrawCall>& frame, const std::string& text) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::String && c.text == text)
            return true;
    return false;
}
} // namespace

TEST_F(PlaybackTest, SpaceStartsAndStopsAndTheWindowFollowsTheLine) {
    // Zoomed in to one tick per pixel: the window spans 1000 ticks, and 60 frames hear one
    // second, 560 ticks. Space after frame 3 starts at S = 0; Space after frame 200 stops.
    std::vector<ScriptedFrame> frames(220);
    frames[0] = frames[1] = frames[2] = Press(Key::KeypadPlus);
    frames[3] = Press(Key::Space);
    frames[200] = Press(Key::Space);
    screen().scripts.push_back(frames);
    View(song, 560);
    const auto& shown = screen().frames;
    ASSERT_GE(shown.size(), 220u);
    EXPECT_EQ(LineX(shown[3]), -1) << "nothing plays before Space";
    EXPECT_EQ(screen().soundStarts, 1);
    EXPECT_EQ(screen().sampleRate, 49716);
    // The line starts at the window's start tick and moves right, about 9.3 ticks a frame.
    EXPECT_EQ(LineX(shown[4]), 0);
    EXPECT_NEAR(LineX(shown[64]), 560, 2);
    for (std::size_t i = 5; i < 100; ++i)
        EXPECT_GT(LineX(shown[i]), LineX(shown[i - 1])) << i;
    // Past the right edge the window starts at the tick being heard.
    std::size_t followed = 0;
    for (std::size_t i = 4; i < 200 && !followed; ++i)
        followed = StartTick(shown[i]) != "0" ? i : 0;
    ASSERT_GT(followed, 100u);
    EXPECT_LT(followed, 115u);
    EXPECT_EQ(LineX(shown[followed]), 0);
    EXPECT_GE(std::stoi(StartTick(shown[followed])), 1000);
    EXPECT_LT(std::stoi(StartTick(shown[followed])), 1010);
    EXPECT_GT(LineX(shown[followed + 10]), 0);
    // Space stops the sound and the line; the window stays where it is.
    EXPECT_EQ(screen().soundStops, 1);
    EXPECT_EQ(LineX(shown[201]), -1);
    EXPECT_EQ(StartTick(shown[201]), StartTick(shown[200]));
}

TEST_F(PlaybackTest, WithoutAnAudioDeviceTheBottomLineSaysSo) {
    screen().audioDevice = false;
    std::vector<ScriptedFrame> frames(5);
    frames[1] = Press(Key::Space);
    frames[2] = Press(Key::Home);
    screen().scripts.push_back(frames);
    ViewNotes(song, 560);
    const auto& shown = screen().frames;
    ASSERT_GE(shown.size(), 5u);
    EXPECT_FALSE(Shows(shown[1], "no audio device: playing silently"));
    for (std::size_t i = 2; i < 5; ++i) {
        EXPECT_TRUE(Shows(shown[i], "no audio device: playing silently")) << i;
        EXPECT_EQ(LineX(shown[i]), -1);
        EXPECT_EQ(StartTick(shown[i]), "0");
    }
    EXPECT_EQ(screen().soundStarts, 0);
}

TEST_F(PlaybackTest, TrackWindowsAndLeavingStopTheSound) {
    // The track viewer plays nothing: Space there has no meaning.
    TNoteRows rows(1);
    screen().scripts.push_back({Press(Key::Space), ScriptedFrame{}});
    ViewNoteLists(rows, 100);
    EXPECT_EQ(screen().soundStarts, 0);
    // Escape while playing leaves the window and stops the sound.
    screen().scripts.push_back({Press(Key::Space), ScriptedFrame{}, Press(Key::Escape)});
    View(song, 560);
    EXPECT_EQ(screen().soundStarts, 1);
    EXPECT_EQ(screen().soundStops, 1);
    EXPECT_EQ(screen().queuedSamples, 0);
}
