// Exporting the largest song of the corpus as an instrument bank and as a MIDI file, against
// loading it: reading its voices and writing either file should take less time than the load.
#include "FileBytes.h"
#include "ImfFile.h"
#include "InstrumentBank.h"
#include "MidiFile.h"
#include "SongBank.h"
#include "SongFormats.h"
#include "WoplFile.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// The song's bytes and the song, loaded once.
struct Corpus {
    std::vector<std::uint8_t> bytes;
    TImfSong song;
    Corpus() {
        std::string path = benchsupport::LargestCorpusFile({".imf", ".kmf", ".wlf"});
        if (path.empty())
            return;
        bytes = ReadFileBytes(path);
        benchsupport::QuietConsole quiet;
        LoadFromBytes(song, bytes);
    }
};

const Corpus& Largest() {
    static const Corpus corpus;
    return corpus;
}

void BM_LoadLargestSong(benchmark::State& state) {
    if (Largest().bytes.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    benchsupport::QuietConsole quiet;
    for (auto _ : state) {
        TImfSong song;
        LoadFromBytes(song, Largest().bytes);
        benchmark::DoNotOptimize(song.notes.size());
    }
}

void BM_BankOfLargestSong(benchmark::State& state) {
    if (Largest().bytes.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    for (auto _ : state) {
        InstrumentBank bank = SongBank(ReadSongVoices(Largest().song), {}, BankFormat::Wopl);
        benchmark::DoNotOptimize(WoplBytes(bank).size());
    }
}

void BM_MidiOfLargestSong(benchmark::State& state) {
    if (Largest().bytes.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MidiBytes(ReadSongVoices(Largest().song), 560).size());
}
} // namespace

BENCHMARK(BM_LoadLargestSong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BankOfLargestSong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MidiOfLargestSong)->Unit(benchmark::kMillisecond);
