// TImfSong: a song interpreted from register writes into channel lists, notes and a register image.
#pragma once

#include "Instruction.h"
#include "Note.h"
#include "RegisterMap.h"
#include "Timbre.h"
#include "Voice.h"

#include <array>
#include <cstdint>

// The readers call InitRead once, then ProcessCommand for every write in file order and
// ProcessPause for every delay. The channel lists are the song's content: list 0 holds chip-wide
// writes (and channel 6..8 writes while rhythm mode is on) with plain register numbers, list k
// (1..9) the writes of channel k-1 in neutral form. Operations of other layers (loading, saving,
// optimising, viewing) are free functions in their own folders that take the song.
class TImfSong {
public:
    std::array<TInstructionList, 10> channels;
    std::array<NoteRef, kMelodicVoices> activenotes; // the sounding note of each channel
    std::array<NoteRef, kDrumCount> rhythmnotes;     // and of each drum
    std::int32_t globaltime = 0;                     // ticks: the sum of all delays since InitRead
    std::int32_t globalindex = 0; // number of ProcessCommand calls since InitRead
    std::int32_t rhythmMode = 0;
    PerRegister<std::uint16_t> regs{}; // last value per register, 256 = not written
    std::uint8_t oldrh = 0;            // the last value written to 0xBD
    TNoteList notes;                   // every note in the order in which the notes started

    int InitRead();

    // Rhythm mode (percussion): see Rhythm.cpp.
    TTimbre GetRhythmTimbre(int slot) const;
    std::uint8_t GetRhythmB0(int slot) const;
    int ProcessRhythmKeyOnBit(std::uint8_t val, int slot);
    int FixRhythmTimbres();
    int ProcessRhythmReg(std::uint8_t val);

    int ProcessCommand(std::uint8_t reg, std::uint8_t val);
    int ProcessPause(int ticks);

    // Song utilities: see SongUtilities.cpp.
    int SwapChannels(int a, int b);
    std::int32_t CountUniqueTimbres() const;
    int ChangeVolume(int amount);
    int ChangeChannelVolume(int channel, int amount);
    int CheckRhythm() const;
    // The largest number of 0xBD writes of the global list that share one tick (0 without any).
    int MaxRhythmChangesPerTick() const;

    // Number of instructions in all ten channel lists.
    std::int64_t InstructionCount() const;

private:
    // Appends to a channel list and notes the write as the last of its register there; `reg` is
    // the real register number.
    void Append(int list, std::uint8_t reg, const InstructionRef& instruction);

    // The last write of each real register in the global list and in the channel lists, while
    // reading: the rhythm fix-up asks for them at every switch of the mode, and a backward scan of
    // a long list for each of 39 registers would make a song that switches often take minutes.
    // Reset by InitRead; only the readers append to the lists between InitRead and the end of
    // a load.
    PerRegister<InstructionRef> lastGlobalWrite_;
    PerRegister<InstructionRef> lastChannelWrite_;

    // Adds a write classified as chip-wide to the extras of the percussion notes it concerns.
    void RoutePercussionWrite(std::uint8_t reg, const InstructionRef& instruction);
};
