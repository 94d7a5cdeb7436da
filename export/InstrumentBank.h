// InstrumentBank: two-operator instruments with names, as the bank files hold them (the files
// themselves: BankFormats.h; a song's timbres as a bank: SongBank.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// One operator's five registers (0x20, 0x40, 0x60, 0x80 and 0xE0 families).
struct BankOperator {
    std::uint8_t character = 0;  // tremolo, vibrato, sustain, key scale rate, multiplier
    std::uint8_t scaleLevel = 0; // key scale level, total level
    std::uint8_t attackDecay = 0;
    std::uint8_t sustainRelease = 0;
    std::uint8_t waveform = 0;

    bool operator==(const BankOperator&) const = default;
};

struct BankInstrument {
    std::string name;
    // The name's field as read, with whatever follows the name's end: written back as it was
    // while the name is unchanged.
    std::string nameField;
    BankOperator modulator, carrier;
    std::uint8_t feedbackConnection = 0; // register 0xC0
    // What only WOPL holds: a second voice, offsets and flags.
    std::int16_t noteOffset = 0, noteOffset2 = 0;
    std::int8_t velocityOffset = 0, detune = 0;
    std::uint8_t percussionKey = 0;
    std::uint8_t flags = 0; // 0x04: blank; 0x08..0x28: the rhythm-mode drum it is
    std::uint8_t feedbackConnection2 = 0;
    BankOperator modulator2, carrier2;
    std::uint16_t delayOn = 0, delayOff = 0;
    // The last five of the 16 bytes of an IBK or SBI record: percussion voice, transpose,
    // drum pitch and two reserved bytes.
    std::array<std::uint8_t, 5> tail{};

    bool operator==(const BankInstrument&) const = default;
};

// A WOPL bank's name and MIDI bank number.
struct BankSet {
    std::string name;
    std::uint8_t lsb = 0, msb = 0;
    bool operator==(const BankSet&) const = default;
};

struct InstrumentBank {
    std::vector<BankInstrument> melodic;    // program numbers 0 and up
    std::vector<BankInstrument> percussion; // WOPL: by drum note; IBK/SBI: after the melodic
    // The WOPL header: its flags, volume model and the sets of 128 instruments.
    std::uint8_t globalFlags = 0, volumeModel = 0;
    std::vector<BankSet> melodicSets, percussionSets;
    // GENMIDI banks are tuned for DMX, which plays key + offset (folded into 0..95) an octave
    // above standard pitch; the other formats play key + offset at standard pitch.
    bool dmxPitch = false;
};

// WOPL's instrument flags, which GENMIDI banks map onto.
constexpr std::uint8_t kDoubleVoiceInstrument = 0x02; // two 2-operator voices at once
constexpr std::uint8_t kBlankInstrument = 0x04;
constexpr std::uint8_t kFixedNoteInstrument = 0x40; // plays percussionKey whatever the key

// The bank formats; SBI holds one instrument, and a bank of them is a folder of SBI files.
enum class BankFormat { Op2, Wopl, Ibk, Sbi };
