#include "MidiReader.h"

#include "ImfError.h"

#include <algorithm>
#include <string>

namespace {
constexpr std::int64_t kDefaultTempo = 500000; // microseconds a quarter note: 120 bpm
// Beyond any song: keeps the arithmetic of times far from overflow.
constexpr std::int64_t kTimeLimit = std::int64_t{1} << 60;
constexpr std::int64_t kTickLimit = std::int64_t{1} << 40;

[[noreturn]] void Refuse(const std::string& what, std::size_t offset) {
    throw ImfError("ERROR: MIDI " + what + " at offset " + std::to_string(offset));
}

// Reads big-endian numbers and variable-length numbers within [position, end).
class SmfCursor {
public:
    SmfCursor(std::span<const std::uint8_t> bytes, std::size_t position, std::size_t end,
              const char* whole)
        : bytes_(bytes), position_(position), end_(end), whole_(whole) {}

    std::uint8_t U8() {
        if (position_ >= end_)
            Refuse(std::string(whole_) + " cut short", position_);
        return bytes_[position_++];
    }
    std::uint32_t Big(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | U8();
        return value;
    }
    std::uint32_t Variable() {
        const std::size_t at = position_;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t byte = U8();
            value = value << 7 | (byte & 0x7F);
            if ((byte & 0x80) == 0)
                return value;
        }
        Refuse("variable-length number longer than four bytes", at);
    }
    void Skip(std::uint32_t count) {
        if (end_ - position_ < count)
            Refuse(std::string(whole_) + " cut short", end_);
        position_ += count;
    }
    std::size_t Position() const { return position_; }
    bool AtEnd() const { return position_ >= end_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_, end_;
    const char* whole_;
};

// An event at a tick of the file, before the tempo map turns ticks into time.
struct TickEvent {
    std::int64_t tick;
    int track;
    MidiEvent event;
};

struct TempoChange {
    std::int64_t tick;
    std::int64_t tempo; // microseconds a quarter note
};

struct TrackReading {
    std::vector<TickEvent>& events;
    std::vector<TempoChange>& tempos;
    std::int64_t end = 0; // the tick of the track's last event
};

int DataBytesOf(std::uint8_t status) {
    switch (status >> 4) {
    case 0xC:
    case 0xD:
        return 1;
    default:
        return 2;
    }
}

void ReadTrack(SmfCursor in, int track, TrackReading& reading) {
    std::int64_t tick = 0;
    std::uint8_t running = 0;
    while (!in.AtEnd()) {
        tick += in.Variable();
        if (tick > kTickLimit)
            Refuse("song too long", in.Position());
        reading.end = tick;
        const std::size_t at = in.Position();
        std::uint8_t status = in.U8();
        std::uint8_t first = 0;
        bool haveFirst = false;
        if (status < 0x80) {
            if (running == 0)
                Refuse("data byte without a status", at);
            first = status;
            haveFirst = true;
            status = running;
        }
        if (status == 0xFF) {
            const std::uint8_t type = in.U8();
            const std::uint32_t size = in.Variable();
            if (type == 0x2F)
                return; // the end of the track; whatever follows is not played
            if (type == 0x51 && size == 3) {
                reading.tempos.push_back({tick, static_cast<std::int64_t>(in.Big(3))});
                continue;
            }
            in.Skip(size);
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            in.Skip(in.Variable());
            continue;
        }
        if (status >= 0xF0)
            Refuse("status byte " + std::to_string(status) + " that a file cannot hold", at);
        running = status;
        const std::uint8_t data1 = (haveFirst ? first : in.U8()) & 0x7F;
        const std::uint8_t data2 = DataBytesOf(status) == 2 ? in.U8() & 0x7F : 0;
        MidiEvent event;
        event.channel = status & 0x0F;
        event.data1 = data1;
        event.data2 = data2;
        switch (status >> 4) {
        case 0x8:
            event.kind = MidiEventKind::NoteOff;
            break;
        case 0x9:
            event.kind = data2 == 0 ? MidiEventKind::NoteOff : MidiEventKind::NoteOn;
            break;
        case 0xB:
            event.kind = MidiEventKind::Controller;
            break;
        case 0xC:
            event.kind = MidiEventKind::Program;
            break;
        case 0xE:
            event.kind = MidiEventKind::PitchBend;
            break;
        default:
            continue; // aftertouch
        }
        reading.events.push_back({tick, track, event});
    }
}

// Ticks into time: tempo changes (sorted by tick) give each tick's length in metrical files.
class TempoMap {
public:
    TempoMap(std::vector<TempoChange> tempos, bool metrical)
        : tempos_(std::move(tempos)), metrical_(metrical) {}

