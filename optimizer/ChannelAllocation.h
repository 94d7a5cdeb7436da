// Dealing tracks out to the chip's nine channels again, leaving out writes a channel already holds.
#pragma once

#include "ImfSong.h"
#include "Timbre.h"
#include "Track.h"
#include "Voice.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

using ChannelTimbres = std::array<TTimbre, kMelodicVoices>;
// When each channel is free again, in ticks.
using ChannelTimes = std::array<std::int32_t, kMelodicVoices>;
using ChannelOrder = std::vector<int>;

// The free time of a channel that plays a note sounding to the end of the song.
constexpr std::int32_t kNeverFree = std::numeric_limits<std::int32_t>::max();
// The cost bound the allocator starts its search with.
constexpr std::int64_t kNoLimit = std::numeric_limits<std::int32_t>::max();

// Builds a new song whose list 0 is a copy of `globals` and whose lists 1..9 hold the tracks'
// notes as dealt out to channels 0..8; the input tracks and `globals` are left unchanged. Notes
// go in time order to a channel free at their start. With `depth` negative the choice is greedy
// by timbre distance (with -1 a never-used channel costs 2); with 0 or more it is a look-ahead
// over that many further notes, outside rhythm sections. Channels below `reserved` are used only
// when no other is free; during rhythm sections channels 6..8 are never used.
TImfSong TracksToSong(const TTrackList& tracks, const TInstructionList& globals,
                      std::uint8_t reserved, int depth);

// Sends the track's next note to a channel: moves its writes off the track into `list` (null:
// only measure), leaving out timbre writes the channel timbre already holds. Updates the channel
// timbre, the track and the channel's free time; returns the number of writes sent.
int SendNote(TTrack& track, TInstructionList* list, TTimbre& timbre, std::int32_t& time);

// The channel of `order` on which the track's next note costs least with a look-ahead of
// `depth` further notes, simulated on private copies; -1 when none costs less than `limit`.
// Stores the best cost into `cost`.
int FindBestChannel(const ChannelOrder& order, const TTrack& track, const TTrackList& tracks,
                    const ChannelTimbres& timbres, const ChannelTimes& times, std::int64_t& cost,
                    int depth, std::int64_t limit);

// The writes of sending the track's note on `channel`, plus for each of the next `depth` notes
// the cost of its own best search one level shallower and of sending it there. Consumes notes
// from `tracks` and changes `timbres` and `times`.
std::int64_t GetCosts(int channel, const ChannelOrder& order, TTrack& track, TTrackList& tracks,
                      ChannelTimbres& timbres, ChannelTimes& times, int depth, std::int64_t limit);
