// The optimizer's greedy pass over a long synthetic song with all nine channels busy and over
// corpus songs, next to loading the song; the look-ahead on small corpus songs; dropping
// writes no sample can hear.
#include "ChannelAllocation.h"
#include "ImfFile.h"
#include "RegisterRules.h"
#include "SilentOperators.h"
#include "SongFormats.h"
#include "SongRender.h"
#include "SplitTracks.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {
// One note starts every tick, on channels 0 to 8 in turn, and lasts eight ticks, so every channel
// is busy and eight notes sound at once. Each note sets the modulator's level (four instruments
// in turn) and a pitch before its key-on.
TImfSong SyntheticSong(int writes) {
    TImfSong song;
    song.InitRead();
    static const std::uint8_t kOperator[9] = {0, 1, 2, 8, 9, 10, 16, 17, 18};
    auto write = [&](int reg, int val) {
        if (song.globalindex < writes)
            song.ProcessCommand(static_cast<std::uint8_t>(reg), static_cast<std::uint8_t>(val));
    };
    for (int tick = 0; song.globalindex < writes; ++tick) {
        const int c = tick % 9;
        if (tick >= 8)
            write(0xB0 + (tick - 8) % 9, 0x11);
        write(0x40 + kOperator[c], 0x10 * ((tick / 9 + c) % 4));
        write(0xA0 + c, tick * 7);
        write(0xB0 + c, 0x31);
        song.ProcessPause(1);
    }
    return song;
}

// The work of the main flow's optimize pass (reserved 1, depth -1, grouping 1) without its
// report lines: split, allocate, count.
void RunPass(benchmark::State& state, const TImfSong& song, int depth) {
    for (auto _ : state) {
        TTrackList tracks = SplitIntoTracks(song, 1);
        TImfSong optimised = TracksToSong(tracks, song.channels[0], 1, depth);
        benchmark::DoNotOptimize(optimised.InstructionCount());
    }
    state.SetItemsProcessed(state.iterations() * song.InstructionCount());
}
} // namespace

static void BM_GreedyPassSynthetic(benchmark::State& state) {
    TImfSong song = SyntheticSong(static_cast<int>(state.range(0)));
    RunPass(state, song, -1);
}
BENCHMARK(BM_GreedyPassSynthetic)->Arg(65536)->Unit(benchmark::kMillisecond);

namespace {
TImfSong CorpusSong(const std::string& name) {
    TImfSong song;
    LoadFile(song, std::string(IMF_CORPUS_DIR) + "/" + name);
    return song;
}
} // namespace

// The largest corpus song: loading it, and the pass.
static void BM_LoadLargestCorpusSong(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(CorpusSong("vib_vol3_d00.imf").InstructionCount());
}
BENCHMARK(BM_LoadLargestCorpusSong)->Unit(benchmark::kMillisecond);

static void BM_GreedyPassLargestCorpusSong(benchmark::State& state) {
    TImfSong song = CorpusSong("vib_vol3_d00.imf");
    RunPass(state, song, -1);
}
BENCHMARK(BM_GreedyPassLargestCorpusSong)->Unit(benchmark::kMillisecond);

// The look-ahead on the smallest corpus song (rhythm mode on throughout: the greedy choice
// decides every note) and on the smallest song without rhythm mode.
static void BM_LookAhead(benchmark::State& state, const char* name) {
    TImfSong song = CorpusSong(name);
    RunPass(state, song, static_cast<int>(state.range(0)));
}
BENCHMARK_CAPTURE(BM_LookAhead, lines1_mus, "lines1_mus.imf")
    ->DenseRange(1, 3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LookAhead, wonderin_wlf, "wonderin_wlf.imf")
    ->DenseRange(1, 3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Dropping writes no sample can hear from the largest corpus song: the one-pass rules (linear in
// the song), the replay that finds operators at rest, and for scale a render of the same song.
static void BM_InaudibleRulesLargestCorpusSong(benchmark::State& state) {
    const TImfSong song = CorpusSong("vib_vol3_d00.imf");
    for (auto _ : state) {
        TImfSong copy = song;
        benchmark::DoNotOptimize(DropInaudibleWrites(copy, {}).Total());
    }
    state.SetItemsProcessed(state.iterations() * song.InstructionCount());
}
BENCHMARK(BM_InaudibleRulesLargestCorpusSong)->Unit(benchmark::kMillisecond);

static void BM_SilentOperatorReplayLargestCorpusSong(benchmark::State& state) {
    TImfSong song = CorpusSong("vib_vol3_d00.imf");
    DropInaudibleWrites(song, {});
    const std::vector<TimedWrite> writes = MergeChannelLists(song);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindSilentOperatorWrites(writes, 560, song.globaltime));
}
BENCHMARK(BM_SilentOperatorReplayLargestCorpusSong)->Unit(benchmark::kMillisecond);

static void BM_RenderLargestCorpusSong(benchmark::State& state) {
    TImfSong song = CorpusSong("vib_vol3_d00.imf");
    DropInaudibleWrites(song, {});
    const std::vector<TimedWrite> writes = MergeChannelLists(song);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderWrites(writes, 560, song.globaltime).size());
}
BENCHMARK(BM_RenderLargestCorpusSong)->Unit(benchmark::kMillisecond);
