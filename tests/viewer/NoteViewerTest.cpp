#include "NoteViewer.h"
#include "Console.h"
#include "ImfError.h"
#include "Keys.h"
#include "NoteRows.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

// A 1080 x 880 screen gives a 1000 x 800 viewer window: W = 1000, H = 800.
class NoteViewerTest : public testing::Test {
protected:
    ScriptedSurface& screen() { return *screen_; }

    // Runs one viewer window over the frames; the window closes when they run out.
    void Run(const TNoteRows& rows, std::int32_t length, std::vector<ScriptedFrame> frames) {
        screen().scripts.push_back(std::move(frames));
        ViewNoteLists(rows, length);
    }
    const std::vector<DrawCall>& Frame(std::size_t index) { return screen().frames.at(index); }

private:
    ScriptedScreen screen_;
};

NoteRef MakeNote(std::int32_t start, std::int32_t end, int extras = 0) {
    auto note = std::make_shared<TNote>();
    note->starttime = start;
    note->endtime = end;
    for (int i = 0; i < extras; ++i)
        note->extras.push_back(MakeInstruction(0xA0, 0x10, start + i));
    return note;
}

std::vector<DrawCall> Rects(const std::vector<DrawCall>& frame) {
    std::vector<DrawCall> rects;
    std::copy_if(frame.begin(), frame.end(), std::back_inserter(rects),
                 [](const DrawCall& c) { return c.kind == DrawCall::Kind::Rect; });
    return rects;
}

// The start tick S as drawn at the bottom of the window.
std::string StartTick(const std::vector<DrawCall>& frame) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::String && c.x == 0 && c.y == 784)
            return c.text;
    return "(none)";
}

std::optional<DrawCall> RectAt(const std::vector<DrawCall>& frame, float x, float y) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::Rect && c.x == x && c.y == y)
            return c;
    return std::nullopt;
}

void ExpectRect(const DrawCall& rect, float width, float height, int red, int green, int blue) {
    EXPECT_EQ(rect.width, width);
    EXPECT_EQ(rect.height, height);
    EXPECT_EQ(rect.red, red);
    EXPECT_EQ(rect.green, green);
    EXPECT_EQ(rect.blue, blue);
}

// Expects a bar with its red start marker, drawn in the given colour.
void ExpectBar(const std::vector<DrawCall>& frame, float x, float y, float width, int blue = 255,
               int red = 255) {
    auto bar = RectAt(frame, x, y);
    ASSERT_TRUE(bar) << "no bar at " << x << "," << y;
    ExpectRect(*bar, width, 10, red, red, blue);
    auto marker = RectAt(frame, x, y + 4);
    ASSERT_TRUE(marker);
    ExpectRect(*marker, 1, 2, 255, 0, 0);
}

ScriptedFrame Press(int key) {
    return ScriptedFrame{-1000, -1000, {key}, {}, false};
}
ScriptedFrame Hold(int key) {
    return ScriptedFrame{-1000, -1000, {}, {key}, false};
}
ScriptedFrame Pointer(int x, int y) {
    return ScriptedFrame{x, y, {}, {}, false};
}

} // namespace

TEST_F(NoteViewerTest, FrameDrawsBarsMarkersAndStartTick) {
    // W = 1000 and length 4800: T = 5.
    TNoteRows rows(3);
    rows[0] = {MakeNote(500, 1000), MakeNote(1200, 1200), MakeNote(2000, 2100, 2),
               MakeNote(4700, 6000), MakeNote(6500, 6600)};
    rows[2] = {MakeNote(0, 5000), MakeNote(4900, 4950)};
    Run(rows, 4800, {Press(Key::Escape)});
    EXPECT_EQ(screen().windowsOpened, 1);
    EXPECT_EQ(screen().windowsClosed, 1);
    ASSERT_EQ(screen().frames.size(), 1u);
    const auto& frame = Frame(0);
    EXPECT_EQ(StartTick(frame), "0");
    ExpectBar(frame, 100, 0, 100);         // ticks 500..1000
    ExpectBar(frame, 240, 0, 1);           // zero-length: one pixel
    ExpectBar(frame, 400, 0, 20, 255, 85); // with extras: blue
    ExpectBar(frame, 940, 0, 260);         // reaches the right edge: the row stops here
    EXPECT_FALSE(RectAt(frame, 1300, 0));
    ExpectBar(frame, 0, 30, 1000); // the empty row 1 still takes its band; x2 = W ends the row
    EXPECT_EQ(Rects(frame).size(), 10u);
}

