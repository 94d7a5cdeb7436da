// Crafted worst cases of size for the indexed walks: the track choice and tick look-ahead of
// SplitIntoTracks, the allocator's earliest track, and interpreting a song that switches rhythm
// mode at every write.
#include "ChannelAllocation.h"
#include "ImfFile.h"
#include "SplitTracks.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {
constexpr std::uint8_t kOperator[9] = {0, 1, 2, 8, 9, 10, 16, 17, 18};

// `notes` notes one after the other on channels 0..8 in turn, each of its own timbre: before its
// key-on each note writes the modulator's and the carrier's attack/decay and the feedback
// register with values no earlier note had together, so every note becomes a track of its own.
// Each note lasts 2 ticks and starts 1 tick after the previous one.
TImfSong OneTrackPerNote(int notes) {
    TImfSong song;
    song.InitRead();
    for (int n = 0; n < notes; ++n) {
        const int c = n % 9;
        if (n >= 2) // the note that started two ticks ago ends now
            song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + (n - 2) % 9), 0x11);
        song.ProcessCommand(static_cast<std::uint8_t>(0x60 + kOperator[c]), n & 0xFF);
        song.ProcessCommand(static_cast<std::uint8_t>(0x63 + kOperator[c]), (n >> 8) & 0xFF);
        song.ProcessCommand(static_cast<std::uint8_t>(0xC0 + c), (n >> 16) & 0x0F);
        song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + c), 0x31);
        song.ProcessPause(1);
    }
    for (int n = std::max(0, notes - 2); n < notes; ++n)
        song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + n % 9), 0x11);
    return song;
}
} // namespace

// Every note of its own timbre: one track per note.
static void BM_SplitOneTrackPerNote(benchmark::State& state) {
    TImfSong song = OneTrackPerNote(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitIntoTracks(song, 1).size());
}
BENCHMARK(BM_SplitOneTrackPerNote)
    ->Arg(5000)
    ->Arg(20000)
    ->Arg(80000)
    ->Unit(benchmark::kMillisecond);

// The allocator's note order over one track per note.
static void BM_EarliestTrack(benchmark::State& state) {
    TImfSong song = OneTrackPerNote(static_cast<int>(state.range(0)));
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
        EarliestTrackQueue queue(working);
        for (TTrack* track = queue.Earliest(); track; track = queue.Earliest()) {
            SendNote(*track, nullptr, channel, time);
            queue.Update(track);
        }
    }
}
BENCHMARK(BM_EarliestTrack)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// One note whose tick holds N writes before its key-off comes a tick later.
static void BM_SplitWritesInOneTick(benchmark::State& state) {
    TImfSong song;
    song.InitRead();
    song.ProcessCommand(0xB0, 0x31);
    song.ProcessPause(1);
    for (int i = 0; i < state.range(0); ++i)
        song.ProcessCommand(0x43, static_cast<std::uint8_t>(i & 0x3F));
    song.ProcessPause(1);
    song.ProcessCommand(0xB0, 0x11);
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitIntoTracks(song, 1).size());
}
BENCHMARK(BM_SplitWritesInOneTick)->Arg(16384)->Arg(65535)->Unit(benchmark::kMillisecond);

// Interpreting a song that switches rhythm mode on and off at every write, with the registers of
// channels 6..8 written once at the start: the fix-up looks for their last writes at each switch.
static void BM_RhythmSwitches(benchmark::State& state) {
    for (auto _ : state) {
        TImfSong song;
        song.InitRead();
        for (int r : {0x30, 0x33, 0x51, 0x74, 0x92, 0xA6, 0xA7, 0xB8, 0xC7, 0xF5})
            song.ProcessCommand(static_cast<std::uint8_t>(r), 1);
        for (int i = 0; i < state.range(0); ++i) {
            song.ProcessCommand(0xBD, static_cast<std::uint8_t>((i & 1) * 0x20));
            song.ProcessPause(1);
        }
        benchmark::DoNotOptimize(song.globaltime);
    }
}
BENCHMARK(BM_RhythmSwitches)->Arg(16384)->Arg(65535)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
