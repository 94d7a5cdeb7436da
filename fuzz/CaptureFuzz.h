// What the capture fuzz targets share: the errors a capture may rightly raise, and the steps
// after a reader (ticks, the song model, the VGM and DRO writers and their readers again, a VGM
// also in samples with the capture's tag and loop).
#pragma once

#include "DroFile.h"
#include "FuzzSupport.h"
#include "TickedWrites.h"
#include "VgmFile.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzzsupport {

// Besides the loader's: a second chip or OPL3 registers, a command byte that VGM does not
// define, a DRO version, compression or register index that cannot be read, damaged gzip data,
// a song too long for a writer's header.
inline bool IsAcceptedCaptureError(std::string_view message) {
    return IsAcceptedError(message) || message.starts_with("ERROR: song uses a second chip") ||
           message.starts_with("ERROR: unknown VGM command ") ||
           message.starts_with("ERROR: DRO ") || message.starts_with("ERROR: damaged gzip") ||
           message.starts_with("ERROR: gzip data ") ||
           message.starts_with("ERROR: song too long for ");
}

template <typename Step> void RunAcceptingCapture(Step step) {
    try {
        step();
    } catch (const ImfError& error) {
        if (IsAcceptedCaptureError(error.Message()))
            return;
        std::fprintf(stderr, "unexpected raised error: \"%s\"\n", error.what());
        std::abort();
    }
}

// Inputs above this size reach no branch that smaller ones miss, and cost more per run.
constexpr std::size_t kMaxCaptureInput = 4096;

// Reads the bytes with `read`, then takes the capture through ticks, the song model and both
// writers; what the writers make must read back.
template <typename Read> int FuzzCapture(const std::uint8_t* data, std::size_t size, Read read) {
    if (size > kMaxCaptureInput)
        return -1;
    RunAcceptingCapture([&] {
        Capture capture = read(std::span<const std::uint8_t>(data, size));
        TickedWrites song = CaptureTicks(capture, 560);
        TImfSong model;
        InterpretWrites(model, song);
        ReadVgm(VgmBytes(song, 560, capture.title));
        ReadDro(DroBytes(song, 560));
        // In the VGM's own clock, with the capture's tag and loop point, as a faithful copy.
        const TickedWrites samples = CaptureTicks(capture, kVgmSamplesPerSecond);
        ReadVgm(VgmBytes(samples, kVgmSamplesPerSecond, "", capture.tag));
    });
    return 0;
}

} // namespace fuzzsupport
