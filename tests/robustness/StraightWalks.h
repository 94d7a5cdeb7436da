// The optimizer's and the interpreter's walks written the straightforward way, as a yardstick:
// the indexed walks of the system must give exactly what these give. Used by the tests and the
// benchmarks of the crafted worst cases.
#pragma once

#include "Console.h"
#include "ImfSong.h"
#include "RegisterMap.h"
#include "Track.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace straight {

// SplitIntoTracks with a walk over all tracks for each note and a look-ahead over the rest of
// the tick for each write of a note.
struct SplitState {
    std::array<TTimbre, 9> timbres{};
    std::array<TInstructionList, 9> pending;
    TTrackList tracks;
    std::unordered_set<const TTrack*> open;
};

inline int EarliestChannel(const SplitState& state) {
    int best = -1;
    for (int channel = 0; channel < 9; ++channel) {
        const TInstructionList& list = state.pending[channel];
        if (!list.empty() &&
            (best < 0 || list.front()->globaltime < state.pending[best].front()->globaltime))
            best = channel;
    }
    return best;
}

inline InstructionRef TakeGroup(SplitState& state, int channel) {
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

inline TTrack& ChooseTrack(SplitState& state, const TTimbre& timbre, std::int32_t time) {
    for (const TrackRef& track : state.tracks) {
        if (track->timbre.Diff(timbre, 0) == 0 && track->globaltime <= time &&
            !state.open.contains(track.get()))
            return *track;
    }
    state.tracks.push_back(std::make_shared<TTrack>());
    return *state.tracks.back();
}

inline void CollectNote(SplitState& state, int channel, TTrack& track, int grouping) {
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

inline TTrackList SplitIntoTracks(const TImfSong& song, int grouping) {
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

// The writes that the rhythm fix-up must append when the next write to 0xBD switches the mode
// to `on`: for each written register of channels 6..8, a backward scan of the list that takes
// it over for the last write with its number.
inline std::vector<TInstruction> RhythmFixUps(const TImfSong& song, bool on) {
    std::vector<TInstruction> fixUps;
    for (int r = 0; r < 256; ++r) {
        auto reg = static_cast<std::uint8_t>(r);
        if (song.regs[r] >= TTimbre::kUndefined || GetRegChannel(reg, 1) == GetRegChannel(reg, 0))
            continue;
        const TInstructionList& target =
            on ? song.channels[0] : song.channels[GetRegChannel(reg, 0) + 1];
        std::uint8_t number = on ? reg : NeutralizeReg(reg);
        auto last = std::find_if(target.rbegin(), target.rend(),
                                 [number](const InstructionRef& i) { return i->reg == number; });
        if (last == target.rend() || (*last)->val != song.regs[r])
            fixUps.push_back({number, static_cast<std::uint8_t>(song.regs[r]), song.globaltime, 0});
    }
    return fixUps;
}

// CountUniqueTimbres with a search through the known timbres for each note.
inline std::int32_t CountUniqueTimbres(const TImfSong& song) {
    std::vector<TTimbre> known;
    for (std::size_t k = 1; k < song.channels.size(); ++k) {
        TTimbre current;
        std::int32_t noteTime = 0;
        bool sounding = false;
        for (const InstructionRef& instruction : song.channels[k]) {
            if (sounding && instruction->globaltime != noteTime) {
                bool seen = std::any_of(known.begin(), known.end(), [&](const TTimbre& timbre) {
                    return timbre.Diff(current, 0) == 0;
                });
                if (!seen)
                    known.push_back(current.Clone());
            }
            if (!instruction->IsKeyOnOff()) {
                current.Apply(instruction->reg, instruction->val);
            } else if (instruction->IsKeyOn()) {
                if (!sounding) {
                    noteTime = instruction->globaltime;
                    sounding = true;
                }
            } else {
                sounding = false;
            }
        }
    }
    return static_cast<std::int32_t>(known.size());
}

} // namespace straight

namespace worstcase {

constexpr std::uint8_t kOperator[9] = {0, 1, 2, 8, 9, 10, 16, 17, 18};

// `notes` notes one after the other on channels 0..8 in turn, each of its own timbre: before its
// key-on each note writes the modulator's and the carrier's attack/decay and the feedback
// register with values no earlier note had together, so every note becomes a track of its own.
// Each note lasts 2 ticks and starts 1 tick after the previous one.
inline TImfSong OneTrackPerNote(int notes) {
    TImfSong song;
    song.InitRead();
    for (int n = 0; n < notes; ++n) {
        const int c = n % 9;
        if (n >= 2) // the note that started two ticks ago ends now
            song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + (n - 2) % 9), 0x11);
        song.ProcessCommand(static_cast<std::uint8_t>(0x60 + kOperator[c]), n & 0xFF);
        song.ProcessCommand(static_cast<std::uint8_t>(0x63 + kOperator[c]), (n >> 8) & 0xFF);
        song.ProcessCommand(static_cast<std::uint8_t>(0xC0 + c), (n >> 16) & 0x0F);
        song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + c), 0x31);
        song.ProcessPause(1);
    }
    for (int n = std::max(0, notes - 2); n < notes; ++n)
        song.ProcessCommand(static_cast<std::uint8_t>(0xB0 + n % 9), 0x11);
    return song;
}

// A song of `writes` random writes: notes on channels 0..3 with timbres from a few values, so
// that tracks are reused and notes overlap, writes of one tick in groups, stray key-offs,
// concurrent key-ons, and now and then a switch of rhythm mode.
inline TImfSong RandomSong(unsigned seed, int writes) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    static const std::uint8_t kTimbreRegs[] = {0x20, 0x23, 0x40, 0x43, 0x60, 0xA0, 0xC0, 0xE0};
    TImfSong song;
    song.InitRead();
    for (int i = 0; i < writes; ++i) {
        const int c = pick(4) + (pick(8) == 0 ? 5 : 0); // now and then channels 5..8
        const int kind = pick(10);
        std::uint8_t reg, val;
        if (kind < 3) {
            reg = static_cast<std::uint8_t>(0xB0 + c);
            val = static_cast<std::uint8_t>(pick(2) ? 0x31 : 0x11);
        } else if (kind < 9) {
            std::uint8_t neutral = kTimbreRegs[pick(8)];
            reg = neutral >= 0xA0 ? static_cast<std::uint8_t>(neutral + c)
                                  : static_cast<std::uint8_t>(neutral + kOperator[c]);
            val = static_cast<std::uint8_t>(pick(3) * 0x41);
        } else {
            reg = 0xBD;
            val = static_cast<std::uint8_t>(pick(3) == 0 ? 0x20 | pick(32) : 0);
        }
        song.ProcessCommand(reg, val);
        song.ProcessPause(pick(3) == 0 ? pick(4) : 0);
    }
    return song;
}

} // namespace worstcase
