#include "NoteViewer.h"

#include "ImfError.h"
#include "Keys.h"
#include "RegisterMap.h"
#include "Surface.h"
#include "WriteOrder.h"

#include <algorithm>
#include <limits>
#include <string>

namespace {

constexpr int kRowPitch = 15;     // rows are this far apart, from y = 0
constexpr int kBarHeight = 10;    // a bar fills the top of its row band
constexpr int kStatusHeight = 16; // the start tick S at the bottom of the window
constexpr int kBoxWidth = 150;
constexpr int kBoxHeight = 300;
constexpr int kLinePitch = 16;
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int32_t>::max();
// The line at the tick being heard, and the bottom line's notice when nothing can be heard
// (right of the start tick, which takes at most 11 characters).
struct Colour {
    int red, green, blue;
};
constexpr Colour kPlaybackLine = {0, 255, 0};
constexpr Colour kMutedBar = {128, 128, 128};
constexpr const char* kNoAudioDevice = "no audio device: playing silently";
constexpr float kStatusNoticeX = 12 * 8;

// Sums and products are formed in 64 bits and brought back into the 32-bit range, so that the
// result is the plain 32-bit one wherever that does not overflow.
std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), kMaxTicks));
}

// (length + W - 1) / W, at least 1: the scale that fits the whole song into the width.
std::int32_t FittingScale(std::int32_t length, std::int32_t width) {
    return std::max<std::int32_t>(1, Clamp32((std::int64_t{length} + width - 1) / width));
}

void UpdateScrollLimit(TViewerState& state) {
    state.scrollLimit =
        Clamp32(std::int64_t{state.length} - std::int64_t{state.width} * state.ticksPerPixel);
}

// The pixel column of a tick; division truncates towards zero.
std::int64_t TickToX(std::int32_t tick, const TViewerState& state) {
    return (std::int64_t{tick} - state.start) / state.ticksPerPixel;
}

std::string Hex(unsigned value) {
    return RegHex(static_cast<std::uint8_t>(value & 0xFF));
}
std::string Dec(std::int64_t value) {
    return std::to_string(value);
}

void SetWhite() {
    Screen().SetColor(255, 255, 255);
}

// The register settings of the hovered note, in a grey box beside the pointer, moved inside
// the window near its right and bottom edges; the extras list may run on below the box.
void DrawInfoBox(const TNote& note, const TViewerState& state, int px, int py) {
    Surface& screen = Screen();
    int x = px + 16;
    int y = py;
    if (x + kBoxWidth > state.width)
        x = state.width - kBoxWidth;
    if (y + kBoxHeight > state.height)
        y = state.height - kBoxHeight;
    screen.SetColor(85, 85, 85);
    screen.DrawRect(x, y, kBoxWidth, kBoxHeight);
    SetWhite();
    const TTimbre& t = note.timbre;
    const std::string lines[] = {
        "start: " + Dec(note.starttime),
        "end:   " + Dec(note.endtime) + " " + Dec(std::int64_t{note.endtime} - note.starttime),
        "20-" + Hex(t.r20) + " 23-" + Hex(t.r23),
        "40-" + Hex(t.r40) + " 43-" + Hex(t.r43),
        "60-" + Hex(t.r60) + " 63-" + Hex(t.r63),
        "80-" + Hex(t.r80) + " 83-" + Hex(t.r83),
        "A0-" + Hex(t.rA0) + " B0-" + Hex(note.startval) + "/" + Hex(note.endval),
        "C0-" + Hex(t.rC0),
        "E0-" + Hex(t.rE0) + " E3-" + Hex(t.rE3),
        "extras: " + Dec(static_cast<std::int64_t>(note.extras.size())),
    };
    int lineY = y;
    for (const std::string& line : lines) {
        screen.DrawString(line, x, lineY);
        lineY += kLinePitch;
    }
    for (const InstructionRef& extra : note.extras) { // on below the ten lines
        if (!extra)
            continue;
        screen.DrawString(Hex(extra->reg) + "-" + Hex(extra->val) + " " +
                              Dec(std::int64_t{extra->globaltime} - note.starttime),
                          x + 8, lineY);
        lineY += kLinePitch;
    }
}

