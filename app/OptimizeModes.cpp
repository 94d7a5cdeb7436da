#include "OptimizeModes.h"

#include "Console.h"
#include "NameTable.h"
#include "Opl2Chip.h"
#include "Optimize.h"
#include "UnheardWrites.h"

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace {
constexpr NameTable<OptimizeMode, 3> kModeNames = {{
    {OptimizeMode::Reallocate, "reallocate"},
    {OptimizeMode::Faithful, "faithful"},
    {OptimizeMode::Smallest, "smallest"},
}};

// `label` names the song in the smallest mode's report, where two songs are at work.
void DropAndReport(TImfSong& song, const DropSettings& drop, int tickRate,
                   const std::string& label = "") {
    ReportDrops(DropUnheardWrites(song, drop.rules, tickRate, drop.deep), drop, label);
}

// The re-allocation and the dropping, on a song that shares the input's writes but not its lists.
TImfSong Reallocated(const TImfSong& input, const AllocationSettings& settings,
                     const DropSettings& drop, int tickRate) {
    TImfSong song = input;
    Optimize(song, settings.reserved, settings.depth, settings.grouping, 1);
    DropAndReport(song, drop, tickRate, "re-allocated: ");
    return song;
}
} // namespace

std::string OptimizedPath(const std::string& inputPath, bool kmf) {
    std::string path = inputPath;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        path.erase(dot);
    return path + (kmf ? "_optimized.kmf" : "_optimized.imf");
}

int OptimizeWithReport(TImfSong& song, std::uint8_t reserved, int depth, int grouping,
                       std::uint8_t force, const TrackViewer& trackViewer) {
    PrintLine("song has " + std::to_string(song.CountUniqueTimbres()) + " unique timbres");
    int removed = Optimize(song, reserved, depth, grouping, force, trackViewer);
    PrintLine("optimization removed " + std::to_string(removed) + " instructions");
    return removed;
}

void ReportDrops(const DropCounts& counts, const DropSettings& settings, const std::string& label) {
    PrintLine(label + "dropped " + std::to_string(counts.Total()) +
              " writes that no sample can hear");
    if (!settings.explain)
        return;
    const std::pair<const char*, std::int64_t> rules[] = {
        {"repeated values", counts.repeated},
        {"overwritten in the same tick", counts.overwritten},
        {"bits the chip ignores", counts.ignoredBits},
        {"timers", counts.timers},
        {"registers the OPL2 lacks", counts.absent},
        {"register-0 records", counts.registerZero},
        {"operators at rest", counts.silent}};
    for (const auto& [rule, dropped] : rules)
        PrintLine(label + "  " + rule + ": " + std::to_string(dropped));
}

std::optional<OptimizeMode> ParseOptimizeMode(const std::string& word) {
    return ValueOfName(kModeNames, word);
}

const char* OptimizeModeName(OptimizeMode mode) {
    return NameOfValue(kModeNames, mode);
}

ModeResult OptimizeWithMode(TImfSong& song, OptimizeMode mode, const AllocationSettings& settings,
                            int tickRate, const SampleBuffer* inputRender,
                            const DropSettings& drop) {
    ModeResult result;
    result.won = mode;
    if (mode == OptimizeMode::Reallocate) {
        OptimizeWithReport(song, settings.reserved, settings.depth, settings.grouping,
                           settings.force);
        return result;
    }
    if (mode == OptimizeMode::Faithful) {
        DropAndReport(song, drop, tickRate);
        return result;
    }

    // The re-allocation, its render and the comparison may fail (no channel free for a note,
    // no memory for the render of a very long song); the faithful result is written then.
    std::optional<TImfSong> candidate;
    std::string failure;
    try {
        candidate = Reallocated(song, settings, drop, tickRate);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    TImfSong faithful = song;
    DropAndReport(faithful, drop, tickRate, "faithful: ");
    result.won = OptimizeMode::Faithful;
    if (candidate && candidate->InstructionCount() < faithful.InstructionCount()) {
        try {
            SampleBuffer rendered;
            if (!inputRender) {
                rendered = RenderSong(song, tickRate);
                inputRender = &rendered;
            }
            const SoundComparison comparison = CompareSounds(
                *inputRender, RenderSong(*candidate, tickRate), Opl2Chip::kSampleRate);
            if (comparison.SoundsTheSame())
                result.won = OptimizeMode::Smallest;
            PrintLine("re-allocated song: " + std::to_string(comparison.windowsOff) +
                      " windows off");
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (!candidate || !failure.empty()) {
        PrintLine("mode that won: faithful (" + std::to_string(faithful.InstructionCount()) +
                  " writes; the re-allocation failed: " + failure + ")");
        song.channels = faithful.channels;
        return result;
    }
    PrintLine(std::string("mode that won: ") + OptimizeModeName(result.won) + " (" +
              std::to_string(candidate->InstructionCount()) + " writes re-allocated, " +
              std::to_string(faithful.InstructionCount()) + " faithful)");
    TImfSong& kept = result.won == OptimizeMode::Smallest ? *candidate : faithful;
    song.channels = kept.channels;
    return result;
}
