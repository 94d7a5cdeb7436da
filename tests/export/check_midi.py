#!/usr/bin/env python3
"""Reads imftool's MIDI output with mido, a reader of its own, and checks it against songs of
known notes: the demo song's melody and bass, and a short rhythm-mode song written here.

  check_midi.py IMFTOOL DEMO.imf WORKDIR        exit 0: passed, 1: failed, 77: mido absent
"""
import math
import os
import struct
import subprocess
import sys

try:
    import mido
except ImportError:
    print("SKIPPED: python3-mido is not installed")
    sys.exit(77)

IMFTOOL, DEMO, WORK = sys.argv[1:4]
FNUM = [345, 365, 387, 410, 435, 460, 488, 517, 547, 580, 614, 651]  # C..B, as the demo
MELODY = [(69, 2), (72, 1), (76, 1), (74, 2), (72, 2), (69, 3), (65, 1), (69, 2), (72, 2),
          (67, 2), (64, 1), (67, 1), (72, 2), (76, 2), (74, 4), (71, 2), (67, 2), (69, 2),
          (72, 1), (76, 1), (81, 2), (79, 2), (77, 2), (76, 1), (74, 1), (72, 2), (69, 2),
          (71, 2), (74, 2), (79, 2), (77, 2), (76, 8)]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def midi_of(song):
    out = os.path.join(WORK, os.path.basename(song) + ".mid")
    subprocess.run([IMFTOOL, "midi", song, out], check=True)
    return mido.MidiFile(out)


def notes(track):
    """(start, end, key, velocity, bend at key-on) of each note, in absolute ticks."""
    now, bend, sounding, found = 0, 0, {}, []
    for message in track:
        now += message.time
        if message.type == "pitchwheel":
            bend = message.pitch
        elif message.type == "note_on" and message.velocity > 0:
            sounding[message.note] = (now, message.velocity, bend)
        elif message.type in ("note_off", "note_on"):
            start, velocity, at = sounding.pop(message.note)
            found.append((start, now, message.note, velocity, at))
    return found


def expected_bend(key):
    block, fnum = key // 12 - 1, FNUM[key % 12]
    exact = 69 + 12 * math.log2(fnum * 49716 / 2 ** (20 - block) / 440)
    return round((exact - key) / 2 * 8192)


demo = midi_of(DEMO)
check(demo.type == 1, "type 1")
tempo = next(m.tempo for m in demo.tracks[0] if m.type == "set_tempo")
check(abs(mido.tick2second(560, demo.ticks_per_beat, tempo) - 1.0) < 1e-9,
      "tick 560 at 560 ticks a second is one second")
by_name = {t.name: t for t in demo.tracks}
check(sorted(by_name) == ["", "channel 0", "channel 1", "channel 2", "channel 3", "channel 4",
                          "channel 5", "channel 6"], "one track per voice: %s" % sorted(by_name))
lead, time = [], 0
for key, eighths in MELODY:
    lead.append((time, time + eighths * 140 - 20, key, 127, expected_bend(key)))
    time += eighths * 140
check(notes(by_name["channel 4"]) == lead, "the melody: %s" % notes(by_name["channel 4"])[:4])
for track in demo.tracks[1:]:
    rpn = [(m.control, m.value) for m in track if m.type == "control_change"][:4]
    check(rpn == [(101, 0), (100, 0), (6, 2), (38, 0)], "bend range RPN in " + track.name)
bass = notes(by_name["channel 0"])
check([n[0] for n in bass[:5]] == [0, 280, 560, 840, 1120], "bass starts %s" % bass[:5])
check(bass[2][2] == 40 and bass[2][3] == 127, "the bass at tick 560 plays E2 loudly")
programs = [next(m.program for m in by_name[name] if m.type == "program_change")
            for name in ("channel 0", "channel 1", "channel 4", "channel 5")]
check(programs == [0, 1, 2, 3], "programs in order of first use: %s" % programs)

# Rhythm mode: bass drum (bit 4) at tick 0 and hi-hat (bit 0) at tick 100, carrier levels 0
# and 20; a melodic note on channel 0 bent a semitone up at tick 50.
records = [(0x53, 0x00, 0), (0x51, 0x14, 0), (0xBD, 0x30, 0), (0xA0, 0x44, 0), (0xB0, 0x32, 50),
           (0xA0, 0x66, 50), (0xBD, 0x21, 100), (0xBD, 0x20, 0), (0xB0, 0x12, 10)]
song = os.path.join(WORK, "drums.imf")
with open(song, "wb") as f:
    f.write(b"\0\0\0\0" + b"".join(struct.pack("<BBH", *r) for r in records))
drums = midi_of(song)
on_ten = [n for t in drums.tracks for n in notes(t)
          if any(m.type == "note_on" and m.channel == 9 for m in t)]
check(sorted(on_ten) == [(0, 100, 36, 127, 0), (100, 200, 42, 87, 0)], "drums: %s" % on_ten)
melodic = [m for t in drums.tracks if t.name == "channel 0" for m in t]
bends = [m.pitch for m in melodic if m.type == "pitchwheel"]
up = 12 * math.log2(614 / 580) / 2 * 8192
check(len(bends) == 2 and abs(bends[1] - bends[0] - up) <= 2, "bend: %s" % bends)

# Every drum keyed at once: one track per drum, named after the sound the chip makes.
song = os.path.join(WORK, "kit.imf")
with open(song, "wb") as f:
    f.write(b"\0\0\0\0" + b"".join(struct.pack("<BBH", *r) for r in [(0xBD, 0x3F, 10),
                                                                        (0xBD, 0x20, 0)]))
names = sorted(t.name for t in midi_of(song).tracks)
check(names == ["", "bass drum", "hi-hat", "snare drum", "tom-tom", "top cymbal"],
      "drum tracks: %s" % names)

# 129 timbres on channel 0: the 129th is program 0 of bank 1, chosen by a bank select.
song = os.path.join(WORK, "many.imf")
with open(song, "wb") as f:
    f.write(b"\0\0\0\0" + b"".join(struct.pack("<BBHBBHBBH", 0x20, n, 0, 0xB0, 0x31, 1,
                                                 0xB0, 0x11, 1) for n in range(129)))
many = [m for t in midi_of(song).tracks for m in t if m.type in ("control_change",
                                                                  "program_change")]
check([(m.type, getattr(m, "value", getattr(m, "program", None))) for m in many[-3:]] ==
      [("control_change", 0), ("control_change", 1), ("program_change", 0)],
      "bank select before the 129th program: %s" % many[-3:])

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
