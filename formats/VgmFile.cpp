#include "VgmFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"
#include "Gzip.h"
#include "ImfError.h"
#include "RegisterMap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {
// Far beyond any real capture; stops a small file that inflates without end.
constexpr std::size_t kInflatedLimit = 64 * 1024 * 1024;

constexpr std::uint32_t kMagic = 0x206D6756;    // "Vgm "
constexpr std::uint32_t kGd3Magic = 0x20336447; // "Gd3 "
constexpr std::int64_t kSampleRate = kVgmSamplesPerSecond;
constexpr std::uint32_t kYm3812Clock = 3579545;
constexpr std::size_t kHeaderSize = 0x80;

// The chips of the OPL family by their write command; every other chip is a second one.
CaptureChip OplChip(std::uint8_t command) {
    bool first = command == 0x5A || command == 0x5B || command == 0x5E;
    return {command, !first};
}

bool IsOplWrite(std::uint8_t command) {
    switch (command) {
    case 0x5A: // YM3812
    case 0x5B: // YM3526
    case 0x5C: // Y8950
    case 0x5E: // YMF262 port 0
    case 0x5F: // YMF262 port 1
    case 0xAA: // the second chip of each of these
    case 0xAB:
    case 0xAC:
    case 0xAE:
    case 0xAF:
        return true;
    default:
        return false;
    }
}

// The length in bytes of a command that is neither a wait, an OPL write, the end nor a data
// block; 0 for a command byte the format does not define.
std::size_t CommandLength(std::uint8_t command, std::uint32_t version) {
    if (command >= 0x30 && command <= 0x3F)
        return 2;
    if (command >= 0x40 && command <= 0x4E)
        return version >= 0x160 ? 3 : 2; // one operand before version 1.60
    if (command == 0x4F || command == 0x50)
        return 2;
    if ((command >= 0x51 && command <= 0x5F) || (command >= 0xA0 && command <= 0xBF))
        return 3;
    if (command >= 0xC0 && command <= 0xDF)
        return 4;
    if (command >= 0xE0)
        return 5;
    switch (command) {
    case 0x68:
        return 12;
    case 0x90:
    case 0x91:
    case 0x95:
        return 5;
    case 0x92:
        return 6;
    case 0x93:
        return 11;
    case 0x94:
        return 2;
    default:
        return 0;
    }
}

std::string HexByte(std::uint8_t value) {
    return "0x" + RegHex(value);
}

// One zero-terminated UTF-16LE text of the GD3 tag, as UTF-8.
std::string Gd3Text(ByteReader& stream) {
    std::string text;
    for (std::uint16_t unit = stream.U16(); unit != 0; unit = stream.U16()) {
        if (unit < 0x80) {
            text += static_cast<char>(unit);
        } else if (unit < 0x800) {
            text += static_cast<char>(0xC0 | unit >> 6);
            text += static_cast<char>(0x80 | (unit & 0x3F));
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            text += static_cast<char>(0xE0 | unit >> 12);
            text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            text += '?'; // half of a pair beyond the first plane
        }
    }
    return text;
}

// The title, game and author of a GD3 tag; a damaged tag is left unread.
void ReadGd3(std::span<const std::uint8_t> bytes, std::size_t offset, Capture& capture) {
    ByteReader stream(bytes);
    stream.Seek(offset);
    try {
        if (stream.U32() != kGd3Magic)
            return;
        stream.U32(); // version
        const std::uint32_t size = stream.U32();
        const std::size_t texts = stream.Position();
        std::string text[7];
        for (std::string& each : text)
            each = Gd3Text(stream);
        capture.title = text[0];
        capture.game = text[2];
        capture.author = text[6];
        // Written back as it is, when it lies whole in the file.
        if (size <= bytes.size() - texts)
            capture.tag.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                               bytes.begin() + static_cast<std::ptrdiff_t>(texts + size));
    } catch (const ImfError&) {
    }
}

