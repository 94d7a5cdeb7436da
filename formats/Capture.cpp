#include "Capture.h"

#include "ImfError.h"
#include "RegisterMap.h"

#include <climits>
#include <string>

namespace {
const char* const kSecondChipMessage =
    "ERROR: song uses a second chip or OPL3 registers; IMF holds one OPL2";

bool IsSetupZero(const CaptureWrite& write) {
    return write.setup && write.val == 0;
}
} // namespace

std::int64_t ScaleRounded(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    // value * numerator can pass 64 bits for a long RAW capture; the quotient cannot.
    __int128 twice = static_cast<__int128>(value) * numerator * 2;
    return static_cast<std::int64_t>((twice + denominator) /
                                     (static_cast<__int128>(denominator) * 2));
}

std::int64_t TickOfTime(std::int64_t time, std::int64_t unitsPerSecond, int rate) {
    return ScaleRounded(time, rate, unitsPerSecond);
}

void KeepOneChip(Capture& capture) {
    int music = -1; // the id of the chip with writes other than set-up zeros
    int first = -1; // the first chip that could carry the song
    for (const CaptureWrite& write : capture.writes) {
        if (first < 0 && !write.chip.second)
            first = write.chip.id;
        if (IsSetupZero(write))
            continue;
        if (write.chip.second || (music >= 0 && music != write.chip.id))
            throw ImfError(kSecondChipMessage);
        music = write.chip.id;
    }
    int keep = music >= 0 ? music : first;
    std::size_t kept = 0, loopWrite = 0;
    for (std::size_t at = 0; at < capture.writes.size(); ++at) {
        if (at == capture.loopWrite)
            loopWrite = kept;
        const CaptureWrite& write = capture.writes[at];
        if (write.chip.id == keep && !write.chip.second)
            capture.writes[kept++] = write;
    }
    capture.loopWrite = capture.loopWrite >= capture.writes.size() ? kept : loopWrite;
    std::size_t dropped = capture.writes.size() - kept;
    capture.writes.resize(kept);
    if (dropped > 0)
        capture.notes.push_back(std::to_string(dropped) +
                                " set-up zeros to a second chip or register set dropped");
}

TickedWrites CaptureTicks(const Capture& capture, int rate) {
    TickedWrites song;
    song.writes.reserve(capture.writes.size());
    auto tick = [&](std::int64_t time) {
        std::int64_t ticks = TickOfTime(time, capture.unitsPerSecond, rate);
        if (ticks > INT32_MAX)
            throw ImfError("ERROR: song longer than " + std::to_string(INT32_MAX) + " ticks");
        return static_cast<std::int32_t>(ticks);
    };
    for (std::size_t at = 0; at < capture.writes.size(); ++at) {
        const CaptureWrite& write = capture.writes[at];
        if (at == capture.loopWrite)
            song.loopWrite = song.writes.size();
        if (IsChipRegister(write.reg))
            song.writes.push_back({tick(write.time), write.reg, write.val});
        else
            ++(write.reg == 0 ? song.registerZero : song.absent);
    }
    if (capture.loopWrite >= capture.writes.size())
        song.loopWrite = song.writes.size();
    if (capture.loopTime >= 0)
        song.loopTime = tick(capture.loopTime);
    song.length = tick(capture.length);
    return song;
}
