#include "SplitTracks.h"

#include "Console.h"

#include <array>
#include <string>
#include <unordered_set>

namespace {

struct SplitState {
    std::array<TTimbre, 9> timbres{}; // the register state of each chip channel, all zero at first
    std::array<TInstructionList, 9> pending;
    TTrackList tracks;
    // Tracks whose last note sounds to the end of the song: they take no further note.
    std::unordered_set<const TTrack*> open;
};

// The channel whose pending list starts earliest (the lower channel on equal times), or -1.
int EarliestChannel(const SplitState& state) {
    int best = -1;
    for (int channel = 0; channel < 9; ++channel) {
        const TInstructionList& list = state.pending[channel];
        if (!list.empty() &&
            (best < 0 || list.front()->globaltime < state.pending[best].front()->globaltime))
            best = channel;
    }
    return best;
}

// Consumes the writes of one tick on one channel; returns the key-on that starts a note there,
// or null. A key-off met after that key-on stays pending: it ends the note about to start.
InstructionRef TakeGroup(SplitState& state, int channel) {
    TInstructionList& list = state.pending[channel];
    const std::int32_t time = list.front()->globaltime;
    InstructionRef current = list.front();
    int keyOns = 0;
    while (!list.empty() && list.front()->globaltime == time) {
        const InstructionRef& next = list.front();
        if (next->IsKeyOn()) {
            current = next;
            ++keyOns;
        } else if (next->IsKeyOff()) {
            if (current->IsKeyOn())
                break;
            PrintLine("Warning: unused KeyOff instruction on channel " + std::to_string(channel) +
                      " at sample " + std::to_string(time));
        } else {
            state.timbres[channel].Apply(next->reg, next->val);
        }
        list.pop_front();
    }
    if (keyOns > 1)
        PrintLine("Warning: " + std::to_string(keyOns) +
                  " concurrent KeyOn instructions on channel " + std::to_string(channel) +
                  " at sample " + std::to_string(time));
    return current->IsKeyOn() ? current : nullptr;
}

// The first track of the note's timbre (0x43 on its top bits, 0xA0 ignored) whose previous note
// is over by `time`; a new track when there is none.
TTrack& ChooseTrack(SplitState& state, const TTimbre& timbre, std::int32_t time) {
    for (const TrackRef& track : state.tracks) {
        if (track->timbre.Diff(timbre, 0) == 0 && track->globaltime <= time &&
            !state.open.contains(track.get()))
            return *track;
    }
    state.tracks.push_back(std::make_shared<TTrack>());
    return *state.tracks.back();
}

// Takes the writes of the note that `keyOn` started into the track, up to and including its
// key-off. Within one tick a key-off is taken before the channel's other writes of that tick,
// unless a key-on stands between them; a key-on inside the note stays in it.
void CollectNote(SplitState& state, int channel, TTrack& track, int grouping) {
    TInstructionList& list = state.pending[channel];
    for (;;) {
        if (list.empty()) {
            state.open.insert(&track);
            return;
        }
        InstructionRef current = list.front();
        list.pop_front();
        if (grouping != 0 && !current->IsKeyOnOff()) {
            for (auto it = list.begin(); it != list.end(); ++it) {
                const InstructionRef& ahead = *it;
                if (ahead->globaltime != current->globaltime || ahead->IsKeyOn())
                    break;
                if (ahead->IsKeyOff()) {
                    InstructionRef keyOff = ahead;
                    list.erase(it);
                    list.push_front(current);
                    current = keyOff;
                    break;
                }
            }
        }
        track.AddInstruction(current->reg, current->val, current->globaltime);
        state.timbres[channel].Apply(current->reg, current->val);
        if (current->IsKeyOff())
            return;
    }
}

} // namespace

TTrackList SplitIntoTracks(const TImfSong& song, int grouping) {
    SplitState state;
    for (int channel = 0; channel < 9; ++channel)
        state.pending[channel] = song.channels[channel + 1];

    for (int channel = EarliestChannel(state); channel >= 0; channel = EarliestChannel(state)) {
        InstructionRef keyOn;
        if (grouping != 0) {
            keyOn = TakeGroup(state, channel);
        } else {
            InstructionRef current = state.pending[channel].front();
            state.pending[channel].pop_front();
            state.timbres[channel].Apply(current->reg, current->val);
            if (current->IsKeyOn())
                keyOn = current;
        }
        if (!keyOn)
            continue;
        TTrack& track = ChooseTrack(state, state.timbres[channel], keyOn->globaltime);
        track.ApplyTimbre(state.timbres[channel], keyOn->globaltime);
        track.AddInstruction(keyOn->reg, keyOn->val, keyOn->globaltime);
        CollectNote(state, channel, track, grouping);
    }
    return std::move(state.tracks);
}