// A UTF-8 text as zero-terminated UTF-16LE; bytes that are not UTF-8 count as Latin-1.
void PutGd3Text(ByteWriter& out, const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
        std::uint32_t unit = byte(i);
        std::size_t length = 1;
        if (unit >= 0xC0 && unit < 0xE0 && i + 1 < text.size() && (byte(i + 1) & 0xC0) == 0x80) {
            unit = (unit & 0x1F) << 6 | (byte(i + 1) & 0x3F);
            length = 2;
        } else if (unit >= 0xE0 && unit < 0xF0 && i + 2 < text.size() &&
                   (byte(i + 1) & 0xC0) == 0x80 && (byte(i + 2) & 0xC0) == 0x80) {
            unit = (unit & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F);
            length = 3;
        }
        out.U16(static_cast<std::uint16_t>(unit));
        i += length;
    }
    out.U16(0);
}

std::int64_t SampleOf(std::int64_t tick, int rate) {
    return ScaleRounded(tick, kSampleRate, rate);
}
} // namespace

bool IsVgm(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), "Vgm ", 4) == 0;
}

Capture ReadVgm(std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    stream.Seek(4);
    std::uint32_t eofOffset = stream.U32();
    std::uint32_t version = stream.U32();
    stream.Seek(0x14);
    std::uint32_t gd3Offset = stream.U32();
    stream.Seek(0x1C);
    std::uint32_t loopOffset = stream.U32();
    std::size_t start = 0x40;
    if (version >= 0x150) {
        stream.Seek(0x34);
        std::uint32_t field = stream.U32();
        if (field != 0)
            start = 0x34 + std::size_t{field};
    }
    // The data ends at the end-of-file offset when the file reaches that far.
    std::size_t end = bytes.size();
    if (eofOffset != 0 && std::size_t{eofOffset} + 4 < end && eofOffset + 4 > start)
        end = std::size_t{eofOffset} + 4;

    Capture capture;
    capture.format = "VGM";
    capture.unitsPerSecond = kSampleRate;
    ByteReader data(bytes.first(end));
    data.Seek(start);
    bool waited = false;
    auto wait = [&](std::int64_t samples) {
        capture.length += samples;
        waited = true;
    };
    const std::size_t loopAt = loopOffset == 0 ? 0 : 0x1C + std::size_t{loopOffset};
    while (!data.AtEnd()) {
        std::size_t at = data.Position();
        if (at == loopAt) {
            capture.loopTime = capture.length;
            capture.loopWrite = capture.writes.size();
        }
        std::uint8_t command = data.U8();
        if (IsOplWrite(command)) {
            std::uint8_t reg = data.U8();
            std::uint8_t val = data.U8();
            capture.writes.push_back({capture.length, reg, val, OplChip(command), !waited});
        } else if (command == 0x61) {
            wait(data.U16());
        } else if (command == 0x62) {
            wait(735);
        } else if (command == 0x63) {
            wait(882);
        } else if (command >= 0x70 && command <= 0x7F) {
            wait(command - 0x6F);
        } else if (command >= 0x80 && command <= 0x8F) {
            wait(command - 0x80); // a YM2612 sample, then a wait
        } else if (command == 0x66) {
            break;
        } else if (command == 0x67) {
            data.U8();                                    // 0x66
            data.U8();                                    // the block's type
            std::uint32_t size = data.U32() & 0x7FFFFFFF; // the top bit marks the second chip
            if (end - data.Position() < size)
                throw ImfError("Error reading from stream");
            data.Seek(data.Position() + size);
        } else if (std::size_t length = CommandLength(command, version); length > 0) {
            if (end - at < length)
                throw ImfError("Error reading from stream");
            data.Seek(at + length);
        } else {
            throw ImfError("ERROR: unknown VGM command " + HexByte(command) + " at offset " +
                           std::to_string(at));
        }
    }
    if (gd3Offset != 0)
        ReadGd3(bytes, 0x14 + std::size_t{gd3Offset}, capture);
    KeepOneChip(capture);
    return capture;
}

