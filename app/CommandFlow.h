// The fixed run of imfproc: pick a file, load it, show it, optimise it, save it beside the input.
#pragma once

#include "ImfSong.h"
#include "Optimize.h"

#include <cstdint>
#include <string>

// The caption of the program's windows and message boxes.
inline constexpr const char* kApplicationTitle = "Quillfen's IMF Processor (Alpha Version 0.001)";

// The input path without its extension (backslashes made forward slashes; the last "." after
// the last "/"), followed by "_optimized.kmf" or "_optimized.imf".
std::string OptimizedPath(const std::string& inputPath, bool kmf);

// The report and optimize steps of the run: the unique-timbre line, the optimize pass and the
// line with the number of instructions it removed, which it returns. imftool's default mode
// runs exactly these steps, so the two programs report alike.
int OptimizeWithReport(TImfSong& song, std::uint8_t reserved, int depth, int grouping,
                       std::uint8_t force, const TrackViewer& trackViewer = {});

// One whole run through the installed surface; returns the exit status. The first argument is
// the input file; without it a file dialog asks. A cancelled dialog ends silently with status 0;
// a file that cannot be read raises "ERROR: cannot read file: " + path.
int ImfprocMain(int argc, char** argv);
