// The surface on SDL2: a real window drawn with SDL's renderer, keyboard and mouse from SDL's
// events, SDL's message box, and the desktop's file dialog.
#pragma once

#include "FramePacer.h"
#include "Surface.h"

#include <map>
#include <memory>
#include <set>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class SdlSurface : public Surface {
public:
    // Initialises SDL's video; raises "ERROR: cannot open a window: " + display + ": " and SDL's
    // reason when it cannot (`display` names what the environment asked for).
    explicit SdlSurface(const std::string& display);
    ~SdlSurface() override;
    SdlSurface(const SdlSurface&) = delete;
    SdlSurface& operator=(const SdlSurface&) = delete;

    void SetTitle(const std::string& title) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    void OpenWindow(int width, int height, int frameRate) override;
    int WindowWidth() override { return width_; }
    int WindowHeight() override { return height_; }
    void CloseWindow() override;

    void Cls() override;
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

    void Notify(const std::string& text, int warning) override;
    std::string RequestFile(const std::string& title, const std::string& filter, int save,
                            const std::string& startPath) override;

    bool QueueSamples(const std::int16_t* samples, std::size_t count, int sampleRate) override;
    std::int64_t PlayedSamples() override;
    void StopSamples() override;

private:
    void ProcessEvents();
    void ReadPointer();
    void CreateFontTexture();

    std::string title_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* font_ = nullptr;
    int width_ = 0, height_ = 0;
    int red_ = 255, green_ = 255, blue_ = 255;
    FramePacer pacer_;
    std::map<int, int> presses_;
    std::set<int> held_;
    int pointerX_ = 0, pointerY_ = 0;
    bool closeRequested_ = false;
    // The audio device, opened on the first sound at its rate (0: none open); a device that
    // cannot be opened is not asked for again.
    std::uint32_t audio_ = 0;
    int audioRate_ = 0;
    bool audioFailed_ = false;
    std::int64_t queuedSamples_ = 0; // samples queued since the stream started
};

// The SDL backend, ready to be installed with InstallSurface; null when the environment names no
// display (DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER, each unset or empty). Raises
// "ERROR: cannot open a window: ..." when none of the displays named can be opened.
std::unique_ptr<Surface> MakeSdlSurface();
