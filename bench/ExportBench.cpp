// Exporting the largest song of the corpus as an instrument bank and as a MIDI file, against
// loading it: reading its voices and writing either file should take less time than the load.
#include "FileBytes.h"
#include "ImfFile.h"
#include "InstrumentBank.h"
#include "MidiFile.h"
#include "WoplFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
std::string LargestCorpusSong() {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(IMF_CORPUS_DIR, error)) {
        std::string ext = entry.path().extension().string();
        if ((ext == ".imf" || ext == ".kmf" || ext == ".wlf") && entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path().string();
        }
    }
    return best;
}

// The interpreter's warnings go to /dev/null while it loads, not into the report.
class QuietStdout {
public:
    QuietStdout() : saved_(::dup(1)) {
        std::fflush(stdout);
        std::FILE* null = std::fopen("/dev/null", "w");
        if (null != nullptr) {
            ::dup2(::fileno(null), 1);
            std::fclose(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, 1);
            ::close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

// The song's bytes and the song, loaded once.
struct Corpus {
    std::vector<std::uint8_t> bytes;
    TImfSong song;
    Corpus() {
        std::string path = LargestCorpusSong();
        if (path.empty())
            return;
        bytes = ReadFileBytes(path);
        QuietStdout quiet;
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
    QuietStdout quiet;
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
