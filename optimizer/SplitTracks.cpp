#include "SplitTracks.h"

#include "Console.h"
#include "Voice.h"

#include <array>
#include <map>
#include <set>
#include <string>

namespace {

struct SplitState {
    // The register state of each chip channel, all zero at first.
    std::array<TTimbre, kMelodicVoices> timbres{};
    std::array<TInstructionList, kMelodicVoices> pending;
    TTrackList tracks;
    // The tracks that may take a further note, by timbre, each set in creation order. A track
    // whose last note sounds to the end of the song takes no further note and is left out.
    // Instead of a walk over all tracks per note: of the tracks of one timbre at most nine (one
    // note per channel) are still busy at a key-on, so the first free one is found at once.
    std::map<TTimbre::LooseKey, std::set<std::size_t>> byTimbre;
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
            // The interpretation has counted this key-off already; only a full list names it again.
            if (WarningLinesShown())
                PrintLine("Warning: unused KeyOff instruction on channel " +
                          std::to_string(channel) + " at sample " + std::to_string(time));
        } else {
            state.timbres[channel].Apply(next->reg, next->val);
        }
        list.pop_front();
    }
    if (keyOns > 1 && WarningLinesShown())
        PrintLine("Warning: " + std::to_string(keyOns) +
                  " concurrent KeyOn instructions on channel " + std::to_string(channel) +
                  " at sample " + std::to_string(time));
    return current->IsKeyOn() ? current : nullptr;
}

// The first track of the note's timbre (0x43 on its top bits, 0xA0 ignored) whose previous note
// is over by `time`; a new track when there is none. The track leaves the index until its note
// is collected (FileTrack), since the note changes its timbre.
std::size_t ChooseTrack(SplitState& state, const TTimbre& timbre, std::int32_t time) {
    auto bucket = state.byTimbre.find(timbre.Key());
    if (bucket != state.byTimbre.end()) {
        for (std::size_t position : bucket->second) {
            if (state.tracks[position]->globaltime <= time) {
                bucket->second.erase(position);
                return position;
            }
        }
    }
    state.tracks.push_back(std::make_shared<TTrack>());
    return state.tracks.size() - 1;
}

// Files the track under its timbre after a note, unless the note sounds to the end of the song.
void FileTrack(SplitState& state, std::size_t position, bool open) {
    if (!open)
        state.byTimbre[state.tracks[position]->timbre.Key()].insert(position);
}

// Takes the writes of the note that `keyOn` started into the track, up to and including its
// key-off. Within one tick a key-off is taken before the channel's other writes of that tick,
// unless a key-on stands between them; a key-on inside the note stays in it.
// Returns false when the channel's list ends before the key-off: the note stays open.
bool CollectNote(SplitState& state, int channel, TTrack& track, int grouping) {
    TInstructionList& list = state.pending[channel];
    // How many writes at the list's front are known to be non-key writes of the current tick
    // followed by no key-off of that tick before a key-on: they need no look-ahead of their own,
    // which keeps a tick of many writes linear.
    std::size_t clearAhead = 0;
    for (;;) {
        if (list.empty())
            return false;
        InstructionRef current = list.front();
        list.pop_front();
        if (grouping != 0 && !current->IsKeyOnOff()) {
            if (clearAhead > 0) {
                --clearAhead;
            } else {
                // Up to the first write of another tick, key-on or key-off.
                std::size_t looked = 0;
                auto it = list.begin();
                while (it != list.end() && (*it)->globaltime == current->globaltime &&
                       !(*it)->IsKeyOnOff()) {
                    ++it;
                    ++looked;
                }
                if (it != list.end() && (*it)->globaltime == current->globaltime &&
                    (*it)->IsKeyOff()) {
                    InstructionRef keyOff = *it;
                    list.erase(it);
                    list.push_front(current);
                    current = keyOff;
                } else {
                    clearAhead = looked;
                }
            }
        }
        track.AddInstruction(current->reg, current->val, current->globaltime);
        state.timbres[channel].Apply(current->reg, current->val);
        if (current->IsKeyOff())
            return true;
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
        std::size_t position = ChooseTrack(state, state.timbres[channel], keyOn->globaltime);
        TTrack& track = *state.tracks[position];
        track.ApplyTimbre(state.timbres[channel], keyOn->globaltime);
        track.AddInstruction(keyOn->reg, keyOn->val, keyOn->globaltime);
        bool ended = CollectNote(state, channel, track, grouping);
        FileTrack(state, position, !ended);
    }
    return std::move(state.tracks);
}