    // Ticks must come in ascending order.
    std::int64_t TimeOf(std::int64_t tick) {
        if (!metrical_)
            return tick;
        while (next_ < tempos_.size() && tempos_[next_].tick <= tick) {
            Advance(tempos_[next_].tick);
            tempo_ = tempos_[next_].tempo;
            ++next_;
        }
        Advance(tick);
        return time_;
    }

private:
    void Advance(std::int64_t tick) {
        const __int128 time = time_ + static_cast<__int128>(tick - tick_) * tempo_;
        if (time > kTimeLimit)
            throw ImfError("ERROR: MIDI song too long");
        time_ = static_cast<std::int64_t>(time);
        tick_ = tick;
    }

    std::vector<TempoChange> tempos_;
    bool metrical_;
    std::size_t next_ = 0;
    std::int64_t tick_ = 0, time_ = 0, tempo_ = kDefaultTempo;
};
} // namespace

bool IsMidi(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' &&
           bytes[3] == 'd';
}

MidiSong ReadMidi(std::span<const std::uint8_t> bytes) {
    if (!IsMidi(bytes))
        throw ImfError("ERROR: not a MIDI file");
    SmfCursor header(bytes, 4, bytes.size(), "file");
    const std::uint32_t headerSize = header.Big(4);
    if (headerSize < 6)
        Refuse("header of " + std::to_string(headerSize) + " bytes (at least 6)", 4);
    const std::size_t headerData = header.Position();
    if (bytes.size() - headerData < headerSize)
        Refuse("file cut short", bytes.size());
    MidiSong song;
    song.format = static_cast<int>(header.Big(2));
    if (song.format == 2)
        Refuse("format 2 (independent patterns) is not supported", 8);
    if (song.format > 2)
        Refuse("format " + std::to_string(song.format) + " is not supported", 8);
    header.Big(2); // the track count: the chunks themselves say how many there are
    const std::uint16_t division = static_cast<std::uint16_t>(header.Big(2));
    const bool metrical = (division & 0x8000) == 0;
    std::int64_t unitsPerTick = 1;
    if (metrical) {
        if (division == 0)
            Refuse("division of 0 ticks a quarter note", 12);
        song.unitsPerSecond = std::int64_t{1000000} * division;
    } else {
        const int frames = -static_cast<std::int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if (ticksPerFrame == 0)
            Refuse("SMPTE division of 0 ticks a frame", 12);
        // 29 stands for 29.97 frames a second (30 drop-frame): a tick is 1001 units then.
        unitsPerTick = frames == 29 ? 1001 : 1000;
        song.unitsPerSecond = std::int64_t{frames == 29 ? 30000 : frames * 1000} * ticksPerFrame;
    }

    std::vector<TickEvent> ticked;
    std::vector<TempoChange> tempos;
    std::int64_t lastTick = 0;
    std::size_t at = headerData + headerSize;
    while (at < bytes.size()) {
        SmfCursor chunk(bytes, at, bytes.size(), "file");
        const std::uint32_t id = chunk.Big(4);
        const std::uint32_t size = chunk.Big(4);
        const std::size_t data = chunk.Position();
        if (bytes.size() - data < size)
            Refuse("chunk of " + std::to_string(size) + " bytes past the end of the file", at);
        if (id == 0x4D54726B) { // "MTrk"; other chunks are skipped
            TrackReading reading{ticked, tempos};
            ReadTrack(SmfCursor(bytes, data, data + size, "track"), song.trackCount, reading);
            lastTick = std::max(lastTick, reading.end);
            ++song.trackCount;
        }
        at = data + size;
    }
    if (song.trackCount == 0)
        Refuse("file without tracks", bytes.size());

    std::stable_sort(ticked.begin(), ticked.end(),
                     [](const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    song.tempoChanges = static_cast<int>(tempos.size());
    TempoMap map(std::move(tempos), metrical);
    song.events.reserve(ticked.size());
    for (TickEvent& each : ticked) {
        each.event.time = map.TimeOf(each.tick) * unitsPerTick;
        song.events.push_back(each.event);
    }
    song.length = map.TimeOf(lastTick) * unitsPerTick;
    return song;
}
