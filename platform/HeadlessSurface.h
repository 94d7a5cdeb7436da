// A surface without a window system, for batch programs: notices become lines on stderr.
#pragma once

#include "Surface.h"

// Windows exist only as a size; drawing does nothing; no key is ever
// pressed, and a window counts as closed at once so that no loop can wait for ever.
class HeadlessSurface : public Surface {
public:
    void SetTitle(const std::string& title) override { title_ = title; }
    int ScreenWidth() override { return 1280; }
    int ScreenHeight() override { return 1024; }
    void OpenWindow(int width, int height, int frameRate) override;
    int WindowWidth() override { return width_; }
    int WindowHeight() override { return height_; }
    void CloseWindow() override {}
    void Cls() override {}
    void SetColor(int, int, int) override {}
    void DrawRect(float, float, float, float) override {}
    void DrawString(const std::string&, float, float) override {}
    void Flip() override {}
    int KeyPresses(int) override { return 0; }
    int KeyHeld(int) override { return 0; }
    void ClearKeys() override {}
    int PointerX() override { return 0; }
    int PointerY() override { return 0; }
    int CloseRequested() override { return 1; }
    // Writes the notice as one line on standard error (line breaks become spaces).
    void Notify(const std::string& text, int warning) override;
    std::string RequestFile(const std::string&, const std::string&, int,
                            const std::string&) override {
        return std::string();
    }

private:
    std::string title_;
    int width_ = 0;
    int height_ = 0;
};
