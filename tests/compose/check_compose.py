#!/usr/bin/env python3
"""imftool convert on MIDI files made here with mido, one for each rule of the composer, read
back from the IMF it writes, and a round trip (convert, then `imftool midi`) compared with the
source (mode "rules"); or the songs of ../shared/midi (mode "measure"; "update" rewrites the
log): their report lines, notes per MIDI channel, first steals and a digest of the bytes
written, at 560 Hz and for Wolfenstein 3-D, against tests/compose/shared_songs.txt, and the
measured targets (note-ons started within a tick at their pitch, writes per started note,
lengths, channel 0 under --game wolf3d).

  check_compose.py rules|measure|update IMFTOOL WORKDIR SOURCE_DIR SHARED_MIDI_DIR
exit 0: passed, 1: failed, 77: mido or the shared songs absent"""
import difflib
import hashlib
import math
import os
import shutil
import struct
import subprocess
import sys

try:
    import mido
except ImportError:
    print("SKIPPED: python3-mido is not installed")
    sys.exit(77)

MODE, IMFTOOL, WORK, SOURCE, SHARED = sys.argv[1:6]
IMFTOOL, WORK = os.path.abspath(IMFTOOL), os.path.abspath(WORK)
os.makedirs(WORK, exist_ok=True)
failures = []
CHIP = 49716.0
MODULATOR = [0, 1, 2, 8, 9, 10, 16, 17, 18]
CHANNEL0 = {0xA0, 0xB0, 0xC0} | {base + op for base in (0x20, 0x40, 0x60, 0x80, 0xE0)
                                 for op in (0, 3)}


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def path(name):
    return os.path.join(WORK, name)


def convert(midi, out, *options, cwd=None):
    done = subprocess.run([IMFTOOL, "convert", midi, out, *options], capture_output=True,
                          text=True, cwd=cwd)
    return done.returncode, done.stdout, done.stderr


def imf_writes(name, length_word=False):
    """(tick, register, value) of each write, and the song's length in ticks."""
    data = open(name, "rb").read()
    if length_word:
        size = struct.unpack_from("<H", data)[0]
        data = data[2:2 + size]
    writes, now = [], 0
    for at in range(0, len(data) - 3, 4):
        reg, val, delay = struct.unpack_from("<BBH", data, at)
        if reg:
            writes.append((now, reg, val))
        now += delay
    return writes, now


def hertz(fnum, block):
    return fnum * CHIP / 2 ** (20 - block)


def semitones(freq):
    return 69 + 12 * math.log2(freq / 440.0)


def key_ons(writes):
    """(tick, channel, pitch in semitones) of each key-on, and the key-offs (tick, channel)."""
    regs, ons, offs = {}, [], []
    for tick, reg, val in writes:
        before = regs.get(reg, 0)
        regs[reg] = val
        if 0xB0 <= reg <= 0xB8:
            channel = reg - 0xB0
            if val & 0x20 and not before & 0x20:
                fnum = regs.get(0xA0 + channel, 0) | (val & 3) << 8
                ons.append((tick, channel, semitones(hertz(fnum, val >> 2 & 7))))
            elif before & 0x20 and not val & 0x20:
                offs.append((tick, channel))
            elif val & 0x20:  # retuned while sounding
                fnum = regs.get(0xA0 + channel, 0) | (val & 3) << 8
                ons.append((tick, channel, None, semitones(hertz(fnum, val >> 2 & 7))))
    return ons, offs


def pitch_at(writes, channel, tick):
    """The pitch in semitones that a channel's frequency registers hold after a tick's writes."""
    regs = {}
    for at, reg, val in writes:
        if at <= tick:
            regs[reg] = val
    b0 = regs.get(0xB0 + channel, 0)
    return semitones(hertz(regs.get(0xA0 + channel, 0) | (b0 & 3) << 8, b0 >> 2 & 7))


