// Cost of one viewer-sized frame on the SDL backend: 2,000 filled rectangles and 100 strings,
// shown with Flip. Needs an X display, e.g.
//   xvfb-run -s "-screen 0 1280x1024x24" build/bench/bench_surface
#include "ImfError.h"
#include "SdlSurface.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A 1024 x 768 window paced at 1000 frames a second: Flip waits at most 1 ms, so a slower frame
// shows its own cost. Null (and the benchmark skipped) without a display.
std::unique_ptr<Surface> OpenBenchWindow(benchmark::State& state) {
    try {
        auto screen = MakeSdlSurface();
        if (!screen) {
            state.SkipWithError("no display");
            return nullptr;
        }
        screen->SetTitle("Surface benchmark");
        screen->OpenWindow(1024, 768, 1000);
        return screen;
    } catch (const ImfError& error) {
        state.SkipWithError(error.what());
        return nullptr;
    }
}

// What showing a frame costs by itself.
void BM_EmptyFrame(benchmark::State& state) {
    auto screen = OpenBenchWindow(state);
    if (!screen)
        return;
    for (auto _ : state) {
        screen->Cls();
        screen->Flip();
    }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_FrameOfRectsAndStrings(benchmark::State& state) {
    auto screen = OpenBenchWindow(state);
    if (!screen)
        return;
    const std::string text = "C3 inst 12 0x20=01 0x40=3F";
    for (auto _ : state) {
        screen->Cls();
        for (int i = 0; i < 2000; ++i) {
            screen->SetColor(i % 256, (i * 7) % 256, (i * 13) % 256);
            screen->DrawRect(static_cast<float>((i * 37) % 1000),
                             static_cast<float>((i * 11) % 760), 24.0f, 6.0f);
        }
        screen->SetColor(255, 255, 255);
        for (int i = 0; i < 100; ++i)
            screen->DrawString(text, static_cast<float>((i % 4) * 250), static_cast<float>(i * 7));
        screen->Flip();
    }
}
BENCHMARK(BM_FrameOfRectsAndStrings)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The viewer zoomed out over a dense song: about 3,700 short bars, each with its red start
// marker, in rows 15 pixels apart across a 1,200 x 944 window.
void BM_DenseViewerFrame(benchmark::State& state) {
    auto screen = OpenBenchWindow(state);
    if (!screen)
        return;
    screen->OpenWindow(1200, 944, 1000);
    for (auto _ : state) {
        screen->Cls();
        for (int i = 0; i < 3700; ++i) {
            const float x = static_cast<float>((i * 53) % 1200);
            const float y = static_cast<float>(15 * (i % 15));
            screen->SetColor(255, 255, 255);
            screen->DrawRect(x, y, 3.0f, 10.0f);
            screen->SetColor(255, 0, 0);
            screen->DrawRect(x, y + 4.0f, 1.0f, 2.0f);
        }
        screen->SetColor(255, 255, 255);
        screen->DrawString("0", 0.0f, 928.0f);
        screen->Flip();
    }
}
BENCHMARK(BM_DenseViewerFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