// Draws the visible part of one row at y; sets `hovered` to the last note under the pointer.
void DrawRow(const TNoteList& row, const TViewerState& state, int y, int px, int py, bool muted,
             const TNote*& hovered) {
    Surface& screen = Screen();
    // The first note is compared with an all-undefined timbre; notes left of the window still
    // take their turn, so a bar's height does not depend on scrolling.
    TTimbre previous;
    previous.InitUndefined();
    for (const NoteRef& note : row) {
        if (!note)
            continue;
        std::int64_t x1 = TickToX(note->starttime, state);
        std::int64_t x2 = TickToX(note->endtime, state);
        if (x2 < 0) {
            previous = note->timbre;
            continue;
        }
        if (x1 <= px && px <= x2 && y <= py && py < y + kBarHeight)
            hovered = note.get();
        float width = static_cast<float>(std::max<std::int64_t>(x2 - x1, 1));
        if (muted)
            screen.SetColor(kMutedBar.red, kMutedBar.green, kMutedBar.blue);
        else if (!note->extras.empty())
            screen.SetColor(85, 85, 255);
        if (state.difference) {
            int h = previous.Diff(note->timbre, 1) + 1;
            screen.DrawRect(static_cast<float>(x1), static_cast<float>(y + 5 - h / 2), width,
                            static_cast<float>(h));
            previous = note->timbre;
        } else {
            screen.DrawRect(static_cast<float>(x1), static_cast<float>(y), width, kBarHeight);
        }
        screen.SetColor(255, 0, 0);
        screen.DrawRect(static_cast<float>(x1), static_cast<float>(y + 4), 1, 2);
        SetWhite();
        if (x2 >= state.width)
            break;
    }
}

// Notes in all rows whose start equals their end.
int CountZeroLengthNotes(const TNoteRows& rows) {
    int count = 0;
    for (const TNoteList& row : rows)
        for (const NoteRef& note : row)
            if (note && note->starttime == note->endtime)
                ++count;
    return count;
}
} // namespace

TViewerState InitialViewerState(std::int32_t width, std::int32_t height, std::size_t rowCount,
                                std::int32_t length) {
    TViewerState state;
    state.width = std::max<std::int32_t>(width, 1); // a zero-width window must not divide by 0
    state.height = height;
    state.length = length;
    state.ticksPerPixel = FittingScale(length, state.width);
    UpdateScrollLimit(state);
    std::int64_t visibleRows = (std::int64_t{height} - kStatusHeight) / kRowPitch;
    state.lastFirstRow =
        Clamp32(std::max<std::int64_t>(0, static_cast<std::int64_t>(rowCount) - visibleRows));
    return state;
}

const TNote* DrawNoteFrame(const TNoteRows& rows, const TViewerState& state, int px, int py) {
    Surface& screen = Screen();
    const TNote* hovered = nullptr;
    screen.Cls();
    SetWhite();
    screen.DrawString(Dec(state.start), 0, static_cast<float>(state.height - kStatusHeight));
    int y = 0;
    int counter = 0;
    for (const TNoteList& row : rows) {
        ++counter;
        if (counter <= state.firstRow)
            continue;
        std::size_t index = static_cast<std::size_t>(counter - 1);
        DrawRow(row, state, y, px, py, index < state.mutedRows.size() && state.mutedRows[index],
                hovered);
        y += kRowPitch;
        if (y >= state.height - kStatusHeight)
            break;
    }
    if (hovered)
        DrawInfoBox(*hovered, state, px, py);
    return hovered;
}

bool HandleViewerKeys(const TNoteRows& rows, TViewerState& state) {
    Surface& screen = Screen();
    const std::int64_t step = std::int64_t{10} * state.ticksPerPixel;
    if (screen.KeyHeld(Key::Left) && state.start > 0)
        state.start = Clamp32(std::max<std::int64_t>(0, state.start - step));
    if (screen.KeyHeld(Key::Right) && state.start < state.scrollLimit)
        state.start = Clamp32(state.start + step);
    if (screen.KeyPresses(Key::Up) > 0 && state.firstRow > 0)
        --state.firstRow;
    if (screen.KeyPresses(Key::Down) > 0 && state.firstRow < state.lastFirstRow)
        ++state.firstRow;
    if (screen.KeyPresses(Key::KeypadMinus) > 0) {
        // Zooming out stops where twice the scale across the window, W * 2T, would pass the
        // largest 32-bit integer: T and L then stay positive 32-bit numbers. The window shows
        // about 2^31 ticks at that point, far beyond the length of any song.
        if (std::int64_t{state.width} * 2 * state.ticksPerPixel <= kMaxTicks)
            state.ticksPerPixel *= 2;
        UpdateScrollLimit(state);
    }
    if (screen.KeyPresses(Key::KeypadPlus) > 0) {
        state.ticksPerPixel = std::max<std::int32_t>(1, state.ticksPerPixel / 2);
        UpdateScrollLimit(state);
    }
    if (screen.KeyPresses(Key::Home) > 0)
        state.start = 0;
    if (screen.KeyPresses(Key::End) > 0)
        state.start = std::max<std::int32_t>(0, state.scrollLimit);
    if (screen.KeyPresses(Key::KeypadMultiply) > 0) {
        state.start = 0;
        state.ticksPerPixel = FittingScale(state.length, state.width);
        UpdateScrollLimit(state);
    }
    if (screen.KeyPresses(Key::F1) > 0) {
        screen.Notify("zero-length notes: " + Dec(CountZeroLengthNotes(rows)), 0);
        screen.ClearKeys();
    }
    if (screen.KeyPresses(Key::Tab) > 0)
        state.difference = !state.difference;
    if (screen.KeyPresses(Key::F12) > 0) {
        screen.CloseWindow();
        throw ImfError::Exit(0);
    }
    return screen.KeyPresses(Key::Escape) > 0;
}

