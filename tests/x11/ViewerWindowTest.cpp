// imfproc in real windows: the four viewer windows of a run, in order, each left with Escape;
// their bars photographed and compared with the notes; F12 ending the program unsaved.
#include "ImfFile.h"
#include "NoteRows.h"
#include "SplitTracks.h"
#include "TestSupport.h"
#include "XHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

const std::string kTitle = "Quillfen's IMF Processor (Alpha Version 0.001)";
constexpr int kWidth = 1280 - 80; // the harness's screen less the viewer's margin
constexpr int kHeight = 1024 - 80;
constexpr const char* kSong = "lines1_mus.imf"; // small: the optimize pass is quick

// Runs `work` with standard output captured: loading, rebuilding notes and splitting report
// every unused key-off there.
template <typename Work> void Quietly(Work work) {
    testing::internal::CaptureStdout();
    work();
    testing::internal::GetCapturedStdout();
}

// Mismatches between the lit pixels of one line through every visible row's bars and the notes
// of that row: the song fitted to the width, a tick t at x = t / T, every bar at least 1 wide.
int BarMismatches(const x11::Image& image, const TNoteRows& rows, std::int32_t length) {
    const std::int32_t ticksPerPixel = std::max(1, (length + kWidth - 1) / kWidth);
    int mismatches = 0;
    for (std::size_t r = 0; r < rows.size() && 15 * static_cast<int>(r) < kHeight - 16; ++r) {
        std::vector<bool> lit(kWidth, false);
        for (const NoteRef& note : rows[r]) {
            int x1 = note->starttime / ticksPerPixel;
            int x2 = std::max(note->endtime / ticksPerPixel, x1 + 1);
            for (int x = std::max(x1, 0); x < std::min(x2, kWidth); ++x)
                lit[x] = true;
            if (x2 >= kWidth)
                break;
        }
        const int y = 15 * static_cast<int>(r) + 1; // above the start markers
        for (int x = 0; x < kWidth; ++x)
            mismatches += (image.At(x, y) != x11::Rgb{}) != lit[x];
    }
    return mismatches;
}

int LitRows(const TNoteRows& rows) {
    return static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [](const TNoteList& row) { return !row.empty(); }));
}

// Whether the start tick is drawn in the bottom left character cell.
bool StartTickDrawn(const x11::Image& image) {
    if (image.width != kWidth || image.height != kHeight)
        return false;
    for (int y = kHeight - 16; y < kHeight; ++y)
        for (int x = 0; x < 8; ++x)
            if (image.At(x, y) != x11::Rgb{})
                return true;
    return false;
}

// A screenshot of the window once its first frame has been shown.
x11::Image Photograph(x11::Window& window) {
    x11::Image image;
    for (int attempt = 0; attempt < 20; ++attempt) {
        image = window.Screenshot();
        if (StartTickDrawn(image))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return image;
}

class ViewerWindow : public testing::Test {
protected:
    void SetUp() override {
        IMF_REQUIRE_CORPUS();
        IMF_REQUIRE_X11();
        server_ = std::make_unique<x11::XServer>();
        ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
        std::filesystem::copy_file(testsupport::CorpusDir() / kSong, song_);
        // The pointer rests in the windows' bottom right corner (they are centred on the
        // screen), below the rows, so that no info box covers the bars. Outside the window the
        // pointer would count as (0, 0), over the first notes.
        x11::Capture(server_->Display(), {"xdotool", "mousemove", "1230", "975"});
    }

    testsupport::TempDir dir_;
    std::filesystem::path song_ = dir_ / kSong;
    std::filesystem::path output_ = dir_ / "lines1_mus_optimized.imf";
    std::unique_ptr<x11::XServer> server_;
};

} // namespace

TEST_F(ViewerWindow, FourWindowsInOrderThenTheSongIsSaved) {
    std::int32_t noteLength = 0, listLength = 0, trackLength = 0;
    TNoteRows voices, lists, tracks;
    Quietly([&] {
        TImfSong song;
        LoadFile(song, song_.string());
        voices = VoiceRows(song, noteLength);
        lists = ChannelRows(song, listLength);
        tracks = TrackRows(SplitIntoTracks(song, 1), trackLength);
    });
    ASSERT_GT(LitRows(voices), 0);

    x11::Image last;
    const auto result = x11::RunWithWindows(
        *server_, {IMF_IMFPROC, song_.string()}, kTitle, [&](x11::Window& window) {
            x11::Image image = Photograph(window);
            ASSERT_EQ(image.width, kWidth);
            switch (window.Index()) {
            case 0: // the interpreted notes, one row per voice
                EXPECT_EQ(BarMismatches(image, voices, noteLength), 0);
                break;
            case 1: // notes rebuilt from the channel lists
                EXPECT_EQ(BarMismatches(image, lists, listLength), 0);
                break;
            case 2: // the optimizer's tracks
                EXPECT_EQ(BarMismatches(image, tracks, trackLength), 0);
                break;
            default: // the lists after optimising: compared with the saved song below
                last = image;
            }
            window.Key("Escape");
        });
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.windows, 4);
    ASSERT_TRUE(std::filesystem::is_regular_file(output_)) << result.out;

    std::int32_t savedLength = 0;
    TNoteRows saved;
    Quietly([&] {
        TImfSong song;
        LoadFile(song, output_.string());
        saved = ChannelRows(song, savedLength);
    });
    ASSERT_EQ(last.width, kWidth);
    EXPECT_EQ(BarMismatches(last, saved, savedLength), 0);
}

TEST_F(ViewerWindow, F12InTheSecondWindowEndsTheProgramUnsaved) {
    const auto result = x11::RunWithWindows(*server_, {IMF_IMFPROC, song_.string()}, kTitle,
                                            [&](x11::Window& window) {
                                                Photograph(window);
                                                window.Key(window.Index() == 0 ? "Escape" : "F12");
                                            });
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.windows, 2);
    EXPECT_FALSE(std::filesystem::exists(output_));
    EXPECT_EQ(result.out.find("optimization removed"), std::string::npos) << result.out;
}
