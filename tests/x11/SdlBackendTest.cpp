// The SDL backend's parts that need no display: key translation, frame pacing, the embedded
// font and the file dialog's use of the desktop's dialog programs.
#include "FileDialog.h"
#include "Font.h"
#include "FramePacer.h"
#include "Keys.h"
#include "SdlKeyMap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

TEST(SdlKeyMapTest, KeysTheViewerReadsHaveTheirVirtualKeyCodes) {
    const std::pair<const char*, int> keys[] = {
        {"Escape", Key::Escape},
        {"Tab", Key::Tab},
        {"Home", Key::Home},
        {"End", Key::End},
        {"Left", Key::Left},
        {"Up", Key::Up},
        {"Right", Key::Right},
        {"Down", Key::Down},
        {"Space", Key::Space},
        {"Keypad +", Key::KeypadPlus},
        {"Keypad -", Key::KeypadMinus},
        {"Keypad *", Key::KeypadMultiply},
        {"F1", Key::F1},
        {"F12", Key::F12},
    };
    for (const auto& [name, code] : keys)
        EXPECT_EQ(VirtualKeyFromSdlName(name), code) << name;
}

TEST(SdlKeyMapTest, LettersDigitsAndOtherKeysFollowTheWindowsNumbering) {
    EXPECT_EQ(VirtualKeyFromSdlName("A"), 'A');
    EXPECT_EQ(VirtualKeyFromSdlName("Z"), 'Z');
    EXPECT_EQ(VirtualKeyFromSdlName("0"), '0');
    EXPECT_EQ(VirtualKeyFromSdlName("9"), '9');
    EXPECT_EQ(VirtualKeyFromSdlName("Return"), 13);
    EXPECT_EQ(VirtualKeyFromSdlName("Keypad Enter"), 13);
    EXPECT_EQ(VirtualKeyFromSdlName("Backspace"), 8);
    EXPECT_EQ(VirtualKeyFromSdlName("PageUp"), 33);
    EXPECT_EQ(VirtualKeyFromSdlName("PageDown"), 34);
    EXPECT_EQ(VirtualKeyFromSdlName("Delete"), 46);
    EXPECT_EQ(VirtualKeyFromSdlName("Keypad 0"), 96);
    EXPECT_EQ(VirtualKeyFromSdlName("Keypad 9"), 105);
    EXPECT_EQ(VirtualKeyFromSdlName("Left Shift"), 16);
    EXPECT_EQ(VirtualKeyFromSdlName("Right Ctrl"), 17);
    for (int f = 1; f <= 12; ++f)
        EXPECT_EQ(VirtualKeyFromSdlName(std::string("F").append(std::to_string(f))),
                  Key::F1 + f - 1);
    // Keys the system never reads count as no key rather than as some other key.
    EXPECT_EQ(VirtualKeyFromSdlName("AudioPlay"), 0);
    EXPECT_EQ(VirtualKeyFromSdlName("no such key"), 0);
}

TEST(FramePacerTest, SixtyFramesASecondCarryTheRemainder) {
    FramePacer pacer;
    pacer.Start(60, 1000);
    // Drawn at once each time: waits of 16 ms plus 1 ms whenever 40/60 ms have gathered.
    std::uint64_t now = 1000;
    std::vector<std::uint64_t> waits;
    for (int frame = 0; frame < 60; ++frame) {
        const std::uint64_t wait = pacer.Wait(now);
        waits.push_back(wait);
        now += wait;
    }
    EXPECT_EQ(now, 2000u) << "60 frames take one second exactly";
    EXPECT_EQ(std::vector<std::uint64_t>(waits.begin(), waits.begin() + 6),
              (std::vector<std::uint64_t>{16, 17, 17, 16, 17, 17}));
}

TEST(FramePacerTest, LateFrameDoesNotWaitAndTheNextCountsFromIt) {
    FramePacer pacer;
    pacer.Start(50, 0);
    EXPECT_EQ(pacer.Wait(5), 15u);   // due at 20
    EXPECT_EQ(pacer.Wait(100), 0u);  // due at 40: late
    EXPECT_EQ(pacer.Wait(110), 10u); // due 20 ms after the late frame was shown, at 120
    EXPECT_EQ(pacer.Wait(140), 0u);  // exactly due: no wait
}

TEST(FontTest, EveryPrintableCharacterHasItsOwnGlyphInsideTheCell) {
    std::set<FontGlyph> seen;
    for (char c = 33; c < 127; ++c) {
        const FontGlyph& glyph = GlyphOf(c);
        int ink = 0;
        for (std::uint8_t row : glyph)
            ink += row != 0;
        EXPECT_GT(ink, 0) << "no ink in '" << c << "'";
        EXPECT_TRUE(seen.insert(glyph).second) << "'" << c << "' looks like another character";
    }
    for (std::uint8_t row : GlyphOf(' '))
        EXPECT_EQ(row, 0);
    EXPECT_EQ(GlyphOf('\n'), GlyphOf('?'));
    EXPECT_EQ(GlyphOf(static_cast<char>(200)), GlyphOf('?'));
}

// Fake dialog programs in a folder that replaces the PATH for the test.
class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        setenv("PATH", dir_.path().c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    // A program that records its arguments, one a line, prints the answer and exits so.
    void FakeProgram(const std::string& name, const std::string& answer, int status) {
        const auto file = dir_.path() / name;
        std::ofstream(file) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \""
                            << (dir_.path() / "args").string() << "\"\nprintf '" << answer
                            << "'\nexit " << status << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    std::string Args() {
        std::ifstream in(dir_.path() / "args");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testsupport::TempDir dir_;
    std::string savedPath_;
};

TEST_F(FileDialogTest, ZenityAnswerIsTheChosenPath) {
    FakeProgram("zenity", "/songs/my song.imf\\n", 0);
    FakeProgram("kdialog", "/wrong.imf\\n", 0);
    EXPECT_EQ(RunFileDialog("Open IMF or KMF file...", "", 0, ""), "/songs/my song.imf");
    EXPECT_EQ(Args(), "--file-selection\n--title=Open IMF or KMF file...\n");
}

TEST_F(FileDialogTest, CancelGivesTheEmptyPath) {
    FakeProgram("zenity", "", 1);
    EXPECT_EQ(RunFileDialog("Open IMF or KMF file...", "", 0, ""), "");
}

TEST_F(FileDialogTest, KdialogServesWhenZenityIsMissing) {
    FakeProgram("kdialog", "/songs/b.kmf\\n", 0);
    EXPECT_EQ(RunFileDialog("Open IMF or KMF file...", "", 0, ""), "/songs/b.kmf");
    EXPECT_EQ(Args(), "--title\nOpen IMF or KMF file...\n--getopenfilename\n.\n");
}

TEST_F(FileDialogTest, WithoutDialogProgramsTheUserIsToldOnce) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunFileDialog("Open IMF or KMF file...", "", 0, ""), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "No file dialog available (install zenity or kdialog); "
              "pass the file as the first argument.\n");
}

} // namespace
