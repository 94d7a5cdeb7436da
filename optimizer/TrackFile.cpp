// The single-track export, kept apart so that programs which never export need no IMF writer.
#include "Track.h"

#include "ImfFile.h"

int TTrack::SaveToImf(const std::string& path, const TInstructionList* globals) const {
    TImfSong song;
    if (globals != nullptr)
        song.channels[0] = *globals;
    song.channels[1] = instructions;
    SaveImf(song, path, 0);
    return 0;
}
