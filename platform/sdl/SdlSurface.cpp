#include "SdlSurface.h"

#include "FileDialog.h"
#include "Font.h"
#include "ImfError.h"
#include "SdlKeyMap.h"
#include "WindowPointer.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

SdlSurface::SdlSurface(const std::string& display) {
    // Frames are paced by Flip alone, never by the display's refresh.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    // SIGINT and SIGTERM end the program (EndOnInterrupt), not just the window SDL would close.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw ImfError("ERROR: cannot open a window: " + display + ": " + SDL_GetError());
}

SdlSurface::~SdlSurface() {
    CloseWindow();
    if (audio_ != 0) {
        SDL_CloseAudioDevice(audio_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlSurface::QueueSamples(const std::int16_t* samples, std::size_t count, int sampleRate) {
    if (audio_ != 0 && audioRate_ != sampleRate) {
        SDL_CloseAudioDevice(audio_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio_ = 0;
    }
    if (audio_ == 0 && !audioFailed_) {
        SDL_AudioSpec want{};
        want.freq = sampleRate;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 1024;
        // SDL converts to whatever the device plays, so the samples keep their own rate.
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            audio_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
            if (audio_ == 0)
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        audioFailed_ = audio_ == 0;
        audioRate_ = sampleRate;
        queuedSamples_ = 0;
    }
    if (audio_ == 0)
        return false;
    if (SDL_QueueAudio(audio_, samples, static_cast<std::uint32_t>(count * sizeof(std::int16_t))) !=
        0)
        return false;
    queuedSamples_ += static_cast<std::int64_t>(count);
    SDL_PauseAudioDevice(audio_, 0);
    return true;
}

std::int64_t SdlSurface::PlayedSamples() {
    if (audio_ == 0)
        return 0;
    return queuedSamples_ -
           static_cast<std::int64_t>(SDL_GetQueuedAudioSize(audio_) / sizeof(std::int16_t));
}

void SdlSurface::StopSamples() {
    if (audio_ == 0)
        return;
    SDL_PauseAudioDevice(audio_, 1);
    SDL_ClearQueuedAudio(audio_);
    queuedSamples_ = 0;
}

void SdlSurface::SetTitle(const std::string& title) {
    title_ = title;
    if (window_ != nullptr)
        SDL_SetWindowTitle(window_, title_.c_str());
}

int SdlSurface::ScreenWidth() {
    SDL_DisplayMode mode;
    return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.w : 0;
}

int SdlSurface::ScreenHeight() {
    SDL_DisplayMode mode;
    return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? mode.h : 0;
}

void SdlSurface::OpenWindow(int width, int height, int frameRate) {
    CloseWindow();
    // Created hidden and shown once it can be drawn in: making a renderer may replace the
    // window with a new one (for OpenGL), and nobody should see, or grab, the first.
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width, height, SDL_WINDOW_HIDDEN);
    if (window_ == nullptr)
        throw ImfError(std::string("ERROR: cannot open a window: ") + SDL_GetError());
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr)
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        const std::string reason = SDL_GetError();
        CloseWindow();
        throw ImfError("ERROR: cannot draw in a window: " + reason);
    }
    CreateFontTexture();
    SDL_ShowWindow(window_);
    width_ = width;
    height_ = height;
    red_ = green_ = blue_ = 255;
    presses_.clear();
    held_.clear();
    closeRequested_ = false;
    pacer_.Start(frameRate, SDL_GetTicks64());
    Cls();
}

void SdlSurface::CloseWindow() {
    if (window_ == nullptr)
        return;
    if (font_ != nullptr)
        SDL_DestroyTexture(font_);
    if (renderer_ != nullptr)
        SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    font_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    // Input meant for the closed window is not the next window's: a second Escape typed to
    // leave one viewer must not leave the next one at once.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// All glyphs side by side in one white texture whose alpha is the glyph's ink, so that a
// character is one textured copy tinted with the drawing colour.
void SdlSurface::CreateFontTexture() {
    const int width = FontCellWidth * FontGlyphCount;
    std::vector<Uint32> pixels(static_cast<std::size_t>(width) * FontCellHeight, 0);
    for (int glyph = 0; glyph < FontGlyphCount; ++glyph) {
        for (int y = 0; y < FontCellHeight; ++y) {
            for (int x = 0; x < FontCellWidth; ++x) {
                if (FontGlyphs[glyph][y] & (0x80 >> x))
                    pixels[y * width + glyph * FontCellWidth + x] = 0xFFFFFFFF;
            }
        }
    }
    font_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width,
                              FontCellHeight);
    if (font_ == nullptr)
        return;
    SDL_UpdateTexture(font_, nullptr, pixels.data(), width * 4);
    SDL_SetTextureBlendMode(font_, SDL_BLENDMODE_BLEND);
}

void SdlSurface::Cls() {
    if (renderer_ == nullptr)
        return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_SetRenderDrawColor(renderer_, red_, green_, blue_, 255);
}

void SdlSurface::SetColor(int red, int green, int blue) {
    red_ = red;
    green_ = green;
    blue_ = blue;
    if (renderer_ != nullptr)
        SDL_SetRenderDrawColor(renderer_, red, green, blue, 255);
}

void SdlSurface::DrawRect(float x, float y, float width, float height) {
    if (renderer_ == nullptr)
        return;
    // The renderer clips to the window.
    const SDL_FRect rect{x, y, width, height};
    SDL_RenderFillRectF(renderer_, &rect);
}

void SdlSurface::DrawString(const std::string& text, float x, float y) {
    if (renderer_ == nullptr || font_ == nullptr)
        return;
    SDL_SetTextureColorMod(font_, red_, green_, blue_);
    for (std::size_t i = 0; i < text.size(); ++i) {
        int code = static_cast<unsigned char>(text[i]);
        if (code < FontFirstChar || code >= FontFirstChar + FontGlyphCount)
            code = '?';
        if (code == ' ')
            continue;
        const SDL_Rect source{(code - FontFirstChar) * FontCellWidth, 0, FontCellWidth,
                              FontCellHeight};
        const SDL_FRect target{x + static_cast<float>(i * FontCellWidth), y, FontCellWidth,
                               FontCellHeight};
        SDL_RenderCopyF(renderer_, font_, &source, &target);
    }
}

void SdlSurface::Flip() {
    if (renderer_ == nullptr)
        return;
    const std::uint64_t wait = pacer_.Wait(SDL_GetTicks64());
    if (wait > 0)
        SDL_Delay(static_cast<Uint32>(wait));
    SDL_RenderPresent(renderer_);
    ProcessEvents();
}

void SdlSurface::ProcessEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            closeRequested_ = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                closeRequested_ = true;
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                held_.clear(); // key releases go to the window that has the focus
            break;
        case SDL_KEYDOWN:
            // Auto-repeat counts as presses: a held key keeps scrolling the viewer.
            if (const int key = VirtualKeyFromSdl(event.key.keysym.sym)) {
                ++presses_[key];
                held_.insert(key);
            }
            break;
        case SDL_KEYUP:
            if (const int key = VirtualKeyFromSdl(event.key.keysym.sym))
                held_.erase(key);
            break;
        default:
            break;
        }
    }
}

