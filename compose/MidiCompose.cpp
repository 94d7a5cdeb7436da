#include "MidiCompose.h"

#include "Capture.h"
#include "ImfError.h"
#include "LevelCurve.h"
#include "OplPitch.h"
#include "RegisterMap.h"

#include <climits>
#include <string>

namespace {
constexpr int kChannels = 9;
constexpr int kDrumChannel = 9; // MIDI channel 10
constexpr std::uint8_t kModulatorSlot[kChannels] = {0, 1, 2, 8, 9, 10, 16, 17, 18};
constexpr std::uint8_t kKeyBit = 0x20;

struct MidiChannelState {
    int program = 0;
    int volume = 100;
    int expression = 127;
    bool pedal = false;
    double bend = 0;      // semitones
    double bendRange = 2; // semitones
    int rpn = 0x3FFF;     // the parameter that data entry sets; 0 is the bend range
};

// One chip channel and the note it plays. All zero until its first note: a voice that is not
// keyed on is read only for the timbre it holds and when it was let go.
struct Voice {
    bool keyOn;
    bool held; // the key is down; a note with its key up sounds on under the pedal
    int midiChannel, key, velocity;
    std::int64_t note;           // which note-on; both voices of a double note share it
    std::int64_t started, letGo; // the event order of its key-on and key-up
    std::int32_t startTick;
    const BankInstrument* instrument; // the timbre loaded, and which voice of it
    int part;
    double pitch; // semitones before the bend
};

const BankOperator& Modulator(const BankInstrument& ins, int part) {
    return part ? ins.modulator2 : ins.modulator;
}
const BankOperator& Carrier(const BankInstrument& ins, int part) {
    return part ? ins.carrier2 : ins.carrier;
}
std::uint8_t Connection(const BankInstrument& ins, int part) {
    return part ? ins.feedbackConnection2 : ins.feedbackConnection;
}

// Whether two voices load the same registers: instruments often share them (the toms of a
// drum kit differ only in their fixed notes).
bool SameTimbre(const BankInstrument* a, int partA, const BankInstrument& b, int partB) {
    return a && Modulator(*a, partA) == Modulator(b, partB) &&
           Carrier(*a, partA) == Carrier(b, partB) &&
           (Connection(*a, partA) & 0x0F) == (Connection(b, partB) & 0x0F);
}

class Composer {
public:
    Composer(const InstrumentBank& bank, const ComposeSettings& settings, ComposeReport& report)
        : bank_(bank), report_(report), first_(settings.freeChannel0 ? 1 : 0) {
        regs_.fill(-1);
    }

    void Play(const MidiEvent& event, std::int32_t tick) {
        if (!pending_.empty() && tick > pendingTick_)
            StartPending();
        tick_ = tick;
        ++order_;
        MidiChannelState& channel = channels_[event.channel];
        switch (event.kind) {
        case MidiEventKind::NoteOn:
            NoteOn(event.channel, event.data1, event.data2);
            break;
        case MidiEventKind::NoteOff:
            NoteOff(event.channel, event.data1);
            break;
        case MidiEventKind::Program:
            channel.program = event.data1;
            break;
        case MidiEventKind::PitchBend:
            channel.bend = (event.data1 + event.data2 * 128 - 8192) / 8192.0 * channel.bendRange;
            Rebend(event.channel);
            break;
        case MidiEventKind::Controller:
            Controller(event.channel, event.data1, event.data2);
            break;
        }
    }

    TickedWrites Finish(std::int32_t length) {
        if (!pending_.empty() && pendingTick_ < length)
            StartPending();
        if (report_.waveformSelect)
            out_.writes.insert(out_.writes.begin(), TimedWrite{0, 0x01, 0x20});
        out_.length = length;
        return std::move(out_);
    }

private:
    void Write(int reg, std::uint8_t value) {
        if (regs_[reg] == value)
            return;
        regs_[reg] = value;
        out_.writes.push_back({tick_, static_cast<std::uint8_t>(reg), value});
    }

