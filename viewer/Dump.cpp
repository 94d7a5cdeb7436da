#include "Dump.h"

#include "Console.h"
#include "RegisterMap.h"

#include <string>

int Dump(const TImfSong& song) {
    for (std::size_t c = 0; c < song.channels.size(); ++c) {
        PrintLine("");
        PrintLine("");
        PrintLine("Voice/Channel " + std::to_string(c) + ":");
        PrintLine("================");
        PrintLine("");
        for (const InstructionRef& instruction : song.channels[c]) {
            std::string ending = " ticks";
            if (instruction->reg == 0xB0)
                ending = (instruction->val & 0x20) ? " ticks (KeyOn)" : " ticks (KeyOff)";
            PrintLine("  reg=$" + RegHex(instruction->reg) + " val=$" + RegHex(instruction->val) +
                      " at " + std::to_string(instruction->globaltime) + ending);
        }
    }
    return 0;
}