def starts(ons):
    return [on for on in ons if len(on) == 3]


# A GENMIDI bank of known instruments: program 0 plain (FM), program 1 with a square-ish
# carrier waveform, program 2 double-voice with a fine-tune of +0.5 semitone, program 3
# additive; drum 36 plays the fixed note 48. All note offsets 0.
def voice(waveform=0, connection=0x0A, level=0x10, carrier_level=0x00):
    # modulator 20 60 80 E0 ksl level, C0, carrier 20 60 80 E0 ksl level, unused, offset
    return bytes([0x01, 0xF2, 0x44, 0, 0x40, level, connection,
                  0x01, 0xF2, 0x44, waveform, 0x80, carrier_level, 0]) + struct.pack("<h", 0)


def instrument(flags=0, fine=128, fixed=0, first=None, second=None):
    return struct.pack("<HBB", flags, fine, fixed) + (first or voice()) + (second or voice())


def make_bank(name):
    records = [instrument() for _ in range(175)]
    records[1] = instrument(first=voice(waveform=1))
    records[2] = instrument(flags=4, fine=160, second=voice(level=0x12))
    records[3] = instrument(first=voice(connection=0x01))
    records[128 + 36 - 35] = instrument(flags=1, fixed=48)
    names = [("ins%d" % i).encode().ljust(32, b"\0") for i in range(175)]
    open(name, "wb").write(b"#OPL_II#" + b"".join(records) + b"".join(names))


BANK = path("test.op2")
make_bank(BANK)


def song(tracks, ticks_per_beat=480, kind=1):
    midi = mido.MidiFile(type=kind, ticks_per_beat=ticks_per_beat)
    for events in tracks:
        track = mido.MidiTrack()
        now = 0
        for at, message in events:
            message.time = at - now
            now = at
            track.append(message)
        midi.tracks.append(track)
    return midi


def on(key, velocity=100, channel=0):
    return mido.Message("note_on", note=key, velocity=velocity, channel=channel)


def off(key, channel=0):
    return mido.Message("note_off", note=key, channel=channel)


def cc(number, value, channel=0):
    return mido.Message("control_change", control=number, value=value, channel=channel)


def program(number, channel=0):
    return mido.Message("program_change", program=number, channel=channel)


def end():
    return mido.MetaMessage("end_of_track")


def converted(name, midi, *options, out_ext=".imf"):
    source = path(name + ".mid")
    midi.save(source)
    out = path(name + out_ext)
    status, stdout, stderr = convert(source, out, "--bank", BANK, *options)
    check(status == 0, "%s: convert status %d: %s" % (name, status, stderr))
    return out, stdout


def dmx_pitch(key):
    return key + 12  # the test bank's offsets are 0; DMX sounds an octave up