    void NoteOn(int midiChannel, int key, int velocity) {
        ++report_.notes;
        ++report_.notesPerChannel[midiChannel];
        const bool drum = midiChannel == kDrumChannel;
        const BankInstrument* instrument = InstrumentFor(midiChannel, key);
        if (drum) {
            ++report_.drumNotes;
            if (!instrument) {
                ++report_.drumsSkipped;
                return;
            }
        }
        if (instrument)
            StartNote({midiChannel, key, velocity, instrument}, true);
    }

    // A note that found every channel taken by notes of its own tick: it starts one tick late.
    struct PendingNote {
        int midiChannel, key, velocity;
        const BankInstrument* instrument;
    };

    void StartPending() {
        tick_ = pendingTick_ + 1;
        ++order_;
        std::vector<PendingNote> notes;
        notes.swap(pending_);
        for (const PendingNote& note : notes)
            StartNote(note, false);
    }

    void StartNote(const PendingNote& pending, bool mayWait) {
        const auto [midiChannel, key, velocity, instrument] = pending;
        const bool drum = midiChannel == kDrumChannel;
        const int channel = Allocate(*instrument, 0, midiChannel, key, true, -1);
        if (channel < 0) {
            if (mayWait) {
                pending_.push_back(pending);
                pendingTick_ = tick_;
            }
            return;
        }
        ++report_.started;
        report_.drumsStarted += drum ? 1 : 0;
        const std::int64_t note = ++notes_;
        Start(channel, *instrument, 0, midiChannel, key, velocity, note);
        if (instrument->flags & kDoubleVoiceInstrument) {
            const int second = Allocate(*instrument, 1, midiChannel, key, false, channel);
            if (second >= 0)
                Start(second, *instrument, 1, midiChannel, key, velocity, note);
        }
    }

    const BankInstrument* InstrumentFor(int midiChannel, int key) const {
        const std::vector<BankInstrument>& list =
            midiChannel == kDrumChannel ? bank_.percussion : bank_.melodic;
        const std::size_t at = midiChannel == kDrumChannel
                                   ? static_cast<std::size_t>(key)
                                   : static_cast<std::size_t>(channels_[midiChannel].program);
        if (at >= list.size() || (list[at].flags & kBlankInstrument))
            return nullptr;
        return &list[at];
    }

    // The chip channel for a new voice, or -1; a stolen one is keyed off first.
    int Allocate(const BankInstrument& instrument, int part, int midiChannel, int key,
                 bool maySteal, int taken) {
        int same = -1, free = -1, pedal = -1, oldest = -1;
        for (int c = first_; c < kChannels; ++c) {
            const Voice& v = voices_[c];
            if (c == taken)
                continue;
            if (!v.keyOn) {
                if (SameTimbre(v.instrument, v.part, instrument, part) &&
                    (same < 0 || v.letGo < voices_[same].letGo))
                    same = c;
                if (free < 0 || v.letGo < voices_[free].letGo)
                    free = c;
                continue;
            }
            if (v.startTick == tick_ || (v.held && v.midiChannel == midiChannel && v.key == key))
                continue;
            if (!v.held && (pedal < 0 || v.letGo < voices_[pedal].letGo))
                pedal = c;
            if (v.held && (oldest < 0 || v.started < voices_[oldest].started))
                oldest = c;
        }
        if (same >= 0)
            return same;
        if (free >= 0)
            return free;
        if (!maySteal)
            return -1;
        const int stolen = pedal >= 0 ? pedal : oldest;
        if (stolen < 0)
            return -1;
        const Voice& v = voices_[stolen];
        report_.steals.push_back({tick_, stolen, v.midiChannel, v.key, midiChannel, key});
        KeyOff(stolen);
        return stolen;
    }

