// TNote: one note from key-on to key-off, with the timbre in force at key-on and its extras.
#pragma once

#include "Instruction.h"
#include "Timbre.h"

#include <cstdint>
#include <memory>
#include <vector>

struct TNote {
    TTimbre timbre;                // the channel's timbre at key-on; fields may be undefined
    std::int32_t starttime = 0;
    std::int32_t endtime = 0;      // 0 while the note has not ended
    std::uint8_t startval = 0;     // value of the key-on write
    std::uint8_t endval = 0;       // value of the key-off write
    TInstructionList extras;       // writes to the channel while the note sounded
    std::int32_t oldvoice = 0;     // channel 0..8, or 9 + percussion slot
    std::int32_t newvoice = 0;
    std::int32_t index = 0;        // input position of the write that started the note
};

using NoteRef = std::shared_ptr<TNote>;
using TNoteList = std::vector<NoteRef>;
