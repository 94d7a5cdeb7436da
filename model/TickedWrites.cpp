#include "TickedWrites.h"

TImfSong SongOfWrites(const TickedWrites& writes) {
    TImfSong song;
    song.InitRead();
    std::int32_t index = 0;
    for (const TimedWrite& write : writes.writes)
        song.channels[0].push_back(MakeInstruction(write.reg, write.val, write.time, ++index));
    song.globaltime = writes.length;
    song.globalindex = index;
    return song;
}

void InterpretWrites(TImfSong& song, const TickedWrites& writes) {
    song.InitRead();
    for (const TimedWrite& write : writes.writes) {
        song.ProcessPause(write.time - song.globaltime);
        song.ProcessCommand(write.reg, write.val);
    }
    song.ProcessPause(writes.length - song.globaltime);
}

TickedWrites WritesOfSong(const TImfSong& song) {
    return {MergeChannelLists(song), song.globaltime};
}
