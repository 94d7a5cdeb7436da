#include "DroFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"
#include "ImfError.h"
#include "Magic.h"
#include "RegisterMap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {
constexpr std::string_view kMagic = "DBRAWOPL";
constexpr std::uint32_t kVersion1 = 0x00010000; // minor 0, major 1 as one 32-bit number
constexpr std::uint16_t kVersion2 = 2;
constexpr std::size_t kCodeMapLimit = 128;

CaptureChip DroChip(int chip) {
    return {static_cast<std::uint8_t>(chip), chip != 0};
}

// One reading of version 1 data. `dumpAsWrites`: bytes 0x01..0x04 before the first wait are
// register numbers (early captures put the chip's registers there without escapes).
Capture ReadVersion1Data(std::span<const std::uint8_t> data, bool dumpAsWrites) {
    Capture capture;
    capture.unitsPerSecond = kDroUnitsPerSecond;
    ByteReader stream(data);
    int chip = 0;
    bool waited = false;
    auto write = [&](std::uint8_t reg) {
        std::uint8_t val = stream.U8();
        capture.writes.push_back({capture.length, reg, val, DroChip(chip), !waited});
    };
    while (!stream.AtEnd()) {
        std::uint8_t code = stream.U8();
        if (dumpAsWrites && !waited && code >= 0x01 && code <= 0x04) {
            write(code);
            continue;
        }
        switch (code) {
        case 0x00:
            capture.length += stream.U8() + 1;
            waited = true;
            break;
        case 0x01:
            capture.length += stream.U16() + 1;
            waited = true;
            break;
        case 0x02:
        case 0x03:
            chip = code - 0x02;
            break;
        case 0x04:
            write(stream.U8());
            break;
        default:
            write(code);
        }
    }
    return capture;
}

// Either reading, or nothing when its data runs out inside a command.
std::optional<Capture> TryVersion1Data(std::span<const std::uint8_t> data, bool dumpAsWrites) {
    try {
        return ReadVersion1Data(data, dumpAsWrites);
    } catch (const ImfError&) {
        return std::nullopt;
    }
}

Capture ReadVersion1(std::span<const std::uint8_t> bytes) {
    ByteReader header(bytes);
    header.Seek(12);
    std::uint32_t lengthMs = header.U32();
    std::uint32_t dataBytes = header.U32();
    // The hardware type fills one byte in early files and four in later ones, whose three
    // upper bytes are zero.
    std::size_t start = 24;
    if (bytes.size() >= 24 && bytes[21] != 0 && bytes[22] != 0 && bytes[23] != 0)
        start = 21;
    if (bytes.size() < start || bytes.size() - start < dataBytes)
        throw ImfError("Error reading from stream");
    std::span<const std::uint8_t> data = bytes.subspan(start, dataBytes);

    std::optional<Capture> literal = TryVersion1Data(data, false);
    if (literal && literal->length == lengthMs) {
        literal->notes.push_back("DRO version 1 read literally");
        return *literal;
    }
    std::optional<Capture> dump = TryVersion1Data(data, true);
    if (dump && dump->length == lengthMs) {
        dump->notes.push_back("DRO version 1 read with bytes 0x01 to 0x04 before the first wait "
                              "as registers (an unescaped register dump)");
        return *dump;
    }
    if (!literal)
        throw ImfError("Error reading from stream");
    std::string warning = "warning: the waits of the DRO file add up to " +
                          std::to_string(literal->length) + " ms, its header says " +
                          std::to_string(lengthMs) + " ms";
    literal->warnings.push_back(warning);
    literal->notes.push_back("DRO version 1 read literally; " + warning.substr(9));
    return *literal;
}

// A text of at most `limit` bytes ending at a zero byte or the end of the file.
std::string TagText(ByteReader& stream, std::size_t limit) {
    std::string text;
    while (!stream.AtEnd() && text.size() < limit) {
        char c = static_cast<char>(stream.U8());
        if (c == '\0')
            break;
        text += c;
    }
    return text;
}

// The optional tag block after the pairs: FF FF 1A, the title, then 1B and the author, then
// 1C and the description.
void ReadTags(ByteReader& stream, Capture& capture) {
    std::size_t at = stream.Position();
    if (stream.Size() - at < 3 || stream.U16() != 0xFFFF || stream.U8() != 0x1A)
        return;
    capture.title = TagText(stream, 40);
    auto next = [&](std::uint8_t code) {
        std::size_t before = stream.Position();
        if (!stream.AtEnd() && stream.U8() == code)
            return true;
        stream.Seek(before);
        return false;
    };
    if (next(0x1B))
        capture.author = TagText(stream, 40);
    if (next(0x1C))
        capture.description = TagText(stream, 1023);
}

