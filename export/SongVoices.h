// A song as the chip plays it: notes per voice, with their timbres, pitches and loudness.
#pragma once

#include "ImfSong.h"
#include "Timbre.h"
#include "Voice.h"

#include <cstdint>
#include <string>
#include <vector>

// "channel 3", or the percussion sound's name ("bass drum").
std::string VoiceLabel(int voice);
// The channel whose registers a voice uses (channel 6 for the bass drum, and so on).
int VoiceChannel(int voice);

// A timbre the first time it was heard: the voice and tick name it.
struct FoundTimbre {
    TTimbre timbre; // the full registers (0x43 with its level, 0xA0 as written)
    int voice;
    std::int32_t tick;
    int drumKey; // percussion only: the MIDI key of the drum channel's pitch
};

struct VoiceNote {
    int voice;
    std::int32_t start;
    std::int32_t end;
    int level; // total level of the carrier (the drum's operator) at key-on: 0 loudest, 63
    struct Pitch {
        std::int32_t time;
        std::uint16_t blockFnum; // (block << 10) | frequency number, as in 0xB0/0xA0
    };
    std::vector<Pitch> pitches; // at key-on, then at each tick that changed it while sounding
    struct Program {
        std::int32_t time;
        int timbre; // index into SongVoices::timbres (or ::drums for percussion)
    };
    // The timbre at key-on, then each change while sounding; empty for a note that ended on
    // the tick it started.
    std::vector<Program> programs;
};

struct SongVoices {
    std::vector<FoundTimbre> timbres; // melodic, in order of first use
    std::vector<FoundTimbre> drums;   // percussion, in order of first use
    std::vector<VoiceNote> notes;     // in order of key-on
    std::int32_t length = 0;          // the song's end, in ticks
};

// Plays the song's writes, in the order the writers put them on disk, through a register image. A
// note's timbre and pitch are those after every write of its key-on tick; timbres are told apart as
// TTimbre::Key does (the carrier's level and 0xA0 do not count), drums also by their sound.
// Timbres are taken at the ends of ticks: a state that lasts only between two writes of one
// tick is never heard, so, unlike CountUniqueTimbres, it adds none.
SongVoices ReadSongVoices(const TImfSong& song);

// The chip's frequency in Hz: fnum * 49,716 / 2^(20 - block).
double ChipFrequency(std::uint16_t blockFnum);
// The MIDI key of a frequency as a real number (69 is 440 Hz); a zero frequency is key 0.
double MidiPitch(double hertz);
