#!/usr/bin/env python3
"""Writes one file of each class of bad input of docs/robustness.md into a folder.

    scripts/bad_inputs.py OUTDIR
"""
import os
import struct
import sys


def records(*rs):
    return b"".join(struct.pack("<BBH", *r) for r in rs)


def kmf(size, blocks):
    return b"KMF\x1a\x30\x02" + struct.pack("<H", size) + bytes(blocks)


FILES = {
    "empty.imf": b"",
    "three_bytes.imf": b"\x20\x01\x00",
    "cut_record.imf": b"\0\0\0\0" + records((0x20, 1, 0)) + b"\xb0\x31",
    "length_word_beyond_data.imf": struct.pack("<H", 40)
    + records((0x20, 0x01, 0), (0xB0, 0x31, 0)) + b"\x20" * 34,
    "kmf_magic_only.kmf": b"KMF\x1a\x30",
    "kmf_size_too_large.kmf": kmf(0xFFFF, [1, 3, 0xB0, 0x31, 1, 0, 0xB0, 0x11]),
    "kmf_size_too_small.kmf": kmf(4, [1, 3, 0xB0, 0x31, 1, 0, 0xB0, 0x11]),
    "kmf_pair_cut.kmf": kmf(0xFFFF, [2, 3, 0xB0, 0x31, 0xB0]),
    "song_time_past_32_bits.imf": b"\0\0\0\0" + records(*[(0x20, 1, 0xFFFF)] * 32769),
    "stray_keyoffs_invalid_regs.imf": b"\0\0\0\0"
    + records((0xB3, 0x11, 1), (0x05, 0x77, 1), (0xF7, 0x01, 1), (0xB3, 0x31, 2), (0xB3, 0x11, 0)),
    # Nine notes, then rhythm mode takes channels 6..8 while three of them still sound there,
    # and a new note finds every other channel busy.
    "rhythm_no_channel.imf": b"\0\0\0\0"
    + records(*[(0xB0 + c, 0x31, 0) for c in range(8)], (0xB8, 0x31, 1), (0xBD, 0x20, 1),
              (0xB5, 0x11, 0), (0xB5, 0x31, 1), *[(0xB0 + c, 0x11, 0) for c in range(6)]),
    "kmf_too_large_for_kmf.kmf": kmf(0xFFFF, [2, 1, 0xB0, 0x31, 0xB0, 0x11] * 20000),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in FILES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
