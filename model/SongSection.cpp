#include "SongSection.h"

TSongSectionChain::TSongSectionChain(const TInstructionList& globals) {
    sections_.emplace_back();
    TSongSection* current = &sections_.back();
    std::uint8_t flag = 0;
    for (const InstructionRef& instruction : globals) {
        if (instruction->reg == 0xBD)
            flag = instruction->val & 0x20;
        if (flag != current->rh) {
            current->endtime = instruction->globaltime;
            sections_.push_back(TSongSection{instruction->globaltime, 0, flag, nullptr});
            current->succ = &sections_.back();
            current = current->succ;
        }
        current->endtime = instruction->globaltime;
    }
}
