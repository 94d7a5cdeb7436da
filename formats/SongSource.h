// SongSource: a song file of any format the tools read (IMF, KMF, DRO, RAW, VGM, VGZ),
// recognised by its content, with the rate rule and the two ways of using it.
#pragma once

#include "Capture.h"
#include "ImfFile.h"
#include "ImfSong.h"
#include "TickedWrites.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct SongSource {
    std::string name;                // the path or the name shown for it
    std::vector<std::uint8_t> bytes; // IMF and KMF: the file, read into a song model on demand
    SongFileLayout layout = SongFileLayout::ImfHeaderless; // IMF and KMF
    std::uint16_t kmfRate = 0;      // KMF: its rate field (560 for 0); otherwise 0
    TickedWrites imfWrites;         // IMF and KMF: the writes at their ticks
    std::optional<Capture> capture; // DRO, RAW, VGM (also gzip-compressed)

    bool IsCapture() const { return capture.has_value(); }
    // "IMF, headerless", "KMF, rate 700", "DRO version 2", "VGM (gzip-compressed)", ...
    std::string FormatText() const;
    // The tick rate (ChooseTickRate) for this song written to outputPath ("" when none).
    int TickRate(int explicitRate, const std::string& outputPath = "") const;
    // The file's writes at ticks of the rate, write for write.
    TickedWrites Writes(int rate) const;
    // The song model of the file: IMF and KMF as LoadFromBytes reads them, captures from their
    // writes at ticks of the rate.
    void Load(TImfSong& song, int rate) const;
};

// Recognises the format by its content (SongFileFormats) and reads the file. Raises the reader's
// errors, and "ERROR: a MIDI file holds no chip writes; ..." for a MIDI file ("MThd").
SongSource ReadSongSource(std::vector<std::uint8_t> bytes, const std::string& name);