std::vector<std::uint8_t> VgmBytes(const TickedWrites& song, int rate, const std::string& title,
                                   std::span<const std::uint8_t> tag) {
    ByteWriter data;
    std::int64_t now = 0; // samples
    auto wait = [&](std::int64_t samples) {
        for (; samples > 16; samples -= std::min<std::int64_t>(samples, 65535)) {
            data.U8(0x61);
            data.U16(static_cast<std::uint16_t>(std::min<std::int64_t>(samples, 65535)));
        }
        if (samples > 0)
            data.U8(static_cast<std::uint8_t>(0x6F + samples));
    };
    std::int64_t loopSample = -1;
    std::size_t loopOffset = 0; // in the data
    auto loopHere = [&] {
        loopSample = std::max(now, SampleOf(song.loopTime, rate));
        wait(loopSample - now);
        now = loopSample;
        loopOffset = data.Size();
    };
    for (std::size_t i = 0; i < song.writes.size(); ++i) {
        const TimedWrite& write = song.writes[i];
        if (song.loopTime >= 0 && i == song.loopWrite)
            loopHere();
        std::int64_t at = SampleOf(write.time, rate);
        wait(at - now);
        now = std::max(now, at);
        data.U8(0x5A);
        data.U8(write.reg);
        data.U8(write.val);
    }
    if (song.loopTime >= 0 && song.loopWrite >= song.writes.size())
        loopHere();
    std::int64_t total = std::max(now, SampleOf(song.length, rate));
    if (total > UINT32_MAX) // the header counts samples in 32 bits
        throw ImfError("ERROR: song too long for VGM");
    wait(total - now);
    data.U8(0x66);

    ByteWriter gd3;
    if (!tag.empty() && title.empty()) {
        for (std::uint8_t byte : tag)
            gd3.U8(byte);
    } else if (!title.empty()) {
        ByteWriter texts;
        PutGd3Text(texts, title);
        for (int i = 1; i < 11; ++i) // the other ten texts of the tag stay empty
            PutGd3Text(texts, "");
        gd3.U32(kGd3Magic);
        gd3.U32(0x100);
        gd3.U32(static_cast<std::uint32_t>(texts.Size()));
        for (std::uint8_t byte : texts.Bytes())
            gd3.U8(byte);
    }

    std::size_t fileSize = kHeaderSize + data.Size() + gd3.Size();
    std::vector<std::uint8_t> bytes(fileSize, 0);
    auto put = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    put(0x00, kMagic);
    put(0x04, static_cast<std::uint32_t>(fileSize - 4));
    put(0x08, 0x151);
    if (gd3.Size() > 0)
        put(0x14, static_cast<std::uint32_t>(kHeaderSize + data.Size() - 0x14));
    put(0x18, static_cast<std::uint32_t>(total));
    if (loopSample >= 0) {
        put(0x1C, static_cast<std::uint32_t>(kHeaderSize + loopOffset - 0x1C));
        put(0x20, static_cast<std::uint32_t>(total - loopSample));
    }
    put(0x34, static_cast<std::uint32_t>(kHeaderSize - 0x34));
    put(0x50, kYm3812Clock);
    auto rest = std::copy(data.Bytes().begin(), data.Bytes().end(), bytes.begin() + kHeaderSize);
    std::copy(gd3.Bytes().begin(), gd3.Bytes().end(), rest);
    return bytes;
}

Capture ReadVgz(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> inflated = Gunzip(bytes, kInflatedLimit);
    if (!IsVgm(inflated))
        throw ImfError("ERROR: gzip data that is not VGM");
    Capture capture = ReadVgm(inflated);
    capture.format = "VGM (gzip-compressed)";
    return capture;
}
