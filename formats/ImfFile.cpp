#include "ImfFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"
#include "FileBytes.h"
#include "ImfError.h"
#include "TickedWrites.h"
#include "WriteOrder.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {
constexpr std::int32_t kMaxDelay = 65535;
constexpr std::size_t kSamplePairs = 42;

// A whole buffer's length as the readers count it.
std::int32_t WholeLength(std::size_t size) {
    return static_cast<std::int32_t>(std::min<std::size_t>(size, INT32_MAX));
}

// Headerless or with a length word: a plausible length word is followed by records whose
// register/value words outweigh their delays. Leaves the reader at the first record and
// returns the data length to read.
std::int32_t DetectImfLayout(ByteReader& stream, std::uint16_t w, SongFileLayout& layout) {
    layout = SongFileLayout::ImfHeaderless;
    std::size_t size = stream.Size();
    if (w != 0 && w % 4 == 0 && w <= size) {
        // Only pairs that lie wholly inside the file are sampled.
        std::size_t pairs = std::min<std::size_t>({w, kSamplePairs, (size - 2) / 4});
        std::int32_t registers = 0, delays = 0;
        stream.Seek(2);
        for (std::size_t i = 0; i < pairs; ++i) {
            registers += stream.U16();
            delays += stream.U16();
        }
        if (registers > delays) {
            layout = SongFileLayout::ImfLengthWord;
            stream.Seek(2);
            return w;
        }
    }
    stream.Seek(0);
    return WholeLength(size);
}

// Writes the delay that ends the previous record; gaps above 65535 ticks become padding records
// (register 0, value 0) that the interpreter ignores.
void WriteDelay(ByteWriter& out, std::int64_t delay) {
    while (delay > kMaxDelay) {
        out.U16(kMaxDelay);
        out.U8(0);
        out.U8(0);
        delay -= kMaxDelay;
    }
    out.U16(static_cast<std::uint16_t>(delay));
}
} // namespace

namespace {
// The records read into the song model or, for a conversion, into a plain list of writes.
template <class Sink> void ReadImfRecords(Sink& song, ByteReader& stream, std::int32_t length) {
    song.InitRead();
    std::int64_t remaining = length;
    while (remaining != 0 && !stream.AtEnd()) {
        std::uint8_t reg = stream.U8();
        std::uint8_t val = stream.U8();
        std::uint16_t delay = stream.U16();
        song.ProcessCommand(reg, val);
        song.ProcessPause(delay);
        remaining -= 4;
    }
}

template <class Sink> SongFileLayout LoadInto(Sink& song, std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    SongFileLayout layout;
    std::int32_t length = DetectImfLayout(stream, stream.U16(), layout);
    ReadImfRecords(song, stream, length);
    return layout;
}
} // namespace

int ReadImfData(TImfSong& song, ByteReader& stream, std::int32_t length) {
    ReadImfRecords(song, stream, length);
    return 0;
}

SongFileLayout LoadImfBytes(TImfSong& song, std::span<const std::uint8_t> bytes) {
    return LoadInto(song, bytes);
}

SongFileLayout LoadImfWrites(TickedWrites& song, std::span<const std::uint8_t> bytes) {
    WriteCollector collector(song);
    return LoadInto(collector, bytes);
}

int LoadImf(TImfSong& song, const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    ByteReader stream(bytes);
    ReadImfData(song, stream, WholeLength(bytes.size()));
    return 0;
}

int LoadChunk(TImfSong& song, const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    ByteReader stream(bytes);
    std::uint16_t length = stream.U16();
    ReadImfData(song, stream, length);
    return 0;
}

std::vector<std::uint8_t> ImfBytes(const TImfSong& song, std::uint8_t headerFlag) {
    std::vector<TimedWrite> writes = MergeChannelLists(song);
    ByteWriter out;
    out.U32(0); // the all-zero first record, or room for the length word
    std::int32_t lastTime = 0;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const TimedWrite& write = writes[i];
        // The first write carries no delay before it: its own time is not kept.
        if (i > 0) {
            std::int64_t delay = std::int64_t{write.time} - lastTime;
            if (delay < 0)
                throw ImfError("ERROR: impossible delay value: " + std::to_string(delay));
            WriteDelay(out, delay);
            lastTime = write.time;
        }
        out.U8(write.reg);
        out.U8(write.val);
    }
    if (!writes.empty())
        WriteDelay(out,
                   std::max<std::int64_t>(0, std::int64_t{song.globaltime} - writes.back().time));

    std::vector<std::uint8_t> bytes = out.Release();
    std::size_t length = bytes.size() - 4;
    // A length that does not fit the word leaves the all-zero record: the file is headerless.
    if (headerFlag != 0 && length < 65536) {
        bytes.erase(bytes.begin(), bytes.begin() + 2);
        bytes[0] = static_cast<std::uint8_t>(length);
        bytes[1] = static_cast<std::uint8_t>(length >> 8);
    }
    return bytes;
}

std::vector<std::uint8_t> ImfBytesOfWrites(const TickedWrites& song, std::uint8_t headerFlag) {
    ByteWriter out;
    if (headerFlag != 0)
        out.U16(0); // room for the length word
    std::int32_t lastTime = 0;
    // A register 0 record carries the time before the first write; a headerless file has one
    // in any case, as its first record.
    std::int32_t first = song.writes.empty() ? song.length : song.writes.front().time;
    if (headerFlag == 0 || first > 0) {
        out.U16(0);
        WriteDelay(out, first);
        lastTime = first;
    }
    for (std::size_t i = 0; i < song.writes.size(); ++i) {
        const TimedWrite& write = song.writes[i];
        if (i > 0)
            WriteDelay(out, std::int64_t{write.time} - lastTime);
        lastTime = write.time;
        out.U8(write.reg);
        out.U8(write.val);
    }
    if (!song.writes.empty())
        WriteDelay(out, std::max<std::int64_t>(0, std::int64_t{song.length} - lastTime));
    std::vector<std::uint8_t> bytes = out.Release();
    if (headerFlag != 0) {
        std::size_t length = bytes.size() - 2;
        if (length >= 65536) // too long for the word: headerless
            return ImfBytesOfWrites(song, 0);
        bytes[0] = static_cast<std::uint8_t>(length);
        bytes[1] = static_cast<std::uint8_t>(length >> 8);
    }
    return bytes;
}

int SaveImf(const TImfSong& song, const std::string& path, std::uint8_t headerFlag) {
    WriteFileReplacing(path, ImfBytes(song, headerFlag));
    return 0;
}
