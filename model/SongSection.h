// TSongSection: spans of song time with rhythm mode on or off, built from the global list.
#pragma once

#include "Instruction.h"

#include <cstdint>
#include <deque>

struct TSongSection {
    std::int32_t starttime = 0;
    std::int32_t endtime = 0;
    std::uint8_t rh = 0;             // 0x20 while rhythm mode is on, else 0
    TSongSection* succ = nullptr;    // the next span, or null for the last
};

// The chain of spans; owns its sections (a deque keeps their addresses stable).
class TSongSectionChain {
public:
    // A new section begins at every write to 0xBD that changes bit 0x20; consecutive sections
    // meet, and the last ends at the time of the last global write (0 without any).
    explicit TSongSectionChain(const TInstructionList& globals);

    TSongSection* First() { return &sections_.front(); }

private:
    std::deque<TSongSection> sections_;
};
