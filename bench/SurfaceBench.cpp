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

} // namespace
