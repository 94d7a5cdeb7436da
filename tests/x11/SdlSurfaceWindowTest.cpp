// The SDL backend in a real X server: what it draws, the keys and close requests it reports,
// its message box and its file dialog fallback.
#include "Font.h"
#include "XHarness.h"

#include <gtest/gtest.h>

namespace {

const std::string ProbeTitle = "Surface probe (test)";
const x11::Rgb Black{0, 0, 0}, Red{255, 0, 0}, Green{0, 255, 0}, Blue{0, 0, 255},
    Yellow{255, 255, 0};

// Pixels of the probe's scene: filled rectangles clipped at the window's edges, and text.
void CheckScene(const x11::Image& image) {
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 240);
    // The red rectangle covers x 10..59, y 20..49 and nothing around it.
    EXPECT_EQ(image.At(10, 20), Red);
    EXPECT_EQ(image.At(59, 49), Red);
    EXPECT_EQ(image.At(9, 20), Black);
    EXPECT_EQ(image.At(10, 19), Black);
    EXPECT_EQ(image.At(60, 49), Black);
    EXPECT_EQ(image.At(59, 50), Black);
    // Rectangles reaching past the edges are cut at them.
    EXPECT_EQ(image.At(300, 200), Green);
    EXPECT_EQ(image.At(319, 239), Green);
    EXPECT_EQ(image.At(299, 239), Black);
    EXPECT_EQ(image.At(0, 100), Blue);
    EXPECT_EQ(image.At(19, 109), Blue);
    EXPECT_EQ(image.At(20, 100), Black);
    // "Hg@" at (100, 60): every pixel of each 8 x 16 cell is ink exactly where the glyph has it.
    const std::string text = "Hg@";
    int wrong = 0, ink = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (int y = 0; y < FontCellHeight; ++y) {
            for (int x = 0; x < FontCellWidth; ++x) {
                const bool set = GlyphPixel(text[i], x, y);
                const x11::Rgb seen = image.At(100 + 8 * static_cast<int>(i) + x, 60 + y);
                ink += set;
                wrong += seen != (set ? Yellow : Black);
            }
        }
    }
    EXPECT_GT(ink, 40);
    EXPECT_EQ(wrong, 0) << "text pixels differ from the font";
    EXPECT_EQ(image.At(99, 60), Black);
    EXPECT_EQ(image.At(124, 75), Black);
}

class SdlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        IMF_REQUIRE_X11();
        server_ = std::make_unique<x11::XServer>();
        ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
    }
    std::unique_ptr<x11::XServer> server_;
};

TEST_F(SdlWindowTest, DrawsReadsKeysClosesOnRequestAndNotifies) {
    const auto result = x11::RunWithWindows(
        *server_, {SURFACE_PROBE, "scene"}, ProbeTitle, [](x11::Window& window) {
            if (window.Index() == 0) {
                ASSERT_TRUE(window.WaitForOutput("drawn\n"));
                CheckScene(window.Screenshot());

                window.Key("Escape");
                EXPECT_TRUE(window.WaitForOutput("press 27 1\n"));
                window.Key("space space KP_Add");
                EXPECT_TRUE(window.WaitForOutput("press 107 1\n"));
                window.Key("Tab");
                EXPECT_TRUE(window.WaitForOutput("press 32 2\n"));
                window.KeyDown("a");
                EXPECT_TRUE(window.WaitForOutput("held 65\n"));
                window.KeyUp("a");
                EXPECT_TRUE(window.WaitForOutput("released 65\n"));

                window.MovePointer(30, 40);
                window.Key("m");
                EXPECT_TRUE(window.WaitForOutput("pointer 30 40\n"));
                window.MovePointer(350, 260); // beyond the bottom right corner
                window.Key("m");
                EXPECT_TRUE(window.WaitForOutput("pointer 350 260\n"));

                window.RequestClose();
                EXPECT_TRUE(window.WaitForOutput("close again"));
                EXPECT_TRUE(window.WaitClosed());
            } else if (window.Index() == 1) {
                // The notice box, shown after the main window has gone.
                EXPECT_EQ(window.Output().find("notified"), std::string::npos);
                window.Key("Return");
                EXPECT_TRUE(window.WaitForOutput("notified\n"));
            }
        });
    EXPECT_EQ(result.exitStatus, 0) << result.err << " server " << server_->Display();
    EXPECT_EQ(result.windows, 2);
    EXPECT_EQ(result.out, "screen 1280 1024\n"
                          "window 320 240\n"
                          "drawn\n"
                          "press 27 1\n"
                          "press 107 1\n"
                          "press 32 2\n"
                          "press 65 1\n"
                          "held 65\n"
                          "released 65\n"
                          "pointer 30 40\n"
                          "pointer 350 260\n"
                          "close 1\n"
                          "close again 0\n"
                          "notified\n");
}

TEST_F(SdlWindowTest, NoticeBoxAlsoLeavesWithEscape) {
    const auto result = x11::RunWithWindows(*server_, {SURFACE_PROBE, "scene"}, ProbeTitle,
                                            [](x11::Window& window) {
                                                if (window.Index() == 0) {
                                                    ASSERT_TRUE(window.WaitForOutput("drawn\n"));
                                                    window.RequestClose();
                                                } else {
                                                    window.Key("Escape");
                                                }
                                            });
    EXPECT_EQ(result.exitStatus, 0) << result.err << result.out;
    EXPECT_NE(result.out.find("close 1\nclose again 0\nnotified\n"), std::string::npos);
}

TEST_F(SdlWindowTest, FileRequestWithoutDialogProgramTellsUserToPassTheFile) {
    const auto result =
        x11::Run(*server_, {"env", "PATH=/nonexistent", SURFACE_PROBE, "dialog"}, 20);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "[]\n");
    EXPECT_EQ(result.err, "No file dialog available (install zenity or kdialog); "
                          "pass the file as the first argument.\n");
}

TEST_F(SdlWindowTest, TimeLimitEndsEvenAProgramThatIgnoresTermination) {
    // Like SDL inside a message box: SIGTERM changes nothing, only SIGKILL ends it.
    const auto result = x11::Run(
        *server_, {"sh", "-c", "trap '' TERM; echo started; while :; do sleep 0.2; done"}, 1);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 137);
    EXPECT_EQ(result.out, "started\n");
}

TEST(PpmTest, ParsesHeaderWithCommentAndRejectsShortData) {
    const std::string pixels("\xff\x00\x00\x00\x00\xff", 6);
    const auto image = x11::ParsePpm("P6\n# made by a test\n2 1\n255\n" + pixels);
    ASSERT_EQ(image.width, 2);
    EXPECT_EQ(image.At(0, 0), (x11::Rgb{255, 0, 0}));
    EXPECT_EQ(image.At(1, 0), (x11::Rgb{0, 0, 255}));
    EXPECT_EQ(x11::ParsePpm("P6\n2 1\n255\n\xff").width, 0);
    EXPECT_EQ(x11::ParsePpm("P5\n2 1\n255\n" + pixels).width, 0);
}

} // namespace
