#include "Optimize.h"

#include "ChannelAllocation.h"
#include "Console.h"
#include "SplitTracks.h"

#include <string>

int Optimize(TImfSong& song, std::uint8_t reserved, int depth, int grouping, std::uint8_t force,
             const TrackViewer& trackViewer) {
    TTrackList tracks = SplitIntoTracks(song, grouping);
    PrintLine("song has " + std::to_string(tracks.size()) + " tacks");
    std::int64_t trackInstructions = 0;
    for (const TrackRef& track : tracks)
        trackInstructions += static_cast<std::int64_t>(track->instructions.size());
    PrintLine("tracks have " + std::to_string(trackInstructions) + " instructions");
    if (trackViewer)
        trackViewer(tracks);

    TImfSong optimised = TracksToSong(tracks, song.channels[0], reserved, depth);
    const std::int64_t oldCount = song.InstructionCount();
    const std::int64_t newCount = optimised.InstructionCount();
    PrintLine("old: " + std::to_string(oldCount) + " new: " + std::to_string(newCount));

    if (newCount < oldCount || force != 0) {
        for (std::size_t i = 0; i < song.channels.size(); ++i)
            song.channels[i] = optimised.channels[i];
        return static_cast<int>(oldCount - newCount);
    }
    Notice("optimization ADDED " + std::to_string(newCount - oldCount) +
           " instructions\n--CANCELED--");
    return 0;
}
