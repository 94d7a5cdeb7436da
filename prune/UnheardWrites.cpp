#include "UnheardWrites.h"

#include "RegisterRules.h"
#include "SilentOperators.h"
#include "SongRender.h"
#include "WriteOrder.h"

#include <algorithm>
#include <utility>

DropCounts& DropCounts::operator+=(const DropCounts& other) {
    repeated += other.repeated;
    overwritten += other.overwritten;
    ignoredBits += other.ignoredBits;
    timers += other.timers;
    absent += other.absent;
    registerZero += other.registerZero;
    silent += other.silent;
    return *this;
}

namespace {
// One pass of the rules over the stream; the writes that go are removed.
DropCounts DropFromStream(TickedWrites& song, const InaudibleOptions& options,
                          const std::vector<bool>& silent) {
    std::vector<StreamWrite> stream;
    stream.reserve(song.writes.size());
    for (const TimedWrite& write : song.writes)
        stream.push_back({write.time, write.reg, write.val});
    const bool loops = song.loopTime >= 0;
    const StreamDrops drops =
        FindInaudibleWrites(stream, options, silent, loops ? song.loopWrite : kNoLoop);
    std::size_t kept = 0, loopWrite = 0;
    for (std::size_t at = 0; at < song.writes.size(); ++at) {
        if (at == song.loopWrite)
            loopWrite = kept;
        if (drops.keep[at])
            song.writes[kept++] = song.writes[at];
    }
    song.loopWrite = song.loopWrite >= song.writes.size() ? kept : loopWrite;
    song.writes.resize(kept);
    return drops.counts;
}

// Replays the writes that `writes` gives and lets `drop` take the silent operator writes, as
// long as that leaves more to find. Without the flagged writes every other operator reads as
// before, so a further replay can find more only where the writes left repeated changed what
// the next one sees.
template <class Writes, class Drop>
DropCounts ReplayRounds(Writes writes, Drop drop, int unitsPerSecond, std::int32_t length) {
    DropCounts counts;
    for (;;) {
        const std::vector<TimedWrite> now = writes();
        if (unitsPerSecond <= 0 || !RenderableLength(RenderLength(now, unitsPerSecond, length)))
            return counts;
        const std::vector<bool> silent = FindSilentOperatorWrites(now, unitsPerSecond, length);
        if (std::find(silent.begin(), silent.end(), true) == silent.end())
            return counts;
        const DropCounts round = drop(silent);
        counts += round;
        if (round.Total() == round.silent)
            return counts;
    }
}
} // namespace

DropCounts DropUnheardWrites(TickedWrites& song, const InaudibleOptions& options,
                             int unitsPerSecond, bool deep) {
    DropCounts counts = DropFromStream(song, options, {});
    counts.registerZero += std::exchange(song.registerZero, 0);
    counts.absent += std::exchange(song.absent, 0);
    if (deep && song.loopTime < 0)
        counts += ReplayRounds(
            [&] { return song.writes; },
            [&](const std::vector<bool>& silent) { return DropFromStream(song, options, silent); },
            unitsPerSecond, song.length);
    return counts;
}

DropCounts DropUnheardWrites(TImfSong& song, const InaudibleOptions& options, int tickRate,
                             bool deep) {
    DropCounts counts = DropInaudibleWrites(song, options);
    if (deep)
        counts += ReplayRounds([&] { return MergeChannelLists(song); },
                               [&](const std::vector<bool>& silent) {
                                   return DropInaudibleWrites(song, options, silent);
                               },
                               tickRate, song.globaltime);
    return counts;
}
