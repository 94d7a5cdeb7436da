// Standard MIDI Files read (formats 0 and 1): the channel events of all tracks in time order.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The channel messages a song is made of; the rest of a file (sysex, meta events other than
// tempo and track end, aftertouch) is skipped.
enum class MidiEventKind : std::uint8_t { NoteOff, NoteOn, Controller, Program, PitchBend };

struct MidiEvent {
    std::int64_t time = 0; // since the start, in units of MidiSong::unitsPerSecond
    MidiEventKind kind = MidiEventKind::NoteOff;
    std::uint8_t channel = 0; // 0..15
    std::uint8_t data1 = 0;   // key, controller or program
    std::uint8_t data2 = 0;   // velocity or value; a bend is data1 | data2 << 7
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    int tempoChanges = 0;
    // Metrical files count microseconds times the division (each tick lasts the tempo in force);
    // SMPTE files count frames times ticks a frame.
    std::int64_t unitsPerSecond = 1;
    std::vector<MidiEvent> events; // by time; events of one time in track, then file, order
    std::int64_t length = 0;       // the time of the last event of any track
};

// Whether the bytes begin with "MThd".
bool IsMidi(std::span<const std::uint8_t> bytes);

// Reads every track; tempo changes count from whichever track holds them, 120 bpm before the
// first. Raises "ERROR: MIDI ..." with what is wrong and its byte offset: a file or track cut
// short, a chunk longer than the file, a variable-length number of more than four bytes, a data
// byte without a status, no tracks, format 2 or an unknown format, a division of 0.
MidiSong ReadMidi(std::span<const std::uint8_t> bytes);