TEST_F(NoteViewerTest, ScrollingAndZoomingLimits) {
    TNoteRows rows{{MakeNote(0, 100)}};
    // A song shorter than the window: T = 1 and L < 0, so Right and End leave S at 0.
    Run(rows, 300,
        {Hold(Key::Right), Press(Key::End), Press(Key::KeypadPlus), Hold(Key::Left),
         Press(Key::Escape)});
    for (const auto& frame : screen().frames) {
        EXPECT_EQ(StartTick(frame), "0");
        ExpectBar(frame, 0, 0, 100); // keypad plus at 1 tick per pixel keeps T = 1
    }
    screen().frames.clear();

    // Length 20000: T = 20, L = 0; after keypad minus T = 40, L = -20000; after keypad plus
    // twice T = 10, L = 10000, and Right moves 100 ticks per frame while S < L (at S = L it
    // stays).
    rows = {{MakeNote(1000, 2000)}};
    Run(rows, 20000,
        {Press(Key::KeypadMinus), Hold(Key::Right), Press(Key::KeypadPlus), Press(Key::KeypadPlus),
         Hold(Key::Right), Hold(Key::Right), Press(Key::End), Hold(Key::Right), Hold(Key::Left),
         Press(Key::Home), Press(Key::End), Press(Key::KeypadMultiply), Press(Key::Escape)});
    std::vector<std::string> ticks;
    for (const auto& frame : screen().frames)
        ticks.push_back(StartTick(frame));
    EXPECT_EQ(ticks, (std::vector<std::string>{"0", "0", "0", "0", "0", "100", "200", "10000",
                                               "10000", "9900", "0", "10000", "0"}));
    ExpectBar(Frame(0), 50, 0, 50);
    ExpectBar(Frame(1), 25, 0, 25);
    ExpectBar(Frame(4), 100, 0, 100);
    ExpectBar(Frame(12), 50, 0, 50); // keypad multiply fits the song again
    screen().frames.clear();

    // Length 1001: T = 2; at T = 1, L = 1, and Left goes back from S = 1 to 0.
    Run(rows, 1001, {Press(Key::KeypadPlus), Press(Key::End), Hold(Key::Left), Press(Key::Escape)});
    ticks.clear();
    for (const auto& frame : screen().frames)
        ticks.push_back(StartTick(frame));
    EXPECT_EQ(ticks, (std::vector<std::string>{"0", "0", "1", "0"}));
}

TEST_F(NoteViewerTest, ZoomingOutStopsBeforeTheScaleOverflows) {
    TNoteRows rows{{MakeNote(0, 10)}};
    screen().scripts.push_back(std::vector<ScriptedFrame>(40, Press(Key::KeypadMinus)));
    screen().OpenWindow(1000, 800, 60);
    TViewerState state = InitialViewerState(1000, 800, rows.size(), 4800);
    for (int i = 0; i < 40; ++i) {
        screen().Flip();
        HandleViewerKeys(rows, state);
    }
    // T doubles from 5 while W * 2T fits: 1000 * 5 * 2^19 would pass 2^31 - 1.
    EXPECT_EQ(state.ticksPerPixel, 5 << 18);
    EXPECT_EQ(state.scrollLimit, 4800 - 1000 * (5 << 18));
}

TEST(ViewerState, AWindowOfNoWidthCountsAsOnePixel) {
    const TViewerState state = InitialViewerState(0, 800, 1, 4800);
    EXPECT_EQ(state.width, 1);
    EXPECT_EQ(state.ticksPerPixel, 4800);
    EXPECT_EQ(state.scrollLimit, 0);
}

TEST_F(NoteViewerTest, DownStopsOnceTheLastRowIsVisible) {
    // 60 rows, (800 - 16) / 15 = 52 fit: the last first row is 8.
    TNoteRows rows;
    for (int r = 0; r < 60; ++r)
        rows.push_back({MakeNote(r * 10, r * 10 + 100)});
    std::vector<ScriptedFrame> frames(12, Press(Key::Down));
    frames.push_back(Press(Key::Up));
    frames.push_back(Press(Key::Escape));
    Run(rows, 1000, frames);
    ExpectBar(Frame(0), 0, 0, 100);
    ExpectBar(Frame(0), 520, 780, 100); // row 52 at y = 780 is the last one drawn
    EXPECT_EQ(Rects(Frame(0)).size(), 2u * 53);
    ExpectBar(Frame(3), 30, 0, 100);
    ExpectBar(Frame(12), 80, 0, 100); // stopped at row 8
    ExpectBar(Frame(12), 590, 765, 100);
    EXPECT_EQ(Rects(Frame(12)).size(), 2u * 52);
    ExpectBar(Frame(13), 70, 0, 100); // Up
}

