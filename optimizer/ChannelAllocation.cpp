#include "ChannelAllocation.h"

#include "Console.h"
#include "ImfError.h"
#include "SongSection.h"

#include <algorithm>

int SendNote(TTrack& track, TInstructionList* list, TTimbre& timbre, std::int32_t& time) {
    int count = 0;
    bool taken = false;
    bool ended = false;
    while (!ended && !track.instructions.empty()) {
        InstructionRef instruction = std::move(track.instructions.front());
        track.instructions.pop_front();
        taken = true;
        track.timbre.Apply(instruction->reg, instruction->val);
        track.globaltime = instruction->globaltime;
        time = instruction->globaltime;
        ended = instruction->IsKeyOff() != 0;
        // Key writes are never held by a timbre, so they are always sent.
        if (!timbre.AlreadyApplied(instruction->reg, instruction->val)) {
            timbre.Apply(instruction->reg, instruction->val);
            ++count;
            if (list != nullptr)
                list->push_back(std::move(instruction));
        }
    }
    // A note that never ends keeps its channel for the rest of the song.
    if (taken && !ended)
        time = kNeverFree;
    if (!track.instructions.empty())
        track.globaltime = track.instructions.front()->globaltime;
    return count;
}

namespace {

// Where `track` stands among `tracks`; raises "cannot find old track!" when it is absent.
std::size_t TrackPosition(const TTrack& track, const TTrackList& tracks) {
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].get() == &track)
            return i;
    }
    throw ImfError("cannot find old track!");
}

// The free channel of least timbre distance from `first` up to `last` - 1; the lowest wins on
// equal costs. With `freshCostsTwo` a channel that has never played costs 2.
int GreedyChannel(const TTrack& track, const ChannelTimbres& timbres, const ChannelTimes& times,
                  int first, int last, bool freshCostsTwo) {
    int choice = -1;
    int best = std::numeric_limits<int>::max();
    for (int channel = first; channel < last; ++channel) {
        int cost = timbres[channel].Diff(track.timbre, 1);
        if (freshCostsTwo && times[channel] == 0)
            cost = 2;
        if (times[channel] <= track.globaltime && cost < best) {
            best = cost;
            choice = channel;
        }
    }
    return choice;
}

} // namespace

int FindBestChannel(const ChannelOrder& order, const TTrack& track, const TTrackList& tracks,
                    const ChannelTimbres& timbres, const ChannelTimes& times, std::int64_t& cost,
                    int depth, std::int64_t limit) {
    // Channels with equal timbres would give the same result: only the first of them is tried.
    std::vector<int> candidates;
    candidates.reserve(times.size());
    for (int channel : order) {
        if (times[channel] > track.globaltime)
            continue;
        bool repeated = std::any_of(candidates.begin(), candidates.end(), [&](int other) {
            return timbres[channel].Diff(timbres[other], 1) == 0;
        });
        if (!repeated)
            candidates.push_back(channel);
    }

    int bestChannel = -1;
    std::int64_t bestCost = limit;
    for (int candidate : candidates) {
        ChannelTimes trialTimes = times;
        ChannelTimbres trialTimbres = timbres;
        TTrackList trialTracks = CloneTrackList(tracks);
        std::size_t position = TrackPosition(track, tracks);
        if (position >= trialTracks.size())
            throw ImfError("cannot find new track!");
        std::int64_t trialCost = GetCosts(candidate, order, *trialTracks[position], trialTracks,
                                          trialTimbres, trialTimes, depth, limit);
        if (trialCost < bestCost) {
            bestCost = trialCost;
            bestChannel = candidate;
        }
    }
    cost = bestCost;
    return bestChannel;
}

std::int64_t GetCosts(int channel, const ChannelOrder& order, TTrack& track, TTrackList& tracks,
                      ChannelTimbres& timbres, ChannelTimes& times, int depth, std::int64_t limit) {
    std::int64_t cost = SendNote(track, nullptr, timbres[channel], times[channel]);
    if (cost > limit)
        return cost;
    while (depth > 0) {
        --depth;
        TTrack* next = FindEarliestTrack(tracks);
        if (next == nullptr)
            return cost;
        std::int64_t subCost = 0;
        int nextChannel =
            FindBestChannel(order, *next, tracks, timbres, times, subCost, depth, limit);
        // Where the next note finds no channel, the look-ahead ends without adding anything.
        if (nextChannel < 0)
            return cost;
        cost += subCost;
        if (cost > limit)
            return cost;
        cost += SendNote(*next, nullptr, timbres[nextChannel], times[nextChannel]);
        if (cost > limit)
            return cost;
    }
    return cost;
}

TImfSong TracksToSong(const TTrackList& tracks, const TInstructionList& globals,
                      std::uint8_t reserved, int depth) {
    TTrackList working = CloneTrackList(tracks);
    ChannelOrder order;
    for (int channel = reserved; channel < 9; ++channel)
        order.push_back(channel);
    TSongSectionChain chain(globals);
    TSongSection* section = chain.First();

    ChannelTimbres timbres;
    for (TTimbre& timbre : timbres)
        timbre.InitUndefined();
    std::array<TInstructionList, kMelodicVoices> outputs;
    ChannelTimes times{};

    for (const TrackRef& track : working) {
        if (track->instructions.empty())
            throw ImfError("bad track");
        track->timbre = TTimbre();
        track->globaltime = track->instructions.front()->globaltime;
    }

    // FindEarliestTrack over the working tracks, kept up to date note by note.
    EarliestTrackQueue queue(working);
    for (TTrack* track = queue.Earliest(); track != nullptr; track = queue.Earliest()) {
        // A note that starts on a section boundary belongs to the later section.
        while (track->globaltime >= section->endtime && section->succ != nullptr)
            section = section->succ;

        int channel = -1;
        if (depth >= 0 && section->rh == 0) {
            std::int64_t cost = 0;
            channel =
                FindBestChannel(order, *track, working, timbres, times, cost, depth, kNoLimit);
        } else {
            const int upper = section->rh != 0 ? 6 : 9;
            channel = GreedyChannel(*track, timbres, times, reserved, upper, depth == -1);
            if (reserved != 0 && channel < 0) {
                PrintLine("no regular channel available, using reserved channel");
                channel =
                    GreedyChannel(*track, timbres, times, 0, std::min<int>(reserved, upper), false);
            }
        }
        if (channel < 0)
            throw ImfError("ERROR: no channel available");
        SendNote(*track, &outputs[channel], timbres[channel], times[channel]);
        queue.Update(track);
    }

    TImfSong song;
    song.channels[0] = globals;
    for (int channel = 0; channel < 9; ++channel)
        song.channels[channel + 1] = std::move(outputs[channel]);
    return song;
}