int SdlSurface::KeyPresses(int key) {
    ProcessEvents();
    const auto found = presses_.find(key);
    if (found == presses_.end())
        return 0;
    const int count = found->second;
    presses_.erase(found);
    return count;
}

int SdlSurface::KeyHeld(int key) {
    ProcessEvents();
    return held_.count(key) ? 1 : 0;
}

void SdlSurface::ClearKeys() {
    ProcessEvents();
    presses_.clear();
    held_.clear();
}

// The pointer is read where it is now, also outside the window: SDL's own mouse state keeps
// the last position inside the window (0, 0 when the pointer never entered it), and its global
// state is cached between the input extension's events.
void SdlSurface::ReadPointer() {
    ProcessEvents();
    if (window_ == nullptr)
        return;
    if (WindowPointer(window_, &pointerX_, &pointerY_))
        return;
    int x = 0, y = 0, left = 0, top = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_GetWindowPosition(window_, &left, &top);
    pointerX_ = x - left;
    pointerY_ = y - top;
}

int SdlSurface::PointerX() {
    ReadPointer();
    return pointerX_;
}

int SdlSurface::PointerY() {
    ReadPointer();
    return pointerY_;
}

int SdlSurface::CloseRequested() {
    ProcessEvents();
    const bool requested = closeRequested_;
    closeRequested_ = false;
    return requested ? 1 : 0;
}

void SdlSurface::Notify(const std::string& text, int warning) {
    SDL_MessageBoxButtonData button{};
    button.flags =
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    button.buttonid = 0;
    button.text = "OK";
    SDL_MessageBoxData box{};
    box.flags = warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    box.window = window_; // on top of the open window, if any
    box.title = title_.c_str();
    box.message = text.c_str();
    box.numbuttons = 1;
    box.buttons = &button;
    int pressed = 0;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        // No message box to be had: the user still sees the notice.
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    }
}

std::string SdlSurface::RequestFile(const std::string& title, const std::string& filter, int save,
                                    const std::string& startPath) {
    return RunFileDialog(title, filter, save, startPath);
}

namespace {
// The variable's value; "" when it is not set.
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
} // namespace

std::unique_ptr<Surface> MakeSdlSurface() {
    const std::string forced = Environment("SDL_VIDEODRIVER");
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    const std::string x11 = Environment("DISPLAY");
    // Without a display SDL falls back to drivers that show nothing (and dialogs that cannot
    // open); the program is better served by the headless surface then.
    if (forced.empty() && wayland.empty() && x11.empty())
        return nullptr;
    if (!forced.empty())
        return std::make_unique<SdlSurface>("SDL_VIDEODRIVER=" + forced);
    // Only the drivers of the displays named: when none of them answers, SDL would otherwise
    // fall back to its offscreen driver and the program wait for keys in windows nobody sees.
    std::string drivers, named;
    if (!wayland.empty()) {
        drivers = "wayland";
        named = "WAYLAND_DISPLAY=" + wayland;
    }
    if (!x11.empty()) {
        drivers += drivers.empty() ? "x11" : ",x11";
        named += (named.empty() ? "DISPLAY=" : ", DISPLAY=") + x11;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    return std::make_unique<SdlSurface>(named);
}
