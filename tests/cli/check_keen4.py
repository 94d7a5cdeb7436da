#!/usr/bin/env python3
"""imftool archive on the Commander Keen 4 audio archive, against a reader of its own.

    check_keen4.py check|update IMFTOOL SOURCE_DIR WORK_DIR

The listing must equal tests/cli/keen4_list.txt (update rewrites it); each extracted song must
be, byte for byte, what this script's own Huffman reader makes of the chunk (its length word and
records); each song replaced by itself must give chunks that expand to the same bytes. Exits 77
(skipped) where ../shared/games/keen4 is absent.
"""
import os
import shutil
import struct
import subprocess
import sys


def read_archive(folder, header_name, data_name):
    with open(os.path.join(folder, header_name), "rb") as f:
        header = f.read()
    with open(os.path.join(folder, data_name), "rb") as f:
        data = f.read()
    offsets = struct.unpack("<%dI" % (len(header) // 4), header)
    return offsets, data


def expand(nodes, coded, length):
    """The bytes of a chunk: from the root (node 254), each bit from the lowest of its byte."""
    out = bytearray()
    node = 254
    for byte in coded:
        for bit in range(8):
            value = nodes[node][(byte >> bit) & 1]
            if value < 256:
                out.append(value)
                node = 254
                if len(out) == length:
                    return bytes(out)
            else:
                node = value - 256
    return bytes(out)


def chunk_bytes(nodes, offsets, data, index):
    start, end = offsets[index], offsets[index + 1]
    (length,) = struct.unpack_from("<I", data, start)
    return expand(nodes, data[start + 4 : end], length)


def main():
    mode, imftool, source, work = sys.argv[1:5]
    games = os.path.join(source, "..", "shared", "games", "keen4")
    if not os.path.exists(os.path.join(games, "AUDIO.CK4")):
        print("no Keen 4 archive at " + games + ": skipped")
        return 77
    header = os.path.join(games, "AUDIOHHD.CK4")
    data = os.path.join(games, "AUDIO.CK4")
    dictionary = os.path.join(games, "AUDIODCT.CK4")
    with open(dictionary, "rb") as f:
        raw = f.read()
    nodes = [struct.unpack_from("<HH", raw, 4 * i) for i in range(255)]
    offsets, original = read_archive(games, "AUDIOHHD.CK4", "AUDIO.CK4")
    golden = os.path.join(source, "tests", "cli", "keen4_list.txt")
    failures = []

    listing = subprocess.run([imftool, "archive", "list", header, data, "--dict", dictionary],
                             capture_output=True, check=True, text=True).stdout
    if mode == "update":
        with open(golden, "w") as f:
            f.write(listing)
        print("wrote " + golden)
    else:
        with open(golden) as f:
            if f.read() != listing:
                failures.append("the listing differs from tests/cli/keen4_list.txt")

    shutil.rmtree(work, ignore_errors=True)
    songs = os.path.join(work, "songs")
    subprocess.run([imftool, "archive", "extract", header, data, songs, "--dict", dictionary],
                   capture_output=True, check=True)
    for index in range(156, 162):
        chunk = chunk_bytes(nodes, offsets, original, index)
        (length,) = struct.unpack_from("<H", chunk, 0)
        with open(os.path.join(songs, "chunk%d.imf" % index), "rb") as f:
            if f.read() != chunk[: 2 + length]:
                failures.append("chunk%d.imf is not the chunk's song" % index)
        out = os.path.join(work, "same%d" % index)
        os.makedirs(out)
        subprocess.run([imftool, "archive", "replace", header, data, str(index),
                        os.path.join(songs, "chunk%d.imf" % index), "-o", out,
                        "--dict", dictionary], capture_output=True, check=True)
        new_offsets, new_data = read_archive(out, "AUDIOHHD.CK4", "AUDIO.CK4")
        for other in list(range(0, 104)) + list(range(156, 162)):
            if chunk_bytes(nodes, new_offsets, new_data, other) != chunk_bytes(
                    nodes, offsets, original, other):
                failures.append("chunk %d changed when song %d was put back" % (other, index))
    shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
