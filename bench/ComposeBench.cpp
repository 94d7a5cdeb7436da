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
// Reads and composes the largest MIDI song, and with `faithful` drops what no sample can hear.
void BM_ComposeLargestMidi(benchmark::State& state, bool faithful) {
    const std::string name = benchsupport::LargestFile(IMF_SHARED_MIDI_DIR, {".mid"});
    if (name.empty()) {
        state.SkipWithError("no MIDI songs in " IMF_SHARED_MIDI_DIR);
        return;
    }
    const std::vector<std::uint8_t> bytes = ReadFileBytes(name);
    const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    benchsupport::QuietConsole quiet;
    std::size_t writes = 0;
    for (auto _ : state) {
        ComposeReport report;
        TickedWrites composed = ComposeMidi(ReadMidi(bytes), bank, ComposeSettings(), report);
        if (faithful)
            DropUnheardWrites(composed, InaudibleOptions(), 560, false);
        writes = composed.writes.size();
        benchmark::DoNotOptimize(writes);
    }
    state.SetLabel(std::filesystem::path(name).filename().string() + ", " + std::to_string(writes) +
                   " writes");
}
BENCHMARK_CAPTURE(BM_ComposeLargestMidi, composed, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ComposeLargestMidi, faithful, true)->Unit(benchmark::kMillisecond);
} // namespace
