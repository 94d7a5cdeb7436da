// The three viewer windows over the demo song, driven through every key, each frame's drawing
// logged and compared with tests/viewer/viewer_session.txt.
#include "ImfFile.h"
#include "Keys.h"
#include "NoteViewer.h"
#include "ScriptedSurface.h"
#include "SongFormats.h"
#include "SplitTracks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {
ScriptedFrame Press(int key, int x = -1000, int y = -1000) {
    return ScriptedFrame{x, y, {key}, {}, false};
}
ScriptedFrame Hold(int key) {
    return ScriptedFrame{-1000, -1000, {}, {key}, false};
}
ScriptedFrame Pointer(int x, int y) {
    return ScriptedFrame{x, y, {}, {}, false};
}

// The pointer over the first rows and the status line, every key of the viewer once or more,
// the song played with a row muted, and Escape.
std::vector<ScriptedFrame> EveryKey() {
    // The pointer over the first rows and the status line, then on and beside the edges of the
    // second bar of the first row.
    std::vector<ScriptedFrame> frames;
    for (auto [x, y] : {std::pair{10, 5},
                        {60, 35},
                        {200, 65},
                        {990, 95},
                        {400, 150},
                        {30, 15},
                        {31, 15},
                        {55, 24},
                        {56, 24},
                        {31, 25},
                        {31, 14}})
        frames.push_back(Pointer(x, y));
    for (ScriptedFrame frame : {Press(Key::KeypadPlus), Press(Key::KeypadPlus), Hold(Key::Right),
                                Hold(Key::Right), Hold(Key::Left)})
        frames.push_back(frame);
    for (int key : {Key::KeypadMinus, Key::Tab, Key::End, Key::Home, Key::Down, Key::Down,
                    Key::Down, Key::Up, Key::Up, Key::Up, Key::Up, Key::F1, Key::KeypadMinus,
                    Key::KeypadMinus, Key::KeypadMultiply, Key::Tab})
        frames.push_back(Press(key, 120, 40));
    frames.push_back(Press(Key::Space));
    frames.push_back(Press('2'));
    frames.push_back(ScriptedFrame{});
    frames.push_back(Press(Key::Space));
    frames.push_back(Press(Key::Escape));
    return frames;
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// A frame's rectangles grouped by their top, height and colour, one line per group listing
// each as x+width, in drawing order; then its texts. A frame drawn as the one before it is said
// so in one line.
std::string FrameText(const std::vector<DrawCall>& frame) {
    std::vector<std::string> heads;
    std::map<std::string, std::string> groups;
    std::string texts;
    for (const DrawCall& c : frame) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "%02x%02x%02x", c.red, c.green, c.blue);
        if (c.kind == DrawCall::Kind::String) {
            texts += "S " + Number(c.x) + " " + Number(c.y) + " " + colour + " " + c.text + "\n";
            continue;
        }
        const std::string head = "R y " + Number(c.y) + " h " + Number(c.height) + " " + colour;
        if (!groups.contains(head))
            heads.push_back(head);
        groups[head].append(" ").append(Number(c.x)).append("+").append(Number(c.width));
    }
    std::string text;
    for (const std::string& head : heads)
        text += head + ":" + groups[head] + "\n";
    return text + texts;
}

void LogFrames(std::ostringstream& log, const std::string& window, ScriptedSurface& screen) {
    std::string before;
    for (std::size_t f = 0; f < screen.frames.size(); ++f) {
        const std::string text = FrameText(screen.frames[f]);
        log << window << " frame " << f << (text == before ? ": as before\n" : "\n");
        if (text != before)
            log << text;
        before = text;
    }
    for (const std::string& notice : screen.notices)
        log << window << " notice: " << notice << "\n";
    screen.frames.clear();
    screen.notices.clear();
}
} // namespace

TEST(ViewerSession, EveryKeyInTheThreeWindowsOfTheDemoSong) {
    TImfSong song;
    LoadFile(song, std::string(IMF_SOURCE_DIR) + "/demo/demo.imf");
    ScriptedScreen scripted(1080, 300); // a window of 1000 x 220: twelve rows
    std::ostringstream log;
    scripted->scripts.push_back(EveryKey());
    View(song, 560);
    LogFrames(log, "channels", *scripted);
    scripted->scripts.push_back(EveryKey());
    ViewNotes(song, 560);
    LogFrames(log, "voices", *scripted);
    scripted->scripts.push_back(EveryKey());
    ViewTracks(SplitIntoTracks(song, 1));
    LogFrames(log, "tracks", *scripted);
    EXPECT_EQ(testsupport::DifferenceFromLog(log.str(), "tests/viewer/viewer_session.txt"), "");
}
