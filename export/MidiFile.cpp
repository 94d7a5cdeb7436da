#include "MidiFile.h"

#include "ByteWriter.h"
#include "ImfError.h"
#include "Voice.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace {
constexpr std::int64_t kMicroseconds = 1000000;
constexpr std::int64_t kLongestQuarter = 500000;
constexpr int kLargestDivision = 32767;
constexpr int kDrumChannel = 9;
constexpr double kBendRange = 2.0;
constexpr int kBendCentre = 8192;

// When events of one tick go out: a sounding note ends before the next one's settings and
// key-on, and a note of no length ends after its own key-on.
enum Order { kNoteOff, kSetting, kBend, kNoteOn, kShortNoteOff };

struct Event {
    std::int32_t time;
    Order order;
    std::vector<std::uint8_t> bytes;
};

void PutBig(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutVariable(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

std::vector<std::uint8_t> Meta(std::uint8_t type, const std::string& text) {
    std::vector<std::uint8_t> bytes = {0xFF, type};
    PutVariable(bytes, static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

std::vector<std::uint8_t> Controller(int channel, int number, int value) {
    return {static_cast<std::uint8_t>(0xB0 | channel), static_cast<std::uint8_t>(number),
            static_cast<std::uint8_t>(value)};
}

int BendValue(double semitones) {
    long value = kBendCentre + std::lround(semitones / kBendRange * kBendCentre);
    return static_cast<int>(std::clamp<long>(value, 0, 2 * kBendCentre - 1));
}

std::vector<std::uint8_t> Chunk(const char* tag, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> chunk(tag, tag + 4);
    PutBig(chunk, static_cast<std::uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<std::uint8_t> TrackChunk(std::vector<Event> events) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    std::vector<std::uint8_t> body;
    std::int32_t now = 0;
    for (const Event& event : events) {
        PutVariable(body, static_cast<std::uint32_t>(event.time - now));
        now = event.time;
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return Chunk("MTrk", body);
}

// The events of one voice's notes.
std::vector<Event> VoiceEvents(const SongVoices& voices, int voice) {
    const bool drum = voice >= kFirstDrumVoice;
    const int channel = drum ? kDrumChannel : voice;
    const auto status = [channel](int kind) { return static_cast<std::uint8_t>(kind | channel); };
    std::vector<Event> events = {{0, kSetting, Meta(0x03, VoiceLabel(voice))}};
    // The pitch-bend range: RPN 0 set to 2 semitones, then the RPN closed again.
    for (auto [number, value] :
         {std::pair{101, 0}, {100, 0}, {6, 2}, {38, 0}, {101, 127}, {100, 127}})
        events.push_back({0, kSetting, Controller(channel, number, value)});
    const bool banks = voices.timbres.size() > 128;
    int program = -1;
    int bend = kBendCentre;
    for (const VoiceNote& note : voices.notes) {
        if (note.voice != voice)
            continue;
        int key = drum ? DrumOfVoice(voice).midiNote
                       : static_cast<int>(std::clamp<long>(
                             std::lround(MidiPitch(ChipFrequency(note.pitches.front().blockFnum))),
                             0, 127));
        for (const VoiceNote::Program& change : note.programs) {
            if (drum || change.timbre == program)
                continue;
            program = change.timbre;
            if (banks) {
                events.push_back({change.time, kSetting, Controller(channel, 0, 0)});
                events.push_back({change.time, kSetting, Controller(channel, 32, program / 128)});
            }
            events.push_back(
                {change.time, kSetting, {status(0xC0), static_cast<std::uint8_t>(program % 128)}});
        }
        for (const VoiceNote::Pitch& pitch : note.pitches) {
            int value = BendValue(MidiPitch(ChipFrequency(pitch.blockFnum)) - key);
            if (drum || value == bend)
                continue;
            bend = value;
            events.push_back({pitch.time,
                              kBend,
                              {status(0xE0), static_cast<std::uint8_t>(value & 0x7F),
                               static_cast<std::uint8_t>(value >> 7)}});
        }
        auto k = static_cast<std::uint8_t>(key);
        events.push_back(
            {note.start,
             kNoteOn,
             {status(0x90), k, static_cast<std::uint8_t>(VelocityOfLevel(note.level))}});
        events.push_back(
            {note.end, note.end == note.start ? kShortNoteOff : kNoteOff, {status(0x80), k, 0}});
    }
    return events;
}
} // namespace

MidiTempo ChooseMidiTempo(int tickRate) {
    if (tickRate <= 0)
        throw ImfError("ERROR: invalid tick rate: " + std::to_string(tickRate));
    std::int64_t g = std::gcd(std::int64_t{tickRate}, kMicroseconds);
    std::int64_t division = tickRate / g;
    std::int64_t quarter = kMicroseconds / g;
    if (division > kLargestDivision)
        throw ImfError("ERROR: no exact MIDI tempo for " + std::to_string(tickRate) +
                       " ticks per second");
    std::int64_t k =
        std::max<std::int64_t>(1, std::min(kLongestQuarter / quarter, kLargestDivision / division));
    return {static_cast<int>(k * division), static_cast<std::uint32_t>(k * quarter)};
}

int VelocityOfLevel(int level) {
    return 127 - 2 * std::clamp(level, 0, 63);
}

std::vector<std::uint8_t> MidiBytes(const SongVoices& voices, int tickRate) {
    MidiTempo tempo = ChooseMidiTempo(tickRate);
    std::vector<std::vector<std::uint8_t>> tracks;
    std::vector<std::uint8_t> tempoEvent = {0xFF, 0x51, 0x03};
    PutBig(tempoEvent, tempo.microsecondsPerQuarter, 3);
    tracks.push_back(TrackChunk({{0, kSetting, tempoEvent}}));
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        bool sounds = std::any_of(voices.notes.begin(), voices.notes.end(),
                                  [voice](const VoiceNote& note) { return note.voice == voice; });
        if (sounds)
            tracks.push_back(TrackChunk(VoiceEvents(voices, voice)));
    }
    std::vector<std::uint8_t> header;
    PutBig(header, 1, 2);
    PutBig(header, static_cast<std::uint32_t>(tracks.size()), 2);
    PutBig(header, static_cast<std::uint32_t>(tempo.division), 2);
    std::vector<std::uint8_t> file = Chunk("MThd", header);
    for (const auto& track : tracks)
        file.insert(file.end(), track.begin(), track.end());
    return file;
}
