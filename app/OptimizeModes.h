// The optimisation modes: the re-allocation that imfproc runs, dropping unheard writes, or both;
// and where an optimised song is saved.
#pragma once

#include "ImfSong.h"
#include "Optimize.h"
#include "SongRender.h"
#include "SoundCompare.h"
#include "UnheardWrites.h"

#include <cstdint>
#include <optional>
#include <string>

enum class OptimizeMode {
    Reallocate, // the tracks dealt out again, kept when smaller (what imfproc does)
    Faithful,   // notes stay on their channels; writes that no sample can hear are dropped
    Smallest,   // the re-allocation, then the dropping; kept only when it sounds the same
};

// The input path without its extension (backslashes made forward slashes; the last "." after
// the last "/"), followed by "_optimized.kmf" or "_optimized.imf".
std::string OptimizedPath(const std::string& inputPath, bool kmf);

// The report and optimize steps of imfproc's run: the unique-timbre line, the optimize pass and the
// line with the number of instructions it removed, which it returns. imftool's default mode
// runs exactly these steps, so the two programs report alike.
int OptimizeWithReport(TImfSong& song, std::uint8_t reserved, int depth, int grouping,
                       std::uint8_t force, const TrackViewer& trackViewer = {});

// "reallocate", "faithful" or "smallest"; nothing for any other word.
std::optional<OptimizeMode> ParseOptimizeMode(const std::string& word);
const char* OptimizeModeName(OptimizeMode mode);

// The settings of the re-allocation (see Optimize).
struct AllocationSettings {
    std::uint8_t reserved = 1;
    int depth = -1;
    int grouping = 1;
    std::uint8_t force = 0;
};

// How writes that no sample can hear are dropped (faithful, and both sides of smallest).
struct DropSettings {
    InaudibleOptions rules;
    bool deep = false;    // also replay the song to find operators at rest (a render's cost)
    bool explain = false; // a report line per rule with the writes it dropped
};

// The report of a dropping: "dropped N writes that no sample can hear" after `label`, and with
// settings.explain a line per rule.
void ReportDrops(const DropCounts& counts, const DropSettings& settings,
                 const std::string& label = "");

// What a mode did to one song.
struct ModeResult {
    OptimizeMode won = OptimizeMode::Reallocate; // for Smallest: Smallest or Faithful
};

// Optimises the song in place with the mode, writing its report lines to standard output.
// Smallest renders the input (at tickRate) only when the re-allocated song has fewer writes
// than the faithful one; `inputRender`, when given, is the input's render and saves that work.
// Where the re-allocation, a render or the comparison fails, Smallest keeps the faithful result
// and its report line says why. Faithful here works on the song model's lists; imftool's
// faithful mode works on the file's own writes (FaithfulCopy).
ModeResult OptimizeWithMode(TImfSong& song, OptimizeMode mode, const AllocationSettings& settings,
                            int tickRate, const SampleBuffer* inputRender = nullptr,
                            const DropSettings& drop = {});