    void Start(int channel, const BankInstrument& instrument, int part, int midiChannel, int key,
               int velocity, std::int64_t note) {
        Voice& v = voices_[channel];
        v.keyOn = true;
        v.held = true;
        v.midiChannel = midiChannel;
        v.key = key;
        v.velocity = velocity;
        v.note = note;
        v.started = order_;
        v.startTick = tick_;
        v.instrument = &instrument;
        v.part = part;
        v.pitch = NotePitch(instrument, part, key, midiChannel == kDrumChannel);
        LoadTimbre(channel);
        Level(channel);
        Tune(channel);
    }

    // The pitch in standard MIDI semitones, in the convention of the bank's own player: DMX
    // plays a drum without a fixed note at its key, a WOPL player at the entry's key.
    double NotePitch(const BankInstrument& ins, int part, int key, bool drum) const {
        int note = key + (part ? ins.noteOffset2 : ins.noteOffset);
        if (ins.flags & kFixedNoteInstrument)
            note = ins.percussionKey;
        else if (drum && !bank_.dmxPitch)
            note = ins.percussionKey ? ins.percussionKey : key;
        if (bank_.dmxPitch) {
            while (note < 0)
                note += 12;
            while (note > 95)
                note -= 12;
            note += 12;
        }
        double pitch = note;
        if (part == 1)
            pitch += (((ins.detune + 128) >> 1) - 64) / 32.0;
        return pitch;
    }

    void LoadTimbre(int channel) {
        const Voice& v = voices_[channel];
        const BankOperator& mod = Modulator(*v.instrument, v.part);
        const BankOperator& car = Carrier(*v.instrument, v.part);
        const int m = kModulatorSlot[channel], c = m + 3;
        Write(0x20 + m, mod.character);
        Write(0x20 + c, car.character);
        Write(0x60 + m, mod.attackDecay);
        Write(0x60 + c, car.attackDecay);
        Write(0x80 + m, mod.sustainRelease);
        Write(0x80 + c, car.sustainRelease);
        Write(0xE0 + m, mod.waveform & 3);
        Write(0xE0 + c, car.waveform & 3);
        Write(0xC0 + channel, Connection(*v.instrument, v.part) & 0x0F);
        if ((mod.waveform & 3) || (car.waveform & 3))
            report_.waveformSelect = true;
    }

    void Level(int channel) {
        const Voice& v = voices_[channel];
        const MidiChannelState& state = channels_[v.midiChannel];
        const int steps = AttenuationSteps(v.velocity, state.volume, state.expression);
        const BankOperator& mod = Modulator(*v.instrument, v.part);
        const int m = kModulatorSlot[channel];
        const bool additive = Connection(*v.instrument, v.part) & 1;
        Write(0x40 + m, additive ? LeveledScale(mod.scaleLevel, steps) : mod.scaleLevel);
        Write(0x40 + m + 3, LeveledScale(Carrier(*v.instrument, v.part).scaleLevel, steps));
    }

    void Tune(int channel) {
        const Voice& v = voices_[channel];
        const double bend = v.midiChannel == kDrumChannel ? 0 : channels_[v.midiChannel].bend;
        const OplFrequency frequency = FrequencyRegisters(FrequencyOfPitch(v.pitch + bend));
        Write(0xA0 + channel, frequency.A0());
        Write(0xB0 + channel, frequency.B0() | kKeyBit);
    }

    void KeyOff(int channel) {
        Voice& v = voices_[channel];
        v.keyOn = false;
        v.held = false;
        v.letGo = order_;
        Write(0xB0 + channel, static_cast<std::uint8_t>(regs_[0xB0 + channel] & ~kKeyBit));
    }

    void NoteOff(int midiChannel, int key) {
        for (auto it = pending_.begin(); it != pending_.end(); ++it)
            if (it->midiChannel == midiChannel && it->key == key) {
                pending_.erase(it); // ended before it could start
                return;
            }
        std::int64_t note = -1;
        for (int c = first_; c < kChannels; ++c) {
            const Voice& v = voices_[c];
            if (v.keyOn && v.held && v.midiChannel == midiChannel && v.key == key &&
                (note < 0 || v.note < note))
                note = v.note;
        }
        if (note < 0)
            return;
        for (int c = first_; c < kChannels; ++c) {
            Voice& v = voices_[c];
            if (!v.keyOn || v.note != note)
                continue;
            if (channels_[midiChannel].pedal) {
                v.held = false;
                v.letGo = order_;
            } else {
                KeyOff(c);
            }
        }
    }

