#include "WavFile.h"

#include "FileBytes.h"

namespace {
constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint32_t kBytesPerFrame = kChannels * kBitsPerSample / 8;
constexpr std::uint32_t kHeaderSize = 44;

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLong(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}
} // namespace

std::vector<std::uint8_t> WavBytes(const std::vector<std::int16_t>& samples, int sampleRate) {
    auto dataSize = static_cast<std::uint32_t>(samples.size() * kBytesPerFrame);
    auto rate = static_cast<std::uint32_t>(sampleRate);
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + dataSize);
    PutTag(out, "RIFF");
    PutLong(out, kHeaderSize - 8 + dataSize);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLong(out, 16);
    PutWord(out, kPcmFormat);
    PutWord(out, kChannels);
    PutLong(out, rate);
    PutLong(out, rate * kBytesPerFrame);
    PutWord(out, static_cast<std::uint16_t>(kBytesPerFrame));
    PutWord(out, kBitsPerSample);
    PutTag(out, "data");
    PutLong(out, dataSize);
    for (std::int16_t sample : samples)
        PutWord(out, static_cast<std::uint16_t>(sample));
    return out;
}

void SaveWav(const std::string& path, const std::vector<std::int16_t>& samples, int sampleRate) {
    WriteFileReplacing(path, WavBytes(samples, sampleRate));
}
