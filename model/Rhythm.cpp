// Rhythm (percussion) mode: bit 5 of 0xBD takes channels 6..8 away from melodic use, and its
// bits 0..4 key five percussion slots, each of which becomes notes of voice 9 + slot.
#include "ImfSong.h"

#include "Console.h"
#include "ImfError.h"
#include "RegisterMap.h"

#include <algorithm>
#include <map>
#include <string>

namespace {
// The channel and operator that each percussion key-on bit of 0xBD sounds (bits 4 to 0).
constexpr int kSlotChannel[5] = {6, 6, 7, 7, 8};
constexpr int kSlotOperator[5] = {1, 2, 1, 2, 0}; // 0: both operators

// The operator of a neutral register: 1 for 0x20..0xE0, 2 for 0x23..0xE3, 0 for the channel
// registers 0xA0, 0xB0 and 0xC0.
int FieldOperator(std::uint8_t neutralReg) {
    if ((neutralReg & 0xE0) == 0xA0 || (neutralReg & 0xE0) == 0xC0)
        return 0;
    return (neutralReg & 0x1F) == 3 ? 2 : 1;
}
} // namespace

TTimbre TImfSong::GetRhythmTimbre(int slot) const {
    TTimbre timbre;
    timbre.InitUndefined();
    if (slot < 0 || slot > 4)
        return timbre;
    auto channel = static_cast<std::uint8_t>(kSlotChannel[slot]);
    for (const TTimbre::Field& field : TTimbre::kFields) {
        int op = FieldOperator(field.reg);
        if (kSlotOperator[slot] == 0 || op == 0 || op == kSlotOperator[slot])
            timbre.*field.member = regs[DeNeutralizeReg(field.reg, channel)];
    }
    return timbre;
}

std::uint8_t TImfSong::GetRhythmB0(int slot) const {
    if (slot < 0 || slot > 4)
        return 0;
    return static_cast<std::uint8_t>(regs[0xB0 + kSlotChannel[slot]] & 0xFF);
}

int TImfSong::ProcessRhythmKeyOnBit(std::uint8_t val, int slot) {
    int mask = 1 << slot;
    if ((val & mask) == (oldrh & mask))
        return 0;
    NoteRef& sounding = rhythmnotes[slot];
    if (val & mask) {
        if (sounding)
            throw ImfError("note start while note active");
        auto note = std::make_shared<TNote>();
        note->starttime = globaltime;
        note->index = globalindex;
        note->timbre = GetRhythmTimbre(slot);
        note->startval = GetRhythmB0(slot);
        note->oldvoice = 9 + slot;
        sounding = note;
        notes.push_back(note);
    } else {
        if (!sounding)
            throw ImfError("note end while no note active");
        sounding->endtime = globaltime;
        sounding->endval = GetRhythmB0(slot);
        sounding = nullptr;
    }
    return 0;
}

int TImfSong::FixRhythmTimbres() {
    // The list that takes over the registers of channels 6..8 must end with their current values.
    for (int r = 0; r < kRegisterCount; ++r) {
        auto reg = static_cast<std::uint8_t>(r);
        if (regs[r] >= TTimbre::kUndefined || GetRegChannel(reg, 1) == GetRegChannel(reg, 0))
            continue;
        const int list = rhythmMode ? 0 : GetRegChannel(reg, 0) + 1;
        std::uint8_t number = rhythmMode ? reg : NeutralizeReg(reg);
        // The last write with that number in the target list.
        const InstructionRef& last = (rhythmMode ? lastGlobalWrite_ : lastChannelWrite_)[r];
        if (!last || last->val != regs[r])
            Append(list, reg,
                   MakeInstruction(number, static_cast<std::uint8_t>(regs[r]), globaltime));
    }
    return 0;
}

int TImfSong::ProcessRhythmReg(std::uint8_t val) {
    int previous = rhythmMode;
    rhythmMode = (val & 0x20) ? 1 : 0;
    if (rhythmMode != previous)
        FixRhythmTimbres();
    for (int slot = 0; slot < 5; ++slot)
        ProcessRhythmKeyOnBit(val, slot);
    oldrh = val;
    return 0;
}

void TImfSong::RoutePercussionWrite(std::uint8_t reg, const InstructionRef& instruction) {
    int channel = GetRegChannel(reg, 0);
    if (channel < 6)
        return;
    auto addTo = [&](int slot) {
        if (rhythmnotes[slot])
            rhythmnotes[slot]->extras.push_back(instruction);
    };
    if (channel == 8) {
        addTo(4);
        return;
    }
    int firstSlot = channel == 6 ? 0 : 2;
    int op = FieldOperator(NeutralizeReg(reg));
    if (op == 1 || op == 0)
        addTo(firstSlot);
    if (op == 2 || op == 0)
        addTo(firstSlot + 1);
}

int TImfSong::MaxRhythmChangesPerTick() const {
    std::map<std::int32_t, int> perTime;
    int most = 0;
    for (const InstructionRef& instruction : channels[0]) {
        if (instruction->reg == 0xBD)
            most = std::max(most, ++perTime[instruction->globaltime]);
    }
    return most;
}

int TImfSong::CheckRhythm() const {
    Notice("up to " + std::to_string(MaxRhythmChangesPerTick()) + " rhythm changes per cycle");
    return 0;
}