namespace {
// While playing, the window follows the tick being heard: once it leaves the window, the
// window starts at it.
void FollowPlayback(TViewerState& state, std::int32_t tick) {
    std::int64_t span = std::int64_t{state.width} * state.ticksPerPixel;
    if (tick < state.start || tick >= state.start + span)
        state.start = tick;
}

// The thin line at the tick being heard, above the bottom line.
void DrawPlaybackLine(const TViewerState& state, std::int32_t tick) {
    Surface& screen = Screen();
    screen.SetColor(kPlaybackLine.red, kPlaybackLine.green, kPlaybackLine.blue);
    screen.DrawRect(static_cast<float>(TickToX(tick, state)), 0, 1,
                    static_cast<float>(state.height - kStatusHeight));
    SetWhite();
}
} // namespace

namespace {
// The digit keys 1 to 9 while the song plays: each mutes or unmutes the voices of the row shown
// at that place. Presses while it does not play are dropped.
void HandleMuteKeys(TViewerState& state, ViewerPlayback* playback,
                    const std::vector<VoiceSet>& rowVoices) {
    Surface& screen = Screen();
    for (int digit = 1; digit <= 9; ++digit) {
        // An even number of presses in one frame leaves the row as it was.
        if (screen.KeyPresses('0' + digit) % 2 == 0 || !playback || !playback->Playing())
            continue;
        std::size_t row = static_cast<std::size_t>(state.firstRow + digit - 1);
        if (row >= rowVoices.size() || rowVoices[row] == 0)
            continue;
        state.mutedRows.resize(rowVoices.size());
        state.mutedRows[row] = !state.mutedRows[row];
        VoiceSet muted = 0;
        for (std::size_t r = 0; r < rowVoices.size(); ++r)
            muted = static_cast<VoiceSet>(muted | (state.mutedRows[r] ? rowVoices[r] : 0));
        playback->SetMuted(muted);
    }
}
} // namespace

std::vector<VoiceSet> ChannelRowVoices() {
    std::vector<VoiceSet> voices = {static_cast<VoiceSet>(kAllVoices & ~0x1FF)};
    for (int channel = 0; channel < 9; ++channel)
        voices.push_back(static_cast<VoiceSet>(1u << channel));
    return voices;
}

std::vector<VoiceSet> VoiceRowVoices() {
    std::vector<VoiceSet> voices;
    for (int voice = 0; voice < 14; ++voice)
        voices.push_back(static_cast<VoiceSet>(1u << voice));
    return voices;
}

int ViewNoteLists(const TNoteRows& rows, std::int32_t length, ViewerPlayback* playback,
                  const std::vector<VoiceSet>& rowVoices) {
    Surface& screen = Screen();
    screen.OpenWindow(screen.ScreenWidth() - 80, screen.ScreenHeight() - 80, 60);
    TViewerState state =
        InitialViewerState(screen.WindowWidth(), screen.WindowHeight(), rows.size(), length);
    bool noDevice = false;
    for (;;) {
        int px = screen.PointerX();
        int py = screen.PointerY();
        if (playback && playback->Playing()) {
            playback->Feed();
            if (playback->Playing())
                FollowPlayback(state, playback->HeardTick());
        }
        DrawNoteFrame(rows, state, px, py);
        if (playback && playback->Playing())
            DrawPlaybackLine(state, playback->HeardTick());
        if (noDevice)
            screen.DrawString(kNoAudioDevice, kStatusNoticeX,
                              static_cast<float>(state.height - kStatusHeight));
        screen.Flip();
        bool escape = HandleViewerKeys(rows, state);
        HandleMuteKeys(state, playback, rowVoices);
        if (playback && screen.KeyPresses(Key::Space) > 0) {
            if (playback->Playing())
                playback->Stop();
            else
                noDevice = !playback->Start(state.start);
        }
        if (screen.CloseRequested() == 1 || escape)
            break;
    }
    if (playback)
        playback->Stop();
    screen.CloseWindow();
    return 0;
}

int View(const TImfSong& song, int tickRate) {
    std::int32_t length = 0;
    TNoteRows rows = ChannelRows(song, length);
    ViewerPlayback playback(MergeChannelLists(song), tickRate, length);
    return ViewNoteLists(rows, length, &playback, ChannelRowVoices());
}

int ViewNotes(const TImfSong& song, int tickRate) {
    std::int32_t length = 0;
    TNoteRows rows = VoiceRows(song, length);
    ViewerPlayback playback(MergeChannelLists(song), tickRate, length);
    return ViewNoteLists(rows, length, &playback, VoiceRowVoices());
}

int ViewTracks(const TTrackList& tracks) {
    std::int32_t length = 0;
    TNoteRows rows = TrackRows(tracks, length);
    return ViewNoteLists(rows, length);
}
