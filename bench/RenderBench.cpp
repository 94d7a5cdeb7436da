// Rendering a four-minute song through the OPL2 emulator, and comparing two such renders; the
// comparison of the largest corpus song's render.
#include "ImfFile.h"
#include "Opl2Chip.h"
#include "SongFormats.h"
#include "SongRender.h"
#include "SoundCompare.h"

#include <benchmark/benchmark.h>

#include <exception>
#include <vector>

namespace {
constexpr int kTickRate = 560;
constexpr int kSongSeconds = 240;

// Nine voices playing short notes in turn, 8 per second, each with its own pitch: every channel
// busy, timbres reloaded before each note as many songs do.
std::vector<TimedWrite> MakeSong() {
    std::vector<TimedWrite> writes = {{0, 0x01, 0x20}};
    constexpr int kStep = kTickRate / 8;
    for (int time = 0, note = 0; time < kSongSeconds * kTickRate; time += kStep, ++note) {
        int channel = note % 9;
        auto ch = static_cast<std::uint8_t>(channel);
        auto slot = static_cast<std::uint8_t>((channel % 3) + 8 * (channel / 3));
        writes.push_back({time, static_cast<std::uint8_t>(0xB0 + ch), 0x10});
        for (std::uint8_t base : {0x20, 0x40, 0x60, 0x80, 0xE0}) {
            std::uint8_t val = base == 0x40   ? 0x10
                               : base == 0x60 ? 0xF2
                               : base == 0x80 ? 0x35
                                              : 0x01;
            writes.push_back({time, static_cast<std::uint8_t>(base + slot), val});
            writes.push_back({time, static_cast<std::uint8_t>(base + slot + 3),
                              static_cast<std::uint8_t>(base == 0x40 ? 0x00 : val)});
        }
        writes.push_back({time, static_cast<std::uint8_t>(0xC0 + ch), 0x0A});
        writes.push_back(
            {time, static_cast<std::uint8_t>(0xA0 + ch), static_cast<std::uint8_t>(note * 37)});
        writes.push_back({time, static_cast<std::uint8_t>(0xB0 + ch),
                          static_cast<std::uint8_t>(0x31 + (note % 3) * 4)});
    }
    return writes;
}

// Reports seconds of work per minute of music and how many times faster than real time.
void ReportSpeed(benchmark::State& state, double musicSeconds) {
    state.counters["s_per_music_min"] =
        benchmark::Counter(musicSeconds / 60.0, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
    state.counters["x_realtime"] =
        benchmark::Counter(musicSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RenderFourMinutes(benchmark::State& state) {
    std::vector<TimedWrite> song = MakeSong();
    double seconds = 0;
    for (auto _ : state) {
        SampleBuffer samples = RenderWrites(song, kTickRate);
        seconds = static_cast<double>(samples.size()) / Opl2Chip::kSampleRate;
        benchmark::DoNotOptimize(samples.data());
    }
    ReportSpeed(state, seconds);
}
BENCHMARK(BM_RenderFourMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CompareFourMinutes(benchmark::State& state) {
    std::vector<TimedWrite> song = MakeSong();
    SampleBuffer a = RenderWrites(song, kTickRate);
    song[0].val = 0; // sines only: a different sound
    SampleBuffer b = RenderWrites(song, kTickRate);
    for (auto _ : state)
        benchmark::DoNotOptimize(CompareSounds(a, b, Opl2Chip::kSampleRate));
    ReportSpeed(state, static_cast<double>(a.size()) / Opl2Chip::kSampleRate);
}
BENCHMARK(BM_CompareFourMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CompareLargestCorpusSong(benchmark::State& state) {
    TImfSong song;
    try {
        LoadFile(song, IMF_CORPUS_DIR "/vib_vol3_d00.imf");
    } catch (const std::exception&) {
        state.SkipWithError("corpus song not found");
        return;
    }
    SampleBuffer a = RenderSong(song, 560);
    SampleBuffer b = a;
    b[b.size() / 2] = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(CompareSounds(a, b, Opl2Chip::kSampleRate, 10));
    ReportSpeed(state, static_cast<double>(a.size()) / Opl2Chip::kSampleRate);
}
BENCHMARK(BM_CompareLargestCorpusSong)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
