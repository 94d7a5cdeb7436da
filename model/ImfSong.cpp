#include "ImfSong.h"

#include "Console.h"
#include "ImfError.h"
#include "RegisterMap.h"

#include <cstdint>
#include <string>

namespace {
// The count line of the warnings below, where they are counted rather than listed.
constexpr const char* kUnusedKeyOffSummary = "key-offs of voices that were not sounding, ignored";
} // namespace

int TImfSong::InitRead() {
    for (TInstructionList& list : channels)
        list = TInstructionList();
    activenotes.fill(nullptr);
    rhythmnotes.fill(nullptr);
    globaltime = 0;
    globalindex = 0;
    rhythmMode = 0;
    oldrh = 0;
    regs.fill(TTimbre::kUndefined);
    notes = TNoteList();
    lastGlobalWrite_.fill(nullptr);
    lastChannelWrite_.fill(nullptr);
    return 0;
}

void TImfSong::Append(int list, std::uint8_t reg, const InstructionRef& instruction) {
    channels[list].push_back(instruction);
    (list == 0 ? lastGlobalWrite_ : lastChannelWrite_)[reg] = instruction;
}

int TImfSong::ProcessCommand(std::uint8_t reg, std::uint8_t val) {
    regs[reg] = val;
    if (reg == 0xBD)
        ProcessRhythmReg(val);

    auto instruction = MakeInstruction(reg, val, globaltime, globalindex);
    int channel = GetRegChannel(reg, rhythmMode);
    if (channel >= 0) {
        instruction->reg = NeutralizeReg(reg);
        Append(channel + 1, reg, instruction);
        NoteRef& active = activenotes[channel];
        if (instruction->IsKeyOn()) {
            if (active) {
                active->extras.push_back(instruction);
            } else {
                auto note = std::make_shared<TNote>();
                note->starttime = globaltime;
                note->startval = val;
                note->index = globalindex;
                note->oldvoice = channel;
                for (const TTimbre::Field& field : TTimbre::kFields)
                    note->timbre.*field.member =
                        regs[DeNeutralizeReg(field.reg, static_cast<std::uint8_t>(channel))];
                active = note;
                notes.push_back(note);
            }
        } else if (instruction->IsKeyOff()) {
            if (active) {
                active->endtime = globaltime;
                active->endval = val;
                active = nullptr;
            } else {
                PrintWarning(kUnusedKeyOffSummary,
                             "ProcessCommand: unused KeyOff for voice " + std::to_string(channel) +
                                 " at sample " + std::to_string(globaltime) + ": " + RegHex(val));
            }
        } else if (active) {
            active->extras.push_back(instruction);
        }
    } else if (channel == -1) {
        RoutePercussionWrite(reg, instruction);
        Append(0, reg, instruction);
    }
    // An invalid register (-2) survives only in the register image.
    ++globalindex;
    return 0;
}

int TImfSong::ProcessPause(int ticks) {
    // Song time is a signed 32-bit tick count: a file whose delays add up beyond it (more than
    // 32,768 records of the longest delay) cannot be held, and is refused rather than wrapped.
    std::int64_t time = std::int64_t{globaltime} + ticks;
    if (time > INT32_MAX)
        throw ImfError("ERROR: song longer than " + std::to_string(INT32_MAX) + " ticks");
    globaltime = static_cast<std::int32_t>(time);
    return 0;
}

std::int64_t TImfSong::InstructionCount() const {
    std::int64_t count = 0;
    for (const TInstructionList& list : channels)
        count += static_cast<std::int64_t>(list.size());
    return count;
}