TEST_F(NoteViewerTest, DownDoesNothingWhileEveryRowFits) {
    TNoteRows rows{{MakeNote(0, 100)}, {MakeNote(0, 100)}};
    Run(rows, 1000, {Press(Key::Down), Press(Key::Escape)});
    ExpectBar(Frame(1), 0, 0, 100);
    ExpectBar(Frame(1), 0, 15, 100);
}

TEST_F(NoteViewerTest, InfoBoxFollowsTheHoveredNoteAndStaysInside) {
    // Length 1000: T = 1. The box stands 16 pixels right of the pointer, moved inside near the
    // right edge; the bottom edge of a bar is outside it.
    TNoteRows rows{{MakeNote(200, 290)}, {MakeNote(0, 1000)}};
    Run(rows, 1000,
        {Pointer(250, 5), Pointer(250, 10), Pointer(900, 20), Pointer(200, 0), Pointer(290, 9),
         Press(Key::Escape)});
    auto starts = [&](std::size_t frame) {
        std::string texts;
        for (const DrawCall& c : Frame(frame))
            texts += c.kind == DrawCall::Kind::String && c.text.starts_with("start") ? c.text : "";
        return texts;
    };
    EXPECT_TRUE(RectAt(Frame(0), 266, 5));
    EXPECT_EQ(starts(0), "start: 200");
    EXPECT_EQ(starts(1), "");
    EXPECT_TRUE(RectAt(Frame(2), 850, 20));
    EXPECT_EQ(starts(2), "start: 0");
    EXPECT_EQ(starts(3), "start: 200"); // the bar's first pixel
    EXPECT_EQ(starts(4), "start: 200"); // its last
}

TEST_F(NoteViewerTest, InfoBoxNearTheBottomRisesIntoTheWindow) {
    TNoteRows rows(53); // row 52 at y = 780 is the last drawn
    rows[52] = {MakeNote(200, 290)};
    Run(rows, 1000, {Pointer(250, 782), Press(Key::Escape)});
    EXPECT_TRUE(RectAt(Frame(0), 266, 800 - 300));
}

TEST(NoteRows, EachChannelListIsARowWhoseNotesEndAtTheirKeyOff) {
    TImfSong song;
    testsupport::Feed(song, {{0xA0, 0x44}, {0xB0, 0x32, 7}, {0xB0, 0x12, 3}, {0x20, 1}});
    std::int32_t length = 0;
    const TNoteRows rows = ChannelRows(song, length);
    ASSERT_EQ(rows.at(1).size(), 1u);
    EXPECT_EQ(rows[1][0]->starttime, 0);
    EXPECT_EQ(rows[1][0]->endtime, 7);
    EXPECT_EQ(length, 10);
}

TEST(NoteRows, WritesAndKeyOnsWhileANoteSoundsAreItsExtrasAndAStrayKeyOffIsSaid) {
    // A key-off with no note, a timbre write before the note, a frequency write and a second
    // key-on while it sounds.
    const TInstructionList list = {MakeInstruction(0xB0, 0x11, 1), MakeInstruction(0x20, 0x07, 2),
                                   MakeInstruction(0xB0, 0x31, 3), MakeInstruction(0xA0, 0x55, 4),
                                   MakeInstruction(0xB0, 0x32, 5), MakeInstruction(0xB0, 0x12, 6)};
    ScriptedScreen screen;
    testing::internal::CaptureStdout();
    std::int32_t maxtime = 0;
    const TNoteList notes = InstructionsToNotes(list, maxtime);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "unused KeyOff\n");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->starttime, 3);
    EXPECT_EQ(notes[0]->endtime, 6);
    EXPECT_EQ(notes[0]->startval, 0x31);
    EXPECT_EQ(notes[0]->endval, 0x12);
    EXPECT_EQ(notes[0]->timbre.r20, 0x07);
    EXPECT_EQ(notes[0]->extras, (TInstructionList{list[3], list[4]}));
    EXPECT_EQ(maxtime, 6);
}