def rules():
    # No tempo event: 120 bpm. A note at beat 1 lands on tick 280 at 560 Hz; the song ends on its
    # last event (beat 4: 1120 ticks).
    out, _ = converted("no_tempo", song([[(480, on(60)), (960, off(60)), (1920, end())]]))
    writes, length = imf_writes(out)
    ons, offs = key_ons(writes)
    check([o[0] for o in starts(ons)] == [280], "no tempo: key-on at tick 280, got %s" % ons)
    check(offs == [(560, 0)], "no tempo: key-off at tick 560, got %s" % offs)
    check(length == 1120, "no tempo: length 1120, got %d" % length)
    check(abs(starts(ons)[0][2] - dmx_pitch(60)) < 0.05, "no tempo: pitch of key 60 + 12")

    # The tempo in another track: 240 bpm from beat 1 on, in track 1; the note at beat 2 of track 0
    # is at 0.75 s (tick 420), the end of track 0 at beat 3 (1.0 s: 560).
    out, _ = converted("tempo_elsewhere", song([
        [(960, on(64)), (1200, off(64)), (1440, end())],
        [(480, mido.MetaMessage("set_tempo", tempo=250000)), (480, end())]]))
    writes, length = imf_writes(out)
    ons, _ = key_ons(writes)
    check([o[0] for o in starts(ons)] == [420], "tempo elsewhere: key-on at 420, got %s" % ons)
    check(length == 560, "tempo elsewhere: length 560, got %d" % length)

    # A bend across a block boundary: the first key whose pitch two semitones up needs the next
    # block; a full bend up retunes the held note there, within 5 cents.
    def block_of(pitch):
        freq = 440 * 2 ** ((pitch - 69) / 12)
        return next(b for b in range(8) if round(freq * 2 ** (20 - b) / CHIP) <= 1023)


    key = next(k for k in range(48, 90) if block_of(dmx_pitch(k)) != block_of(dmx_pitch(k) + 2))
    out, _ = converted("bend_block", song([[
        (0, on(key)), (240, mido.Message("pitchwheel", pitch=8191)), (480, off(key)),
        (480, mido.Message("pitchwheel", pitch=0)), (960, end())]]))
    writes, _ = imf_writes(out)
    ons, _ = key_ons(writes)
    retunes = [o for o in ons if len(o) == 4]
    bent = dmx_pitch(key) + 2 * 8191 / 8192
    check(len(retunes) == 1 and retunes[0][0] == 140, "bend: one retune at tick 140, got %s" % ons)
    check(retunes and abs(retunes[0][3] - bent) < 0.05, "bend: within 5 cents of the bent pitch")
    b0 = [v for t, r, v in writes if r == 0xB0]
    check(len({v >> 2 & 7 for v in b0}) == 2, "bend: the block changes, B0 writes %s" % b0)
    check(abs(starts(ons)[0][2] - dmx_pitch(key)) < 0.05, "bend: the note starts unbent")

    # The bend range by RPN 0: twelve semitones; resetting the controllers deselects the RPN, so
    # the later data entry of 2 changes nothing and a full bend goes an octave up.
    out, _ = converted("bend_range", song([[
        (0, cc(101, 0)), (0, cc(100, 0)), (0, cc(6, 12)), (0, cc(121, 0)), (0, cc(6, 2)),
        (0, on(48)), (240, mido.Message("pitchwheel", pitch=8191)), (240, off(48)),
        (480, end())]]))
    ons, _ = key_ons(imf_writes(out)[0])
    retunes = [o for o in ons if len(o) == 4]
    check(retunes and abs(retunes[0][3] - (dmx_pitch(48) + 12 * 8191 / 8192)) < 0.05,
          "bend range: a full bend after the reset is an octave up, got %s" % ons)

    # A non-registered parameter selected after RPN 0 takes the data entry away from the bend
    # range (still two semitones); RPN 0 with a data entry of 1 and 50 cents sets one and a half.
    for name, select, entry, semis in (("nrpn", [cc(101, 0), cc(100, 0), cc(99, 0), cc(98, 0)],
                                        [cc(6, 12)], 2),
                                       ("rpn_cents", [cc(101, 0), cc(100, 0)],
                                        [cc(6, 1), cc(38, 50)], 1.5)):
        out, _ = converted(name, song([[(0, m) for m in select + entry] + [
            (0, on(48)), (240, mido.Message("pitchwheel", pitch=8191)), (240, off(48)),
            (480, end())]]))
        bent = pitch_at(imf_writes(out)[0], 0, 140)
        check(abs(bent - (dmx_pitch(48) + semis * 8191 / 8192)) < 0.01,
              "%s: a full bend goes %s semitones up, got %.3f" % (name, semis, bent))

    # A bend retunes the notes of its own MIDI channel only, the one the pedal holds past its
    # note-off among them.
    bend2 = mido.Message("pitchwheel", pitch=8191, channel=1)
    out, _ = converted("bend_channel", song([[(0, on(48)), (0, cc(64, 127, channel=1)),
                                              (0, on(55, channel=1)), (0, on(60, channel=1)),
                                              (120, off(60, channel=1)), (240, bend2),
                                              (480, off(48)), (480, off(55, channel=1)),
                                              (480, cc(64, 0, channel=1)), (960, end())]]))
    writes = imf_writes(out)[0]
    channels = {round(o[2]): o[1] for o in starts(key_ons(writes)[0])}
    bent = [pitch_at(writes, channels[dmx_pitch(key)], 140) - dmx_pitch(key)
            for key in (48, 55, 60)]
    check(abs(bent[0]) < 0.01 and abs(bent[1] - 2) < 0.01 and abs(bent[2] - 2) < 0.01,
          "bend on channel 2: its notes, held or sustained, move two semitones, the other "
          "channel's stays: %s" % bent)

    # All notes off ends the keys held on its own MIDI channel only (beat 0.5: tick 140).
    out, _ = converted("all_notes_off", song([[(0, on(60)), (0, on(64, channel=1)),
                                               (240, cc(123, 0)), (480, off(60)),
                                               (480, off(64, channel=1)), (960, end())]]))
    _, offs = key_ons(imf_writes(out)[0])
    check([t for t, _ in offs] == [140, 280], "all notes off: key-offs at 140 and 280, got %s"
          % offs)

    # Expression scales like volume: a held note at velocity 127 is re-levelled at half
    # expression, by 40 log10(127/64) dB in steps of 0.75 dB.
    out, _ = converted("expression", song([[(0, on(60, 127)), (240, cc(11, 64)), (480, off(60)),
                                            (960, end())]]))
    carrier = [(t, v) for t, r, v in imf_writes(out)[0] if r == 0x43]
    steps = lambda value: round(40 * math.log10(127 / value) / 0.75)
    check(carrier == [(0, 0x80 | steps(100)), (140, 0x80 | (steps(100) + steps(64)))],
          "expression: carrier %s, expected steps %d then %d more" % (carrier, steps(100),
                                                                    steps(64)))

    # A steal: ten notes held, one every 10 ticks of 480; the tenth takes the oldest note's
    # channel.
    events = [(i * 48, on(60 + i)) for i in range(10)] + [(960, off(60 + i)) for i in range(10)]
    out, stdout = converted("steal", song([events + [(960, end())]]), "--verbose")
    writes, _ = imf_writes(out)
    ons, offs = key_ons(writes)
    first_channel = starts(ons)[0][1]
    check("1 steals" in stdout, "steal: the report counts one steal: %s" % stdout)
    check("steal at tick 252: chip channel %d from MIDI channel 1 key 60 to MIDI channel 1 key 69"
          % first_channel in stdout, "steal: --verbose lists it: %s" % stdout)
    check((252, first_channel) in offs and starts(ons)[-1][:2] == (252, first_channel),
          "steal: key-off and key-on of the oldest note's channel at tick 252")
    check(abs(starts(ons)[-1][2] - dmx_pitch(69)) < 0.05, "steal: the new note's pitch")

    # Ten notes at once: a note keyed on in this tick is never taken, so the tenth waits a tick.
    events = [(0, on(60 + i)) for i in range(10)] + [(960, off(60 + i)) for i in range(10)]
    out, stdout = converted("chord_of_ten", song([events + [(960, end())]]), "--verbose")
    check("steal at tick 1: chip channel 0 from MIDI channel 1 key 60 to MIDI channel 1 key 69"
          in stdout, "ten at once: the tenth takes channel 0 a tick later: %s" % stdout)

    # The waiting tenth note starts even when nothing follows it but the end; released in its
    # own tick, it never starts and steals nothing.
    events = [(0, on(60 + i)) for i in range(10)]
    _, stdout = converted("chord_at_end", song([events + [(960, end())]]), "--verbose")
    check("steal at tick 1: chip channel 0 from MIDI channel 1 key 60 to MIDI channel 1 key 69"
          in stdout, "ten at the end: the tenth still starts a tick later: %s" % stdout)
    _, stdout = converted("chord_cut", song([events + [(0, off(69)), (960, end())]]))
    check("9 started, 0 steals" in stdout, "ten, the tenth released at once: %s" % stdout)

    # Sustain: the pedal holds the note past its note-off until it lifts.
    out, _ = converted("sustain", song([[(0, cc(64, 127)), (0, on(60)), (480, off(60)),
                                         (960, cc(64, 0)), (1200, end())]]))
    writes, _ = imf_writes(out)
    _, offs = key_ons(writes)
    check(offs == [(560, 0)], "sustain: key-off when the pedal lifts (560), got %s" % offs)

    # A chord: releasing one key leaves the other sounding.
    out, _ = converted("chord", song([[(0, on(60)), (0, on(64)), (480, off(60)), (960, off(64)),
                                       (1200, end())]]))
    _, offs = key_ons(imf_writes(out)[0])
    check([t for t, _ in offs] == [280, 560], "chord: key-offs at 280 and 560, got %s" % offs)

    # Resetting the controllers lifts the pedal: the held note ends there (beat 1.5: tick 420).
    out, _ = converted("reset_pedal", song([[(0, cc(64, 127)), (0, on(60)), (480, off(60)),
                                             (720, cc(121, 0)), (1200, end())]]))
    _, offs = key_ons(imf_writes(out)[0])
    check(offs == [(420, 0)], "reset: key-off when the controllers reset (420), got %s" % offs)

    # A volume change reaches the notes keyed on, not one already released (beat 1: tick 280).
    out, _ = converted("volume_release", song([[(0, on(60)), (480, off(60)), (600, cc(7, 40)),
                                                (1200, end())]]))
    late = [(t, r) for t, r, v in imf_writes(out)[0] if 0x40 <= r <= 0x55 and t > 280]
    check(late == [], "volume: no level written to the released note, got %s" % late)

    # Running status with velocity 0 as the note-off, written byte for byte.
    track = bytes.fromhex("0090 3c64 8360 3c00 0040 64 8360 4000 00ff2f00".replace(" ", ""))
    raw = (bytes.fromhex("4d546864 00000006 0000 0001 01e0 4d54726b".replace(" ", "")) +
           struct.pack(">I", len(track)) + track)
    open(path("running.mid"), "wb").write(raw)
    status, _, stderr = convert(path("running.mid"), path("running.imf"), "--bank", BANK)
    check(status == 0, "running status: converted: %s" % stderr)
    if status == 0:
        writes, _ = imf_writes(path("running.imf"))
        ons, offs = key_ons(writes)
        check([o[0] for o in starts(ons)] == [0, 280] and [t for t, _ in offs] == [280, 560],
              "running status: two notes, 280 ticks each, got %s %s" % (ons, offs))

    # Drums: key 36 plays its fixed note 48 (an octave up: 60); key 30 is not in the bank.
    out, stdout = converted("drums", song([[(0, on(36, channel=9)), (0, on(30, channel=9)),
                                            (240, off(36, channel=9)), (240, off(30, channel=9)),
                                            (480, end())]]))
    ons, _ = key_ons(imf_writes(out)[0])
    check(len(starts(ons)) == 1 and abs(starts(ons)[0][2] - 60) < 0.05,
          "drums: one drum at its fixed note, got %s" % ons)
    check("1 started, 0 steals, 1 drums skipped" in stdout, "drums: the report: %s" % stdout)

    # The waveform-select bit: set first when an instrument uses a waveform other than sine.
    out, _ = converted("waveform", song([[(0, program(1)), (0, on(60)), (240, off(60)),
                                          (480, end())]]))
    writes, _ = imf_writes(out)
    check(writes[0] == (0, 0x01, 0x20), "waveform: 0x01 = 0x20 first, got %s" % writes[:2])
    writes, _ = imf_writes(path("no_tempo.imf"))
    check(all(r != 0x01 for _, r, _ in writes), "waveform: not set for sine instruments")

    # Levels: velocity 64 is 16 steps (40 log10(127/64) dB / 0.75) softer than 127 on the
    # carrier; an additive instrument levels its modulator too; volume re-levels a held note.
    out, _ = converted("levels", song([[(0, on(60, 127)), (240, off(60)), (480, on(60, 64)),
                                        (720, off(60)), (960, program(3)), (960, on(60, 64)),
                                        (1080, cc(7, 50)), (1200, off(60)), (1440, end())]]))
    writes = imf_writes(out)[0]
    last = starts(key_ons(writes)[0])[-1][1]
    carrier = [v for t, r, v in writes if r == 0x43]
    modulator = [v for t, r, v in writes if r == 0x40 + MODULATOR[last]]
    steps = lambda value: round(40 * math.log10(127 / value) / 0.75)
    volume = steps(100)
    check(carrier[:2] == [0x80 | min(63, volume), 0x80 | min(63, volume + 16)],
          "levels: carrier by velocity, key-scale bits kept, got %s" % carrier)
    check(modulator[-2:] == [0x40 | min(63, 0x10 + 16 + volume), 0x40 | min(63, 0x10 + 16 + steps(50))],
          "levels: additive modulator levelled, then re-levelled by volume, got %s" % modulator)

    # A double-voice instrument: two channels, the second half a semitone up.
    out, _ = converted("double", song([[(0, program(2)), (0, on(60)), (240, off(60)),
                                        (480, end())]]))
    ons, _ = key_ons(imf_writes(out)[0])
    pitches = sorted(o[2] for o in starts(ons))
    check(len(pitches) == 2 and abs(pitches[1] - pitches[0] - 0.5) < 0.05,
          "double voice: two voices 0.5 semitone apart, got %s" % pitches)

    # Wolfenstein 3-D: 700 Hz, length word, nothing on channel 0 even with nine notes at once.
    events = [(0, on(50 + i)) for i in range(9)] + [(480, off(50 + i)) for i in range(9)]
    out, stdout = converted("wolf", song([events + [(960, end())]]), "--game", "wolf3d",
                            out_ext=".wlf")
    writes, length = imf_writes(out, length_word=True)
    check(all(r not in CHANNEL0 for _, r, _ in writes), "wolf3d: a write to channel 0")
    check(length == 700, "wolf3d: one second at 700 Hz, got %d" % length)
    check("9 notes, 9 started, 1 steals" in stdout, "wolf3d: eight channels: %s" % stdout)

    # The size refusal: 9000 short notes do not fit a length word; without one they are written.
    # The size counts the IMF data after the length word: without the leading all-zero record
    # when the song starts at once, with it when the first note comes later (half a second).
    for name, start in (("big", 0), ("late", 960)):
        events = []
        for i in range(9000):
            events += [(start + i * 2, on(40 + i % 40)), (start + i * 2 + 1, off(40 + i % 40))]
        big = song([events + [(start + 18000, end())]], ticks_per_beat=960)
        big.save(path(name + ".mid"))
        status, _, _ = convert(path(name + ".mid"), path(name + ".imf"), "--rate", "700",
                               "--free-channel0")
        check(status == 0, "size: headerless is written")
        headerless = open(path(name + ".imf"), "rb").read()
        skip = 4 if start == 0 else 0
        data = len(headerless) - skip
        # What fits: the delays of the whole records within the word's 65535 bytes.
        fits = sum(struct.unpack_from("<H", headerless, at + 2)[0]
                   for at in range(skip, skip + 65532, 4))
        status, stdout, stderr = convert(path(name + ".mid"), path(name + ".wlf"), "--game",
                                         "wolf3d")
        check(status == 255 and stderr.startswith("ERROR: song of %d bytes does not fit the "
                                                  "65535 that a length word counts; its first "
                                                  "%.1f seconds would" % (data, fits / 700)),
              "size: refused with the size (%d) and what fits (%.1f s): %d %s"
              % (data, fits / 700, status, stderr))
        check(not os.path.exists(path(name + ".wlf")), "size: nothing written")

    # The round trip: convert, then `imftool midi`; every note starts at its time (within one
    # tick, 1/560 s) at its pitch.
    events, now = [], 0
    melody = [60, 62, 64, 65, 67, 69, 71, 72, 48, 55]
    for i, key in enumerate(melody):
        events += [(i * 240, on(key)), (i * 240 + 200, off(key))]
    events += [(0, on(36)), (2000, off(36))]
    out, _ = converted("round", song([sorted(events, key=lambda e: e[0]) + [(2400, end())]]))
    subprocess.run([IMFTOOL, "midi", out, path("round_back.mid")], check=True)
    back = mido.MidiFile(path("round_back.mid"))
    found = []
    for track in back.tracks:
        now, bend = 0, 0
        for message in track:
            now += message.time
            if message.type == "pitchwheel":
                bend = message.pitch
            elif message.type == "note_on" and message.velocity > 0:
                found.append((now, message.note + bend / 8192 * 2))
    tempo = next(m.tempo for m in back.tracks[0] if m.type == "set_tempo")
    seconds = lambda ticks: ticks * tempo / 1e6 / back.ticks_per_beat
    expected = sorted([(i * 240 / 960, key + 12) for i, key in enumerate(melody)] + [(0, 48)])
    got = sorted((seconds(t), p) for t, p in found)
    check(len(got) == len(expected) and all(
        abs(a[0] - b[0]) <= 1 / 560 and abs(a[1] - b[1]) < 0.05 for a, b in zip(expected, got)),
        "round trip: the note starts, got %s" % got)



