#include "HeadlessSurface.h"
#include "Keys.h"
#include "ScriptedSurface.h"

#include <gtest/gtest.h>

TEST(ScriptedSurface, DeliversScriptedInputAfterEachFrameAndClosesWhenExhausted) {
    ScriptedSurface surface;
    ScriptedFrame first;
    first.pointerX = 10;
    first.pointerY = 20;
    first.presses = {Key::Tab, Key::Tab};
    first.held = {Key::Right};
    surface.scripts.push_back({first, ScriptedFrame{}});
    surface.OpenWindow(100, 50, 60);
    EXPECT_EQ(surface.PointerX(), 10);
    surface.SetColor(1, 2, 3);
    surface.DrawRect(1, 2, 3, 4);
    surface.Flip();
    EXPECT_EQ(surface.CloseRequested(), 0);
    EXPECT_EQ(surface.KeyPresses(Key::Tab), 2);
    EXPECT_EQ(surface.KeyPresses(Key::Tab), 0);
    EXPECT_EQ(surface.KeyHeld(Key::Right), 1);
    ASSERT_EQ(surface.frames.size(), 1u);
    EXPECT_EQ(surface.frames[0][0].red, 1);
    surface.Cls();
    surface.Flip();
    EXPECT_EQ(surface.KeyHeld(Key::Right), 0);
    EXPECT_EQ(surface.CloseRequested(), 0);
    surface.Flip();
    EXPECT_EQ(surface.CloseRequested(), 1);
    EXPECT_EQ(surface.CloseRequested(), 0);
    EXPECT_TRUE(surface.frames[1].empty());
}

TEST(HeadlessSurface, NotifyWritesOneLineOnStandardError) {
    HeadlessSurface surface;
    testing::internal::CaptureStderr();
    surface.Notify("optimization ADDED 3 instructions\n--CANCELED--", 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "optimization ADDED 3 instructions --CANCELED--\n");
    EXPECT_EQ(surface.RequestFile("Open IMF or KMF file...", "", 0, ""), "");
}
