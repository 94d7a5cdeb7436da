// A MIDI file composed for the chip: the largest song of ../shared/midi read and composed with
// the built-in bank, then the same with the faithful pass that imftool convert runs after it.
#include "DefaultBank.h"
#include "FileBytes.h"
#include "MidiCompose.h"
#include "MidiReader.h"
#include "Op2File.h"
#include "UnheardWrites.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {
std::string LargestMidi() {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(IMF_SHARED_MIDI_DIR, error))
        if (entry.path().extension() == ".mid" && entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path().string();
        }
    return best;
}

void BM_ComposeLargestMidi(benchmark::State& state) {
    const std::string name = LargestMidi();
    if (name.empty()) {
        state.SkipWithError("no MIDI songs in " IMF_SHARED_MIDI_DIR);
        return;
    }
    const std::vector<std::uint8_t> bytes = ReadFileBytes(name);
    const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    std::size_t writes = 0;
    for (auto _ : state) {
        ComposeReport report;
        const TickedWrites composed = ComposeMidi(ReadMidi(bytes), bank, ComposeSettings(), report);
        writes = composed.writes.size();
        benchmark::DoNotOptimize(writes);
    }
    state.SetLabel(std::filesystem::path(name).filename().string() + ", " + std::to_string(writes) +
                   " writes");
}
BENCHMARK(BM_ComposeLargestMidi)->Unit(benchmark::kMillisecond);

void BM_ComposeLargestMidiFaithful(benchmark::State& state) {
    const std::string name = LargestMidi();
    if (name.empty()) {
        state.SkipWithError("no MIDI songs in " IMF_SHARED_MIDI_DIR);
        return;
    }
    const std::vector<std::uint8_t> bytes = ReadFileBytes(name);
    const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    benchsupport::QuietConsole quiet;
    for (auto _ : state) {
        ComposeReport report;
        TickedWrites composed = ComposeMidi(ReadMidi(bytes), bank, ComposeSettings(), report);
        DropUnheardWrites(composed, InaudibleOptions(), 560, false);
        benchmark::DoNotOptimize(composed.writes.size());
    }
}
BENCHMARK(BM_ComposeLargestMidiFaithful)->Unit(benchmark::kMillisecond);
} // namespace