# The measured targets on the shared songs (skipped, visibly, without them).
def bank_offsets(name):
    data = open(name, "rb").read()
    entries = []
    for i in range(175):
        at = 8 + 36 * i
        flags, _, fixed = struct.unpack_from("<HBB", data, at)
        offset = struct.unpack_from("<h", data, at + 4 + 14)[0]
        entries.append((flags & 1, fixed, offset))
    return entries


def expected_pitch(entry, key):
    fixed, note, offset = entry
    if not fixed:
        note = key + offset
    while note < 0:
        note += 12
    while note > 95:
        note -= 12
    return note + 12


def measure(name, rate, options, default_bank, length_word):
    midi = mido.MidiFile(name)
    # Run in the work folder on a copy, so that the log names no folder.
    base = os.path.basename(name)
    shutil.copyfile(name, path(base))
    out = os.path.splitext(base)[0] + (".wlf" if rate == 700 else ".imf")
    status, stdout, stderr = convert(base, out, *options, cwd=WORK)
    out = path(out)
    steals = [line for line in stdout.splitlines() if "steal at" in line]
    LOG.append("$ imftool convert %s %s %s" % (os.path.basename(name), os.path.basename(out),
                                                " ".join(options)))
    LOG.extend([line for line in stdout.splitlines() if "steal at" not in line] + steals[:5])
    LOG.extend(stderr.splitlines() + ["[status %d]" % status])
    if status != 0:
        return None
    LOG.append("sha256 " + hashlib.sha256(open(out, "rb").read()).hexdigest())
    writes, length = imf_writes(out, length_word)
    ons, _ = key_ons(writes)
    starts_by_tick = {}
    for tick, channel, pitch in starts(ons):
        starts_by_tick.setdefault(tick, []).append(pitch)
    programs, bends = [0] * 16, [0] * 16
    now = 0.0
    counts = {"melodic": [0, 0], "drums": [0, 0]}
    for message in midi:
        now += message.time
        if message.type == "program_change":
            programs[message.channel] = message.program
        elif message.type == "pitchwheel":
            bends[message.channel] = message.pitch
        elif message.type == "note_on" and message.velocity > 0:
            tick = math.floor(now * rate + 0.5)
            drum = message.channel == 9
            if drum:
                if not 35 <= message.note <= 81:
                    counts["drums"][0] += 1
                    continue
                entry = default_bank[128 + message.note - 35]
            else:
                if bends[message.channel] != 0:
                    continue
                entry = default_bank[programs[message.channel]]
            pitch = expected_pitch(entry, message.note)
            kind = "drums" if drum else "melodic"
            counts[kind][0] += 1
            for t in (tick, tick - 1, tick + 1):
                near = starts_by_tick.get(t, [])
                match = next((p for p in near if abs(p - pitch) < 0.5), None)
                if match is not None:
                    near.remove(match)
                    counts[kind][1] += 1
                    break
    started = int(stdout.split(" started")[0].split(", ")[-1])
    channel0 = sum(1 for _, r, _ in writes if r in CHANNEL0)
    return counts, len(writes), started, length, midi.length * rate, channel0


