// Voices: the nine melodic channels, then the five drums of rhythm mode, keyed by the bits of
// register 0xBD; their numbers, names and the registers each drum sounds with.
#pragma once

#include <string>

constexpr int kMelodicVoices = 9;
constexpr int kDrumCount = 5;
constexpr int kVoiceCount = kMelodicVoices + kDrumCount;
// Voice 9 + b is the drum keyed by bit b of 0xBD.
constexpr int kFirstDrumVoice = kMelodicVoices;

struct Drum {
    const char* label;     // "top cymbal": in reports of the notes
    const char* infoName;  // "cymbal": in imftool info's rhythm lines
    const char* shortName; // "cy": in bank names and on the command line
    const char* word;      // "cymbal": on the command line and in stem file names
    int channel;           // whose registers it uses
    int op;                // 1 modulator, 2 carrier
    int midiNote;          // its General MIDI percussion key
};

// By key bit of 0xBD, bit 0 first.
inline constexpr Drum kDrums[kDrumCount] = {
    {"hi-hat", "hi-hat", "hh", "hihat", 7, 1, 42},
    {"top cymbal", "cymbal", "cy", "cymbal", 8, 2, 49},
    {"tom-tom", "tom-tom", "tt", "tomtom", 8, 1, 45},
    {"snare drum", "snare", "sd", "snare", 7, 2, 38},
    {"bass drum", "bass drum", "bd", "bassdrum", 6, 2, 36},
};

inline bool IsDrumVoice(int voice) {
    return voice >= kFirstDrumVoice && voice < kVoiceCount;
}
// The drum of a drum voice (voices past the last wrap round).
inline const Drum& DrumOfVoice(int voice) {
    return kDrums[(voice - kFirstDrumVoice) % kDrumCount];
}