TEST_F(NoteViewerTest, SpacePlaysWithALineThatTheWindowFollows) {
    TImfSong song; // one note on channel 0 from tick 0 to 5600: ten seconds at 560 a second
    testsupport::Feed(song, {{0xA0, 0x44}, {0xB0, 0x32, 5600}, {0xB0, 0x12}});
    std::vector<ScriptedFrame> frames(220);
    frames[0] = frames[1] = frames[2] = Press(Key::KeypadPlus); // one tick per pixel
    frames[3] = frames[200] = Press(Key::Space);
    screen().scripts.push_back(frames);
    View(song, 560);
    auto line = [&](std::size_t frame) { // the x of the green playback line, or -1
        for (const DrawCall& c : Frame(frame))
            if (c.kind == DrawCall::Kind::Rect && c.y == 0 && c.height == 784 && c.green == 255)
                return c.x;
        return -1.0f;
    };
    EXPECT_EQ(screen().frameRate, 60);
    EXPECT_EQ(line(3), -1);
    EXPECT_EQ(line(4), 0);         // from the window's start tick
    EXPECT_NEAR(line(64), 560, 2); // 60 frames hear one second
    std::size_t followed = 4;      // past the right edge the window starts at the tick being heard
    while (followed < 200 && StartTick(Frame(followed)) == "0")
        ++followed;
    EXPECT_GT(followed, 100u);
    EXPECT_LT(followed, 115u);
    EXPECT_EQ(line(followed), 0);
    EXPECT_EQ(line(201), -1); // Space stops
}

TEST_F(NoteViewerTest, WithoutASoundDeviceTheStatusLineSaysSo) {
    TImfSong song;
    testsupport::Feed(song, {{0xA0, 0x44}, {0xB0, 0x32, 560}, {0xB0, 0x12}});
    screen().soundDevice = false;
    screen().scripts.push_back({Press(Key::Space), ScriptedFrame{}});
    View(song, 560);
    auto notice = [&](std::size_t frame) {
        for (const DrawCall& c : Frame(frame))
            if (c.kind == DrawCall::Kind::String && c.text == "no audio device: playing silently")
                return std::pair(c.x, c.y);
        return std::pair(-1.0f, -1.0f);
    };
    EXPECT_EQ(notice(0), std::pair(-1.0f, -1.0f));
    EXPECT_EQ(notice(1), std::pair(96.0f, 784.0f)); // on the status line, after the start tick
}

TEST_F(NoteViewerTest, DifferenceModeHeightsCountChangedRegisters) {
    TTimbre plain; // all twelve fields 0: every one defined
    TTimbre changed = plain;
    changed.r20 = 1;
    changed.rA0 = 2; // the frequency counts in the exact comparison
    auto make = [](std::int32_t start, const TTimbre& timbre) {
        auto note = MakeNote(start, start + 50);
        note->timbre = timbre;
        return note;
    };
    TNoteRows rows{{make(0, plain), make(100, plain), make(200, changed)}, {make(0, changed)}};
    Run(rows, 1000, {Press(Key::Tab), Press(Key::Escape)});
    ExpectBar(Frame(0), 0, 0, 50); // off: full height
    const auto& frame = Frame(1);
    auto height = [&](float x, float y) { return RectAt(frame, x, y).value_or(DrawCall{}).height; };
    EXPECT_EQ(height(0, -1), 13); // against all-undefined: 12 + 1 high
    EXPECT_EQ(height(100, 5), 1); // no change
    EXPECT_EQ(height(200, 4), 3); // two changes: 3 high at 5 - 3 / 2
    EXPECT_EQ(height(0, 14), 13); // the next row starts against all-undefined again
}

TEST_F(NoteViewerTest, F1CountsZeroLengthNotesOfAllRows) {
    TNoteRows rows;
    for (int r = 0; r < 60; ++r)
        rows.push_back({MakeNote(0, 10)});
    rows[0].push_back(MakeNote(20, 20));
    rows[0].push_back(MakeNote(5000, 5000)); // right of the window
    rows[59].push_back(MakeNote(30, 30));    // below the window
    rows[59].push_back(MakeNote(40, 0));     // left open: not zero-length
    // Tab pressed in the same frame as F1 is cleared before it is read.
    Run(rows, 1000,
        {ScriptedFrame{-1000, -1000, {Key::F1, Key::Tab}, {}, false}, Press(Key::F1),
         Press(Key::Escape)});
    EXPECT_EQ(screen().notices,
              (std::vector<std::string>{"zero-length notes: 3", "zero-length notes: 3"}));
    EXPECT_EQ(screen().clearKeysCalls, 2);
    ExpectBar(Frame(1), 0, 0, 10); // difference mode still off
}