Capture ReadVersion2(std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    stream.Seek(12);
    std::uint32_t pairs = stream.U32();
    stream.U32(); // the length in ms: the waits decide
    stream.U8();  // the hardware type: the writes decide
    std::uint8_t format = stream.U8();
    std::uint8_t compression = stream.U8();
    if (format != 0 || compression != 0)
        throw ImfError("ERROR: DRO format " + std::to_string(format) + " or compression " +
                       std::to_string(compression) + " is not supported");
    std::uint8_t shortDelay = stream.U8();
    std::uint8_t longDelay = stream.U8();
    std::uint8_t mapSize = stream.U8();
    if (mapSize > kCodeMapLimit)
        throw ImfError("ERROR: DRO code map of " + std::to_string(mapSize) + " entries");
    std::array<std::uint8_t, kCodeMapLimit> map{};
    for (std::size_t i = 0; i < mapSize; ++i)
        map[i] = stream.U8();

    Capture capture;
    capture.format = "DRO version 2";
    capture.unitsPerSecond = kDroUnitsPerSecond;
    bool waited = false;
    for (std::uint32_t i = 0; i < pairs; ++i) {
        std::uint8_t index = stream.U8();
        std::uint8_t val = stream.U8();
        if (index == shortDelay) {
            capture.length += val + 1;
            waited = true;
        } else if (index == longDelay) {
            capture.length += (val + 1) * 256;
            waited = true;
        } else {
            std::size_t code = index & 0x7F;
            if (code >= mapSize)
                throw ImfError("ERROR: DRO register index " + std::to_string(index) +
                               " outside its code map of " + std::to_string(mapSize));
            capture.writes.push_back(
                {capture.length, map[code], val, DroChip(index >> 7), !waited});
        }
    }
    ReadTags(stream, capture);
    return capture;
}
} // namespace

bool IsDro(std::span<const std::uint8_t> bytes) {
    return HasMagic(bytes, kMagic);
}

Capture ReadDro(std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    stream.Seek(kMagic.size());
    std::uint32_t version = stream.U32();
    Capture capture;
    if (version == kVersion1) {
        capture = ReadVersion1(bytes);
        capture.format = "DRO version 1";
    } else if ((version & 0xFFFF) == kVersion2) {
        capture = ReadVersion2(bytes);
    } else {
        throw ImfError("ERROR: DRO version " + std::to_string(version & 0xFFFF) + "." +
                       std::to_string(version >> 16) + " is not supported");
    }
    KeepOneChip(capture);
    return capture;
}

std::vector<std::uint8_t> DroBytes(const TickedWrites& song, int rate) {
    // The code map holds the registers in the order of their first use.
    PerRegister<int> code;
    code.fill(-1);
    std::vector<std::uint8_t> map;
    for (const TimedWrite& write : song.writes) {
        if (code[write.reg] < 0) {
            code[write.reg] = static_cast<int>(map.size());
            map.push_back(write.reg);
        }
    }
    if (map.size() + 2 > kCodeMapLimit)
        throw ImfError("ERROR: too many registers for a DRO code map");
    const auto shortDelay = static_cast<std::uint8_t>(map.size());
    const auto longDelay = static_cast<std::uint8_t>(map.size() + 1);

    ByteWriter pairs;
    std::uint32_t count = 0;
    auto wait = [&](std::int64_t ms) {
        for (; ms >= 256; ++count) {
            std::int64_t blocks = std::min<std::int64_t>(ms / 256, 256);
            pairs.U8(longDelay);
            pairs.U8(static_cast<std::uint8_t>(blocks - 1));
            ms -= blocks * 256;
        }
        if (ms > 0) {
            pairs.U8(shortDelay);
            pairs.U8(static_cast<std::uint8_t>(ms - 1));
            ++count;
        }
    };
    std::int64_t now = 0; // ms
    for (const TimedWrite& write : song.writes) {
        std::int64_t at = ScaleRounded(write.time, kDroUnitsPerSecond, rate);
        wait(at - now);
        now = std::max(now, at);
        pairs.U8(static_cast<std::uint8_t>(code[write.reg]));
        pairs.U8(write.val);
        ++count;
    }
    std::int64_t length = std::max(now, ScaleRounded(song.length, kDroUnitsPerSecond, rate));
    if (length > UINT32_MAX) // the header counts milliseconds in 32 bits
        throw ImfError("ERROR: song too long for DRO");
    wait(length - now);

    ByteWriter out;
    PutMagic(out, kMagic);
    out.U16(kVersion2);
    out.U16(0);
    out.U32(count);
    out.U32(static_cast<std::uint32_t>(length));
    out.U8(0); // OPL2
    out.U8(0); // format: pairs interleaved
    out.U8(0); // no compression
    out.U8(shortDelay);
    out.U8(longDelay);
    out.U8(static_cast<std::uint8_t>(map.size()));
    for (std::uint8_t reg : map)
        out.U8(reg);
    std::vector<std::uint8_t> bytes = out.Release();
    bytes.insert(bytes.end(), pairs.Bytes().begin(), pairs.Bytes().end());
    return bytes;
}