def measure_all():
    if not os.path.isdir(SHARED):
        print("SKIPPED: the shared songs (%s) are absent; their targets were not measured" % SHARED)
        sys.exit(77)
    default_bank = bank_offsets(os.path.join(SOURCE, "data", "freedoom-genmidi-opl2.op2"))
    for rate, options in ((560, ["--verbose"]), (700, ["--game", "wolf3d"])):
        total = {"melodic": [0, 0], "drums": [0, 0]}
        total_writes = total_started = 0
        for song_name in sorted(os.listdir(SHARED)):
            if not song_name.endswith(".mid"):
                continue
            name = os.path.join(SHARED, song_name)
            result = measure(name, rate, options, default_bank, rate == 700)
            if result is None:
                print("%s at %d Hz: too large for a length word; measured headerless" %
                      (song_name, rate))
                result = measure(name, rate, ["--rate", "700", "--free-channel0"], default_bank,
                                 False)
            counts, writes, started, length, midi_length, channel0_writes = result
            for kind in total:
                total[kind][0] += counts[kind][0]
                total[kind][1] += counts[kind][1]
            total_writes += writes
            total_started += started
            print("%s at %d Hz: melodic %d/%d, drums %d/%d, %.2f writes a note, length %d "
                  "ticks (MIDI %.2f)" % (song_name, rate, counts["melodic"][1],
                                         counts["melodic"][0], counts["drums"][1],
                                         counts["drums"][0], writes / started, length,
                                         midi_length))
            check(abs(length - midi_length) <= 1, "%s: length within a tick" % song_name)
            if rate == 700:
                check(channel0_writes == 0, "%s: wolf3d wrote to channel 0" % song_name)
        melodic = total["melodic"][1] / total["melodic"][0]
        drums = total["drums"][1] / total["drums"][0]
        print("all four at %d Hz: melodic %.1f%%, drums %.1f%%, %.2f writes a note" %
              (rate, 100 * melodic, 100 * drums, total_writes / total_started))
        check(melodic >= (0.97 if rate == 560 else 0.96), "melodic note-ons started: %.3f" % melodic)
        check(drums >= 0.95, "drum note-ons started: %.3f" % drums)


LOG = []
if MODE == "rules":
    rules()
else:
    measure_all()
    logged = os.path.join(SOURCE, "tests", "compose", "shared_songs.txt")
    if MODE == "update":
        open(logged, "w").write("\n".join(LOG) + "\n")
        print("wrote", logged)
    else:
        old = open(logged).read().splitlines() if os.path.exists(logged) else []
        for line in difflib.unified_diff(old, LOG, "logged", "now", lineterm=""):
            print(line)
        check(old == LOG, "the shared songs compose differently from %s" % logged)
if failures:
    print("%d checks failed" % len(failures))
    sys.exit(1)
print("all checks passed")
