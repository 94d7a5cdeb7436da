// libFuzzer target: the MIDI reader on raw bytes, then the composer with the built-in bank and
// the faithful pass's model of the writes.
#include "DefaultBank.h"
#include "FuzzSupport.h"
#include "MidiCompose.h"
#include "MidiReader.h"
#include "Op2File.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {
// A malformed file names what is wrong ("ERROR: MIDI ..."); a song may be too long for ticks.
bool IsAcceptedMidiError(std::string_view message) {
    return message.starts_with("ERROR: MIDI ") ||
           message == "ERROR: song longer than 2147483647 ticks";
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::Silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The probe decides what reaches the reader, as in imftool convert.
    if (size > 4096 || !IsMidi(std::span<const std::uint8_t>(data, size)))
        return -1;
    static const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    try {
        const MidiSong song = ReadMidi(std::span<const std::uint8_t>(data, size));
        ComposeReport report;
        const TickedWrites writes = ComposeMidi(song, bank, ComposeSettings(), report);
        TImfSong model;
        InterpretWrites(model, writes);
    } catch (const ImfError& error) {
        if (!IsAcceptedMidiError(error.Message())) {
            std::fprintf(stderr, "unexpected raised error: \"%s\"\n", error.what());
            std::abort();
        }
    }
    return 0;
}
