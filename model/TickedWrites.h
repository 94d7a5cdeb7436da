// TickedWrites: a song file's writes at ticks in file order, as a conversion copies them.
#pragma once

#include "ImfError.h"
#include "ImfSong.h"
#include "RegisterMap.h"
#include "WriteOrder.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

struct TickedWrites {
    std::vector<TimedWrite> writes;
    std::int32_t length = 0;    // ticks: the sum of all the file's delays
    std::int32_t loopTime = -1; // where a VGM's loop starts; -1: no loop
    std::size_t loopWrite = 0;  // the first write at or after the loop point
    // Records that the writes leave out: register 0, which is no register, and register
    // numbers the OPL2 does not have.
    std::int64_t registerZero = 0, absent = 0;
};

// Takes a reader's calls as the song model does (InitRead, ProcessCommand, ProcessPause) and
// keeps the writes as they are: no interpretation, no rhythm fix-up. Writes to registers the
// OPL2 does not have are left out, as the song model leaves them out of its lists.
class WriteCollector {
public:
    explicit WriteCollector(TickedWrites& song) : song_(song) {}

    int InitRead() {
        song_ = TickedWrites();
        return 0;
    }
    int ProcessCommand(std::uint8_t reg, std::uint8_t val) {
        if (IsChipRegister(reg))
            song_.writes.push_back({song_.length, reg, val});
        else
            ++(reg == 0 ? song_.registerZero : song_.absent);
        return 0;
    }
    int ProcessPause(int ticks) {
        std::int64_t time = std::int64_t{song_.length} + ticks;
        if (time > INT32_MAX)
            throw ImfError("ERROR: song longer than " + std::to_string(INT32_MAX) + " ticks");
        song_.length = static_cast<std::int32_t>(time);
        return 0;
    }

private:
    TickedWrites& song_;
};

// A song whose list 0 holds the writes in their order with plain register numbers: the writers
// put such a song on disk write for write.
TImfSong SongOfWrites(const TickedWrites& writes);
// Feeds the writes to the song model as a reader does: InitRead, then the writes and pauses.
void InterpretWrites(TImfSong& song, const TickedWrites& writes);
// A song's lists merged into the order the writers use, with its length.
TickedWrites WritesOfSong(const TImfSong& song);
