// A small program that opens a window through the SDL backend, draws a fixed scene every frame
// and reports on standard output what the surface tells it, for the real-window tests.
//
//   surface_probe scene    draw, report keys, leave on a close request, then show a notice
//   surface_probe dialog   ask for a file and print the answer in brackets
#include "Keys.h"
#include "SdlSurface.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* Title = "Surface probe (test)";

// The scene that the test finds again in the screenshot.
void DrawScene(Surface& screen) {
    screen.Cls();
    screen.SetColor(255, 0, 0);
    screen.DrawRect(10, 20, 50, 30);
    screen.SetColor(0, 255, 0);
    screen.DrawRect(300, 200, 100, 100); // reaches past the right and bottom edges
    screen.SetColor(0, 0, 255);
    screen.DrawRect(-20, 100, 40, 10); // reaches past the left edge
    screen.SetColor(255, 255, 0);
    screen.DrawString("Hg@", 100, 60);
}

int Scene(Surface& screen) {
    std::printf("screen %d %d\n", screen.ScreenWidth(), screen.ScreenHeight());
    screen.OpenWindow(320, 240, 60);
    std::printf("window %d %d\n", screen.WindowWidth(), screen.WindowHeight());
    const int watched[] = {Key::Escape, 'A', Key::KeypadPlus, Key::F12};
    bool held = false;
    for (int frame = 0; frame < 60 * 60; ++frame) {
        DrawScene(screen);
        screen.Flip();
        if (frame == 1)
            std::printf("drawn\n");
        for (int key : watched) {
            if (const int presses = screen.KeyPresses(key))
                std::printf("press %d %d\n", key, presses);
        }
        if (screen.KeyPresses('M'))
            std::printf("pointer %d %d\n", screen.PointerX(), screen.PointerY());
        // Space presses pile up unread until Tab asks for their count.
        if (screen.KeyPresses(Key::Tab))
            std::printf("press %d %d\n", Key::Space, screen.KeyPresses(Key::Space));
        if (screen.KeyHeld('A') != held) {
            held = !held;
            std::printf("%s 65\n", held ? "held" : "released");
        }
        if (screen.CloseRequested()) {
            std::printf("close 1\n");
            std::printf("close again %d\n", screen.CloseRequested());
            screen.CloseWindow();
            screen.Notify("Probe notice", 0);
            std::printf("notified\n");
            return 0;
        }
    }
    std::printf("no close request\n");
    return 3;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string mode = argc > 1 ? argv[1] : "";
    auto screen = MakeSdlSurface();
    if (!screen) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    screen->SetTitle(Title);
    if (mode == "scene")
        return Scene(*screen);
    if (mode == "dialog") {
        std::printf("[%s]\n", screen->RequestFile("Open IMF or KMF file...", "", 0, "").c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: surface_probe scene|dialog\n");
    return 2;
}
