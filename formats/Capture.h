// Capture: the register writes of a chip log (DRO, RAW, VGM) in the log's own time units, and
// the rules that turn it into one OPL2's writes at song ticks.
#pragma once

#include "TickedWrites.h"

#include <cstdint>
#include <string>
#include <vector>

// Which chip (or register set) a logged write went to. Only the first OPL2-compatible chip and
// an OPL3's first register set can carry an IMF song; the others are second chips.
struct CaptureChip {
    std::uint8_t id; // the reader's own number for the chip or port
    bool second;     // a second chip, a Y8950 or an OPL3's second register set
};

struct CaptureWrite {
    std::int64_t time; // in the capture's units since its start
    std::uint8_t reg;
    std::uint8_t val;
    CaptureChip chip;
    bool setup; // came before the capture's first wait
};

struct Capture {
    const char* format = "";         // "DRO version 1", "VGM", ...
    std::int64_t unitsPerSecond = 1; // 1000 for DRO, 1,193,180 for RAW, 44,100 for VGM
    std::vector<CaptureWrite> writes;
    std::int64_t length = 0; // all the waits, in the capture's units
    std::string title, author, game, description;
    std::vector<std::uint8_t> tag;  // VGM: the whole GD3 tag as read, to be written back unchanged
    std::int64_t loopTime = -1;     // VGM: the loop point in the capture's units; -1: no loop
    std::size_t loopWrite = 0;      // the first write at or after the loop point
    std::vector<std::string> notes; // what `info` says about the reading
    std::vector<std::string> warnings; // lines for the report when the capture is read
};

// value * numerator / denominator rounded to the nearest integer, halves up, in exact integer
// arithmetic: the one rounding of times between ticks and a capture's units, either way.
std::int64_t ScaleRounded(std::int64_t value, std::int64_t numerator, std::int64_t denominator);
// The tick of a moment `time` units into a capture: round(time * rate / unitsPerSecond), halves
// rounded up, in exact integer arithmetic.
std::int64_t TickOfTime(std::int64_t time, std::int64_t unitsPerSecond, int rate);

// Keeps the writes of the one chip that plays the music, dropping the set-up zeros (value 0,
// before the first wait) of every other chip and noting how many were dropped. Raises "ERROR:
// song uses a second chip or OPL3 registers; IMF holds one OPL2" for any other write to a
// second chip, or music on two chips.
void KeepOneChip(Capture& capture);

// The capture's writes at ticks of the rate, in file order, writes to registers the OPL2 does
// not have left out, the loop point with them. Raises "ERROR: song longer than 2147483647 ticks"
// past the song time.
TickedWrites CaptureTicks(const Capture& capture, int rate);
