// Interpreting a long stream of writes: every channel busy with notes and timbre changes.
#include "ImfSong.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {
struct Record {
    std::uint8_t reg, val;
    int delay;
};

std::vector<Record> MakeStream(int writes) {
    std::vector<Record> stream;
    stream.reserve(writes);
    for (int i = 0; static_cast<int>(stream.size()) < writes; ++i) {
        int channel = i % 9;
        auto ch = static_cast<std::uint8_t>(channel);
        stream.push_back({static_cast<std::uint8_t>(0x20 + (channel % 3) + 8 * (channel / 3)),
                          static_cast<std::uint8_t>(i), 0});
        stream.push_back(
            {static_cast<std::uint8_t>(0xA0 + ch), static_cast<std::uint8_t>(i * 7), 0});
        stream.push_back({static_cast<std::uint8_t>(0xB0 + ch), 0x31, 3});
        stream.push_back({static_cast<std::uint8_t>(0xB0 + ch), 0x11, 1});
        if (i % 64 == 0)
            stream.push_back({0xBD, static_cast<std::uint8_t>((i / 64) % 2 ? 0x20 : 0x00), 0});
    }
    stream.resize(writes);
    return stream;
}
} // namespace

static void BM_Interpret(benchmark::State& state) {
    auto stream = MakeStream(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TImfSong song;
        song.InitRead();
        for (const Record& r : stream) {
            song.ProcessCommand(r.reg, r.val);
            song.ProcessPause(r.delay);
        }
        benchmark::DoNotOptimize(song.notes.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Interpret)->Arg(65536)->Unit(benchmark::kMillisecond);
