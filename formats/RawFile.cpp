#include "RawFile.h"

#include "ByteReader.h"
#include "Magic.h"

#include <string_view>

namespace {
constexpr std::string_view kMagic = "RAWADATA";
constexpr std::int64_t kPitHz = 1193180;

// A clock of 0 stands for the PIT's longest period.
std::int64_t ClockOf(std::uint16_t word) {
    return word == 0 ? 0xFFFF : word;
}
} // namespace

bool IsRaw(std::span<const std::uint8_t> bytes) {
    return HasMagic(bytes, kMagic);
}

Capture ReadRaw(std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    stream.Seek(kMagic.size());
    std::int64_t clock = ClockOf(stream.U16());
    Capture capture;
    capture.format = "RAW";
    capture.unitsPerSecond = kPitHz;
    std::uint8_t chip = 0;
    bool waited = false;
    while (!stream.AtEnd()) {
        std::uint8_t val = stream.U8();
        std::uint8_t reg = stream.U8();
        if (reg == 0xFF && val == 0xFF)
            break;
        if (reg == 0) {
            capture.length += (val == 0 ? 256 : val) * clock;
            waited = true;
        } else if (reg == 2) {
            if (val == 0)
                clock = ClockOf(stream.U16());
            else if (val == 1 || val == 2)
                chip = static_cast<std::uint8_t>(val - 1);
        } else {
            capture.writes.push_back({capture.length, reg, val, {chip, chip != 0}, !waited});
        }
    }
    KeepOneChip(capture);
    return capture;
}
