// A surface driven by a script, for tests: queued input per frame, recorded draw calls, notices.
#pragma once

#include "Surface.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What the user does during one frame: where the pointer is while the frame is drawn, and the
// keys pressed and held when the frame has been shown (read after its Flip).
struct ScriptedFrame {
    int pointerX = -1000;
    int pointerY = -1000;
    std::vector<int> presses;
    std::vector<int> held;
    bool closeRequest = false;
};

// One recorded drawing operation, with the colour in force when it was made.
struct DrawCall {
    enum class Kind { Rect, String };
    Kind kind = Kind::Rect;
    float x = 0, y = 0, width = 0, height = 0;
    std::string text;
    int red = 255, green = 255, blue = 255;
};

class ScriptedSurface : public Surface {
public:
    ScriptedSurface(int screenWidth = 1080, int screenHeight = 880)
        : screenWidth_(screenWidth), screenHeight_(screenHeight) {}

    // --- the script ---
    // Frames of each window to be opened, one script per window, taken in order by OpenWindow.
    // A window whose script runs out is closed as if by the user.
    std::deque<std::vector<ScriptedFrame>> scripts;
    std::deque<std::string> fileAnswers; // answers of RequestFile, "" once exhausted

    // --- what happened ---
    std::string title;
    std::vector<std::string> notices;          // Notify texts, in order
    std::vector<std::vector<DrawCall>> frames; // draw calls of every shown frame
    int windowsOpened = 0;
    int windowsClosed = 0;
    int clearKeysCalls = 0;
    int frameRate = 0, sampleRate = 0;
    std::int64_t queuedSamples = 0, playedSamples = 0;
    bool soundDevice = true; // false: queueing samples fails as without a device

    void SetTitle(const std::string& text) override { title = text; }
    int ScreenWidth() override { return screenWidth_; }
    int ScreenHeight() override { return screenHeight_; }
    void OpenWindow(int width, int height, int frameRate) override;
    int WindowWidth() override { return width_; }
    int WindowHeight() override { return height_; }
    void CloseWindow() override;
    void Cls() override { current_.clear(); }
    void SetColor(int red, int green, int blue) override;
    void DrawRect(float x, float y, float width, float height) override;
    void DrawString(const std::string& text, float x, float y) override;
    void Flip() override;
    int KeyPresses(int key) override;
    int KeyHeld(int key) override;
    void ClearKeys() override;
    int PointerX() override;
    int PointerY() override;
    int CloseRequested() override;
    void Notify(const std::string& text, int) override { notices.push_back(text); }
    std::string RequestFile(const std::string& title, const std::string& filter, int save,
                            const std::string& startPath) override;
    // A sound device that hears a frame's worth of the queued samples at each Flip.
    bool QueueSamples(const std::int16_t*, std::size_t count, int rate) override;
    std::int64_t PlayedSamples() override { return playedSamples; }
    void StopSamples() override { queuedSamples = playedSamples = 0; }

private:
    const ScriptedFrame* FrameAt(std::size_t index) const;

    int screenWidth_, screenHeight_;
    int width_ = 0, height_ = 0;
    int red_ = 255, green_ = 255, blue_ = 255;
    std::vector<ScriptedFrame> script_; // frames of the open window
    std::size_t flips_ = 0;             // frames shown in the open window
    bool closeReported_ = false;
    std::vector<DrawCall> current_; // draw calls since the last Cls
    std::map<int, int> pressed_;
    std::vector<int> held_;
};

// A scripted surface installed for the lifetime of the object; the previous surface comes back.
class ScriptedScreen {
public:
    explicit ScriptedScreen(int screenWidth = 1080, int screenHeight = 880) {
        auto surface = std::make_unique<ScriptedSurface>(screenWidth, screenHeight);
        surface_ = surface.get();
        previous_ = InstallSurface(std::move(surface));
    }
    ~ScriptedScreen() { InstallSurface(std::move(previous_)); }
    ScriptedScreen(const ScriptedScreen&) = delete;
    ScriptedScreen& operator=(const ScriptedScreen&) = delete;
    ScriptedSurface* operator->() { return surface_; }
    ScriptedSurface& operator*() { return *surface_; }

private:
    ScriptedSurface* surface_;
    std::unique_ptr<Surface> previous_;
};