TEST_F(NoteViewerTest, F12EndsTheProgramAndEscapeOrCloseLeaves) {
    TNoteRows rows{{MakeNote(0, 10)}};
    screen().scripts.push_back({Pointer(0, 0), Press(Key::F12), Press(Key::Escape)});
    try {
        ViewNoteLists(rows, 100);
        FAIL() << "F12 did not end the viewer";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Status(), 0);
        EXPECT_EQ(error.Message(), "");
    }
    EXPECT_EQ(screen().frames.size(), 2u);

    // A close request leaves after its frame; each call opens its own window and starts afresh.
    screen().frames.clear();
    Run(rows, 5000, {Press(Key::KeypadPlus), Press(Key::Tab), ScriptedFrame{0, 0, {}, {}, true}});
    Run(rows, 5000, {Press(Key::Escape)});
    EXPECT_EQ(screen().windowsOpened, 3);
    ASSERT_EQ(screen().frames.size(), 4u);
    ExpectBar(Frame(3), 0, 0, 2); // T = 5 again, difference mode off
}

// Each percussion note shows the registers of its own channel and operator: bit 0 of 0xBD takes
// channel 6's first operator, bit 1 its second, and bit 4 both operators of channel 8.
TEST_F(NoteViewerTest, InfoBoxShowsARhythmNotesOwnRegisters) {
    TImfSong song;
    QuietConsole quiet; // the frequency writes before the drums count as unused key-offs
    testsupport::Feed(
        song, {{0x30, 0x11}, {0x33, 0x12},     {0x50, 0x13},     {0x53, 0x14},   {0x70, 0x15},
               {0x73, 0x16}, {0x90, 0x17},     {0x93, 0x18},     {0xF0, 0x01},   {0xF3, 0x02},
               {0xA6, 0x19}, {0xB6, 0x0A},     {0xC6, 0x0C},     {0x32, 0x21},   {0x35, 0x22},
               {0x52, 0x23}, {0x55, 0x24},     {0x72, 0x25},     {0x75, 0x26},   {0x92, 0x27},
               {0x95, 0x28}, {0xF2, 0x03},     {0xF5, 0x01},     {0xA8, 0x29},   {0xB8, 0x0B},
               {0xC8, 0x0E}, {0xBD, 0x33, 50}, {0xA6, 0x1A, 50}, {0xBD, 0x20, 0}});
    std::int32_t length = 0;
    const TNoteRows rows = VoiceRows(song, length);
    // Length 100 in a 1000-wide window: T = 1; rows 9, 10 and 13 at y = 135, 150 and 195.
    Run(rows, length, {Pointer(50, 137), Pointer(50, 152), Pointer(50, 197), Press(Key::Escape)});
    auto box = [&](std::size_t frame) {
        std::vector<std::string> lines;
        for (const DrawCall& c : Frame(frame))
            if (c.kind == DrawCall::Kind::String && c.x == 66)
                lines.push_back(c.text);
        return lines;
    };
    const std::vector<std::string> bit0 = {
        "start: 0",    "end:   100 100", "20-11 23-00", "40-13 43-00", "60-15 63-00",
        "80-17 83-00", "A0-19 B0-0A/0A", "C0-0C",       "E0-01 E3-00", "extras: 1"};
    EXPECT_EQ(box(0), bit0);
    const std::vector<std::string> bit1 = {
        "start: 0",    "end:   100 100", "20-00 23-12", "40-00 43-14", "60-00 63-16",
        "80-00 83-18", "A0-19 B0-0A/0A", "C0-0C",       "E0-00 E3-02", "extras: 1"};
    EXPECT_EQ(box(1), bit1);         // the frequency written while both play is an extra of each
    std::vector<std::string> extras; // listed under the box, indented
    for (const DrawCall& c : Frame(0))
        if (c.kind == DrawCall::Kind::String && c.x == 74)
            extras.push_back(c.text);
    EXPECT_EQ(extras, (std::vector<std::string>{"A6-1A 50"})); // register, value, ticks in
    std::vector<float> rowsY;
    for (const DrawCall& c : Frame(0))
        if (c.kind == DrawCall::Kind::String && c.x == 66)
            rowsY.push_back(c.y);
    ASSERT_EQ(rowsY.size(), bit0.size());
    for (std::size_t i = 1; i < rowsY.size(); ++i)
        EXPECT_EQ(rowsY[i] - rowsY[i - 1], 16) << "line " << i << " of the box";
    const std::vector<std::string> bit4 = {
        "start: 0",    "end:   100 100", "20-21 23-22", "40-23 43-24", "60-25 63-26",
        "80-27 83-28", "A0-29 B0-0B/0B", "C0-0E",       "E0-03 E3-01", "extras: 0"};
    EXPECT_EQ(box(2), bit4);
}
