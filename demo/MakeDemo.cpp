// make_demo: writes the project's demo song, "Lantern Walk", a short tune composed for imfproc.
//
// Eight bars in A minor at 120 beats a minute (560 ticks a second, 280 ticks a beat): a bass, a
// three-voice organ pad, a lead melody and a bell arpeggio on two channels whose notes ring into
// each other. Like the output of many game music drivers, it rewrites a channel's whole timbre
// before every note and repeats the rhythm register every bar, so the optimizer has writes to
// remove. The song ends with a beat of silence after the last key-off, for the release.
//
// Usage: make_demo OUTPUT.imf   (headerless IMF, an all-zero record first)
#include "ByteWriter.h"
#include "FileBytes.h"
#include "ImfError.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
constexpr int kBeat = 280;
constexpr int kEighth = kBeat / 2;
constexpr int kBar = 4 * kBeat;
constexpr int kBars = 8;

// Frequency numbers of C to B in the octave whose block number equals the octave.
constexpr int kFnum[12] = {345, 365, 387, 410, 435, 460, 488, 517, 547, 580, 614, 651};

// Operator registers (modulator, carrier) and the feedback/connection register of a timbre.
struct Instrument {
    std::uint8_t r20[2], r40[2], r60[2], r80[2], rE0[2];
    std::uint8_t rC0;
};
constexpr Instrument kBass = {{0x01, 0x01}, {0x1A, 0x00}, {0xF4, 0xF3}, {0x55, 0x56}, {0, 0}, 0x0A};
constexpr Instrument kOrgan = {{0x21, 0x21}, {0x28, 0x03}, {0x73, 0x64},
                               {0x24, 0x16}, {1, 0},       0x06};
constexpr Instrument kLead = {{0x22, 0x21}, {0x16, 0x00}, {0xA2, 0x82}, {0x13, 0x15}, {0, 1}, 0x0C};
constexpr Instrument kBell = {{0x07, 0x01}, {0x1E, 0x02}, {0xF6, 0xF4}, {0x45, 0x35}, {0, 0}, 0x02};

// Writes at one tick go out key-offs first, then timbres and frequencies, then key-ons.
enum Phase { kKeyOff, kSetup, kKeyOn };

struct Event {
    int time;
    Phase phase;
    std::uint8_t reg, val;
};

class Score {
public:
    void Write(int time, Phase phase, int reg, int val) {
        events_.push_back(
            {time, phase, static_cast<std::uint8_t>(reg), static_cast<std::uint8_t>(val)});
    }

    // A note of MIDI number `note` on `channel` from `start`, keyed off after `length` ticks.
    void Note(int channel, const Instrument& instrument, int note, int start, int length) {
        int op = channel % 3 + 8 * (channel / 3);
        for (int i = 0; i < 2; ++i) {
            Write(start, kSetup, 0x20 + op + 3 * i, instrument.r20[i]);
            Write(start, kSetup, 0x40 + op + 3 * i, instrument.r40[i]);
            Write(start, kSetup, 0x60 + op + 3 * i, instrument.r60[i]);
            Write(start, kSetup, 0x80 + op + 3 * i, instrument.r80[i]);
            Write(start, kSetup, 0xE0 + op + 3 * i, instrument.rE0[i]);
        }
        Write(start, kSetup, 0xC0 + channel, instrument.rC0);
        int fnum = kFnum[note % 12];
        int block = note / 12 - 1;
        int b0 = block << 2 | fnum >> 8;
        Write(start, kSetup, 0xA0 + channel, fnum & 0xFF);
        Write(start, kKeyOn, 0xB0 + channel, 0x20 | b0);
        Write(start + length, kKeyOff, 0xB0 + channel, b0);
    }

    // Headerless IMF: the all-zero record, then each write with the delay to the next one; the
    // last write is followed by `tail` ticks of silence.
    std::vector<std::uint8_t> Imf(int tail) {
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            return a.time != b.time ? a.time < b.time : a.phase < b.phase;
        });
        ByteWriter out;
        out.U32(0);
        for (std::size_t i = 0; i < events_.size(); ++i) {
            int next = i + 1 < events_.size() ? events_[i + 1].time : events_[i].time + tail;
            out.U8(events_[i].reg);
            out.U8(events_[i].val);
            out.U16(static_cast<std::uint16_t>(next - events_[i].time));
        }
        return out.Release();
    }

private:
    std::vector<Event> events_;
};

struct Chord {
    int bass[4]; // one root or fifth a beat
    int tones[3];
};
// Am | F | C | G | Am | F | G | C
constexpr Chord kChords[kBars] = {
    {{45, 45, 40, 45}, {57, 60, 64}}, {{41, 41, 48, 41}, {53, 57, 60}},
    {{48, 48, 43, 48}, {55, 60, 64}}, {{43, 43, 50, 43}, {55, 59, 62}},
    {{45, 45, 40, 45}, {57, 60, 64}}, {{41, 41, 48, 41}, {53, 57, 60}},
    {{43, 43, 50, 43}, {55, 59, 62}}, {{48, 43, 48, 36}, {55, 60, 64}},
};

// The melody: MIDI note and length in eighths, eight eighths a bar.
struct MelodyNote {
    int note, eighths;
};
constexpr MelodyNote kMelody[] = {
    {69, 2}, {72, 1}, {76, 1}, {74, 2}, {72, 2}, // Am
    {69, 3}, {65, 1}, {69, 2}, {72, 2},          // F
    {67, 2}, {64, 1}, {67, 1}, {72, 2}, {76, 2}, // C
    {74, 4}, {71, 2}, {67, 2},                   // G
    {69, 2}, {72, 1}, {76, 1}, {81, 2}, {79, 2}, // Am
    {77, 2}, {76, 1}, {74, 1}, {72, 2}, {69, 2}, // F
    {71, 2}, {74, 2}, {79, 2}, {77, 2},          // G
    {76, 8},                                     // C
};

std::vector<std::uint8_t> Compose() {
    Score score;
    score.Write(0, kSetup, 0x01, 0x20); // waveform select on
    score.Write(0, kSetup, 0x08, 0x00);
    for (int bar = 0; bar < kBars; ++bar) {
        int start = bar * kBar;
        const Chord& chord = kChords[bar];
        score.Write(start, kSetup, 0xBD, 0x00); // repeated every bar, as drivers do
        for (int beat = 0; beat < 4; ++beat)
            score.Note(0, kBass, chord.bass[beat], start + beat * kBeat, kBeat - 60);
        bool last = bar == kBars - 1;
        for (int voice = 0; voice < 3; ++voice)
            score.Note(1 + voice, kOrgan, chord.tones[voice], start, last ? kBar : kBar - 20);
        // The bells alternate between two channels; each rings for a beat, into the next.
        constexpr int kPattern[8] = {0, 1, 2, 1, 0, 1, 2, 1};
        for (int step = 0; step < (last ? 4 : 8); ++step)
            score.Note(5 + step % 2, kBell, chord.tones[kPattern[step]] + 12,
                       start + step * kEighth, kBeat);
    }
    int time = 0;
    for (const MelodyNote& note : kMelody) {
        int length = note.eighths * kEighth;
        score.Note(4, kLead, note.note, time, length - 20);
        time += length;
    }
    return score.Imf(kBeat);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: make_demo OUTPUT.imf\n", stderr);
        return 2;
    }
    try {
        WriteFileReplacing(argv[1], Compose());
    } catch (const ImfError& error) {
        std::fputs(error.what(), stderr);
        return error.Status();
    }
    return 0;
}