    // Every note still sounding follows its channel's bend, those the pedal holds included.
    void Rebend(int midiChannel) {
        for (int c = first_; c < kChannels; ++c)
            if (voices_[c].keyOn && voices_[c].midiChannel == midiChannel &&
                midiChannel != kDrumChannel)
                Tune(c);
    }

    void Relevel(int midiChannel) {
        for (int c = first_; c < kChannels; ++c)
            if (voices_[c].keyOn && voices_[c].midiChannel == midiChannel)
                Level(c);
    }

    void ReleasePedal(int midiChannel) {
        channels_[midiChannel].pedal = false;
        for (int c = first_; c < kChannels; ++c)
            if (voices_[c].keyOn && !voices_[c].held && voices_[c].midiChannel == midiChannel)
                KeyOff(c);
    }

    void Controller(int midiChannel, int number, int value) {
        MidiChannelState& state = channels_[midiChannel];
        switch (number) {
        case 7:
            state.volume = value;
            Relevel(midiChannel);
            break;
        case 11:
            state.expression = value;
            Relevel(midiChannel);
            break;
        case 64:
            if (value >= 64)
                state.pedal = true;
            else
                ReleasePedal(midiChannel);
            break;
        case 101:
            state.rpn = (state.rpn & 0x7F) | value << 7;
            break;
        case 100:
            state.rpn = (state.rpn & 0x3F80) | value;
            break;
        case 98:
        case 99:
            state.rpn = 0x3FFF; // a non-registered parameter: data entry is not ours
            break;
        case 6:
            if (state.rpn == 0)
                state.bendRange = value + (state.bendRange - static_cast<int>(state.bendRange));
            break;
        case 38:
            if (state.rpn == 0)
                state.bendRange = static_cast<int>(state.bendRange) + value / 100.0;
            break;
        case 121: // reset all controllers; volume, program and the bend range stay
            state.expression = 127;
            state.bend = 0;
            state.rpn = 0x3FFF;
            ReleasePedal(midiChannel);
            Relevel(midiChannel);
            Rebend(midiChannel);
            break;
        case 123: // all notes off, as if each key went up
            for (int c = first_; c < kChannels; ++c)
                if (voices_[c].keyOn && voices_[c].held && voices_[c].midiChannel == midiChannel)
                    NoteOff(midiChannel, voices_[c].key);
            break;
        default:
            break;
        }
    }

    const InstrumentBank& bank_;
    ComposeReport& report_;
    const int first_;
    PerRegister<int> regs_{};
    std::array<Voice, kChannels> voices_{};
    std::array<MidiChannelState, 16> channels_{};
    TickedWrites out_;
    std::vector<PendingNote> pending_;
    std::int32_t pendingTick_ = 0;
    std::int32_t tick_ = 0;
    std::int64_t order_ = 0, notes_ = 0;
};

std::int32_t TickOf(std::int64_t time, const MidiSong& song, int rate) {
    const std::int64_t tick = TickOfTime(time, song.unitsPerSecond, rate);
    if (tick > INT32_MAX)
        throw ImfError("ERROR: song longer than " + std::to_string(INT32_MAX) + " ticks");
    return static_cast<std::int32_t>(tick);
}
} // namespace

TickedWrites ComposeMidi(const MidiSong& song, const InstrumentBank& bank,
                         const ComposeSettings& settings, ComposeReport& report) {
    report = ComposeReport();
    Composer composer(bank, settings, report);
    for (const MidiEvent& event : song.events)
        composer.Play(event, TickOf(event.time, song, settings.tickRate));
    return composer.Finish(TickOf(song.length, song, settings.tickRate));
}
