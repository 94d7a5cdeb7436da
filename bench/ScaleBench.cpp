// The crafted worst cases of size: the indexed walks of the system against the straightforward
// walks they replace (track choice and tick look-ahead in SplitIntoTracks, the earliest track of
// the allocator), and interpreting a song that switches rhythm mode at every write.
#include "ChannelAllocation.h"
#include "ImfFile.h"
#include "SplitTracks.h"
#include "StraightWalks.h"

#include <benchmark/benchmark.h>

// Every note of its own timbre: one track per note.
static void BM_SplitOneTrackPerNote_Indexed(benchmark::State& state) {
    TImfSong song = worstcase::OneTrackPerNote(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitIntoTracks(song, 1).size());
}
static void BM_SplitOneTrackPerNote_Straight(benchmark::State& state) {
    TImfSong song = worstcase::OneTrackPerNote(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(straight::SplitIntoTracks(song, 1).size());
}
BENCHMARK(BM_SplitOneTrackPerNote_Indexed)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOneTrackPerNote_Straight)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The allocator's note order over one track per note.
static void BM_EarliestTrack(benchmark::State& state, bool indexed) {
    TImfSong song = worstcase::OneTrackPerNote(static_cast<int>(state.range(0)));
    TTrackList tracks = SplitIntoTracks(song, 1);
    for (auto _ : state) {
        state.PauseTiming();
        TTrackList working = CloneTrackList(tracks);
        for (const TrackRef& track : working) {
            track->timbre = TTimbre();
            track->globaltime = track->instructions.front()->globaltime;
        }
        TTimbre channel;
        std::int32_t time = 0;
        state.ResumeTiming();
        if (indexed) {
            EarliestTrackQueue queue(working);
            for (TTrack* track = queue.Earliest(); track; track = queue.Earliest()) {
                SendNote(*track, nullptr, channel, time);
                queue.Update(track);
            }
        } else {
            for (TTrack* track = FindEarliestTrack(working); track;
                 track = FindEarliestTrack(working))
                SendNote(*track, nullptr, channel, time);
        }
    }
}
BENCHMARK_CAPTURE(BM_EarliestTrack, Indexed, true)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EarliestTrack, Straight, false)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// One note whose tick holds N writes before its key-off comes a tick later.
static void BM_SplitWritesInOneTick(benchmark::State& state, bool indexed) {
    TImfSong song;
    song.InitRead();
    song.ProcessCommand(0xB0, 0x31);
    song.ProcessPause(1);
    for (int i = 0; i < state.range(0); ++i)
        song.ProcessCommand(0x43, static_cast<std::uint8_t>(i & 0x3F));
    song.ProcessPause(1);
    song.ProcessCommand(0xB0, 0x11);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            (indexed ? SplitIntoTracks : straight::SplitIntoTracks)(song, 1).size());
}
BENCHMARK_CAPTURE(BM_SplitWritesInOneTick, Indexed, true)
    ->Arg(16384)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SplitWritesInOneTick, Straight, false)
    ->Arg(16384)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond);

// Interpreting a song that switches rhythm mode on and off at every write, with the registers of
// channels 6..8 written once at the start: the fix-up looks for their last writes at each switch.
// Straight: the same, plus the backward scans the fix-up made before it had an index.
namespace {
TImfSong RhythmSwitches(int switches, bool scan) {
    TImfSong song;
    song.InitRead();
    for (int r : {0x30, 0x33, 0x51, 0x74, 0x92, 0xA6, 0xA7, 0xB8, 0xC7, 0xF5})
        song.ProcessCommand(static_cast<std::uint8_t>(r), 1);
    for (int i = 0; i < switches; ++i) {
        if (scan)
            benchmark::DoNotOptimize(straight::RhythmFixUps(song, (i & 1) != 0).size());
        song.ProcessCommand(0xBD, static_cast<std::uint8_t>((i & 1) * 0x20));
        song.ProcessPause(1);
    }
    return song;
}
} // namespace

static void BM_RhythmSwitches(benchmark::State& state, bool scan) {
    for (auto _ : state)
        benchmark::DoNotOptimize(RhythmSwitches(static_cast<int>(state.range(0)), scan).globaltime);
}
BENCHMARK_CAPTURE(BM_RhythmSwitches, Indexed, false)
    ->Arg(16384)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RhythmSwitches, Straight, true)
    ->Arg(16384)
    ->Arg(65535)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
