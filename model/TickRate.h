// The tick rate of a song: the one rule that convert, render, info, optimize and playback share.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int kDefaultTickRate = 560;
inline constexpr int kWlfTickRate = 700;

// The ticks per second of a song: an explicit rate when above 0; else a KMF file's rate field
// (kmfRate, 0 when the file is not KMF); else 700 when the input's name ends in .wlf; else, for
// a capture (which keeps time in seconds, not ticks), 700 when the output's does; else 560.
int ChooseTickRate(int explicitRate, std::uint16_t kmfRate, const std::string& inputPath,
                   bool capture = false, const std::string& outputPath = "");

// The rate that an IMF file at the path plays at, having no rate field: 700 for .wlf, else 560.
int ImfRateOfPath(const std::string& path);
