#!/usr/bin/env python3
"""Writes a crafted worst-case song as a headerless IMF file, for measuring time and memory.

    scripts/worst_case_song.py KIND NOTES OUT.imf

KIND is one of
  busy      a note every tick on channels 0..8 in turn, eight sounding at once, four instruments
  timbres   every note of its own timbre (one track per note), a note every tick
  tick      one note holding NOTES volume writes in a single tick
"""
import struct
import sys

OPERATOR = [0, 1, 2, 8, 9, 10, 16, 17, 18]


def records(kind, notes):
    if kind == "tick":
        yield 0xB0, 0x31, 1
        for i in range(notes):
            yield 0x43, i & 0x3F, 0
        yield 0xB0, 0x11, 0
        return
    for n in range(notes):
        c = n % 9
        lag = 8 if kind == "busy" else 2
        if n >= lag:
            yield 0xB0 + (n - lag) % 9, 0x11, 0
        if kind == "busy":
            yield 0x40 + OPERATOR[c], 0x10 * ((n // 9 + c) % 4), 0
        else:
            yield 0x60 + OPERATOR[c], n & 0xFF, 0
            yield 0x63 + OPERATOR[c], (n >> 8) & 0xFF, 0
            yield 0xC0 + c, (n >> 16) & 0x0F, 0
        yield 0xB0 + c, 0x31, 1


def main():
    kind, notes, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    with open(out, "wb") as f:
        f.write(b"\0\0\0\0")
        for reg, val, delay in records(kind, notes):
            f.write(struct.pack("<BBH", reg, val, delay))


if __name__ == "__main__":
    main()
