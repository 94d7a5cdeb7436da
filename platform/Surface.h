// The display and input surface: one window, filled rectangles, text, polled input, dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Everything the system needs from a window system. Coordinates are client-area pixels, origin
// top left; colours are opaque 0..255 components; keys are Windows virtual-key codes (Keys.h).
// Every input query first processes the window's pending events.
class Surface {
public:
    virtual ~Surface() = default;

    // The caption of windows and message boxes.
    virtual void SetTitle(const std::string& title) = 0;

    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    // Opens a window (closing one still open) with the given client size; white drawing colour.
    virtual void OpenWindow(int width, int height, int frameRate) = 0;
    virtual int WindowWidth() = 0;
    virtual int WindowHeight() = 0;
    virtual void CloseWindow() = 0;

    virtual void Cls() = 0;
    virtual void SetColor(int red, int green, int blue) = 0;
    virtual void DrawRect(float x, float y, float width, float height) = 0;
    virtual void DrawString(const std::string& text, float x, float y) = 0;
    // Shows the frame and waits until the next one is due.
    virtual void Flip() = 0;

    // Presses since the last call for that key or ClearKeys; resets the count.
    virtual int KeyPresses(int key) = 0;
    virtual int KeyHeld(int key) = 0;
    virtual void ClearKeys() = 0;
    virtual int PointerX() = 0;
    virtual int PointerY() = 0;
    // 1 once after the user asked to close the window, then 0.
    virtual int CloseRequested() = 0;

    // A modal message box; returns when dismissed. Flag 0: information, 1: warning.
    virtual void Notify(const std::string& text, int warning) = 0;
    // A file dialog; the chosen path, or "" when cancelled.
    virtual std::string RequestFile(const std::string& title, const std::string& filter, int save,
                                    const std::string& startPath) = 0;

    // Sound: one stream of mono 16-bit samples. QueueSamples appends samples to the stream,
    // starting it when nothing plays; it returns false when there is no audio device, and then
    // nothing is heard. Backends without sound keep these defaults.
    virtual bool QueueSamples(const std::int16_t* /*samples*/, std::size_t /*count*/,
                              int /*sampleRate*/) {
        return false;
    }
    // Samples of the stream heard since it started; 0 when nothing plays.
    virtual std::int64_t PlayedSamples() { return 0; }
    // Stops the stream and drops what is still queued.
    virtual void StopSamples() {}
};

// The installed backend: the one piece of global state of the system. Until a program installs
// another, a headless surface is in place (no windows; notices go to standard error).
Surface& Screen();
// Installs a backend and returns the one it replaces.
std::unique_ptr<Surface> InstallSurface(std::unique_ptr<Surface> surface);
