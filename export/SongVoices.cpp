#include "SongVoices.h"

#include "RegisterMap.h"
#include "WriteOrder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace {
int OperatorOffset(int channel) {
    return channel % 3 + 8 * (channel / 3);
}

class VoiceReader {
public:
    VoiceReader() { open_.fill(-1); }

    void Write(std::int32_t time, std::uint8_t reg, std::uint8_t val) {
        if (time != tick_)
            EndTick();
        tick_ = time;
        regs_[reg] = val;
        if (reg == 0xBD) {
            bool rhythm = (val & 0x20) != 0;
            if (rhythm && !rhythm_)
                for (int channel = 6; channel < 9; ++channel)
                    End(channel);
            rhythm_ = rhythm;
            for (int bit = 0; bit < 5; ++bit)
                Key(kFirstDrumVoice + bit, rhythm && (val >> bit & 1));
            return;
        }
        int channel = GetRegChannel(reg, 0);
        if (channel < 0)
            return;
        changed_[channel] = true;
        if ((reg & 0xF0) == 0xB0 && (channel < 6 || !rhythm_))
            Key(channel, (val & 0x20) != 0);
    }

    SongVoices Finish(std::int32_t songLength) {
        EndTick();
        result_.length = std::max(songLength, tick_);
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            tick_ = result_.length;
            End(voice);
        }
        return std::move(result_);
    }

private:
    // The registers of the voice's channel; a drum of one operator keeps only that operator's.
    TTimbre VoiceTimbre(int voice) const {
        int channel = VoiceChannel(voice);
        int only = voice < kFirstDrumVoice || voice == kVoiceCount - 1 ? 0 : DrumOfVoice(voice).op;
        TTimbre timbre;
        for (const TTimbre::Field& field : TTimbre::kFields) {
            int op = GetRegOperator(field.reg);
            if (only == 0 || op == 0 || op == only)
                timbre.*field.member =
                    regs_[DeNeutralizeReg(field.reg, static_cast<std::uint8_t>(channel))];
        }
        return timbre;
    }
    std::uint16_t BlockFnum(int channel) const {
        return static_cast<std::uint16_t>((regs_[0xB0 + channel] & 0x1F) << 8 |
                                          regs_[0xA0 + channel]);
    }
    int Level(int voice) const {
        int op = voice < kMelodicVoices ? 2 : DrumOfVoice(voice).op;
        return regs_[0x40 + OperatorOffset(VoiceChannel(voice)) + (op == 2 ? 3 : 0)] & 0x3F;
    }

    // The index of the timbre the voice has now, registering it when it is new.
    int TimbreNow(int voice) {
        int channel = VoiceChannel(voice);
        TTimbre timbre = VoiceTimbre(voice);
        bool drum = voice >= kFirstDrumVoice;
        auto [it, added] =
            known_.try_emplace({drum ? voice : 0, timbre.Key()},
                               static_cast<int>((drum ? result_.drums : result_.timbres).size()));
        if (added) {
            FoundTimbre found{timbre, voice, tick_, 0};
            if (drum)
                found.drumKey = static_cast<int>(std::lround(
                    std::clamp(MidiPitch(ChipFrequency(BlockFnum(channel))), 0.0, 127.0)));
            (drum ? result_.drums : result_.timbres).push_back(found);
        }
        return it->second;
    }

    void Key(int voice, bool on) {
        if (on && open_[voice] < 0) {
            open_[voice] = static_cast<int>(result_.notes.size());
            result_.notes.push_back(VoiceNote{voice, tick_, tick_, 0, {}, {}});
            fresh_[voice] = true;
        } else if (!on) {
            End(voice);
        }
    }

    // Takes the note's state at key-on, once the key-on tick is over (or now, if it ends).
    void Settle(int voice, bool registerTimbre) {
        VoiceNote& note = result_.notes[open_[voice]];
        note.level = Level(voice);
        note.pitches.push_back({tick_, BlockFnum(VoiceChannel(voice))});
        if (registerTimbre)
            note.programs.push_back({tick_, TimbreNow(voice)});
        fresh_[voice] = false;
    }

    void End(int voice) {
        if (open_[voice] < 0)
            return;
        if (fresh_[voice])
            Settle(voice, false); // a note of no length neither adds nor changes a timbre
        result_.notes[open_[voice]].end = tick_;
        open_[voice] = -1;
    }

    void EndTick() {
        for (int voice = 0; voice < kVoiceCount; ++voice) {
            if (open_[voice] < 0)
                continue;
            if (fresh_[voice]) {
                Settle(voice, true);
                continue;
            }
            int channel = VoiceChannel(voice);
            if (!changed_[channel])
                continue;
            VoiceNote& note = result_.notes[open_[voice]];
            int timbre = TimbreNow(voice);
            if (timbre != note.programs.back().timbre)
                note.programs.push_back({tick_, timbre});
            std::uint16_t pitch = BlockFnum(channel);
            if (voice < kMelodicVoices && pitch != note.pitches.back().blockFnum)
                note.pitches.push_back({tick_, pitch});
        }
        changed_.fill(false);
    }

    PerRegister<std::uint8_t> regs_{};
    bool rhythm_ = false;
    std::int32_t tick_ = 0;
    std::array<int, kVoiceCount> open_{};        // index of the sounding note, or -1
    std::array<bool, kVoiceCount> fresh_{};      // keyed on in the current tick
    std::array<bool, kMelodicVoices> changed_{}; // a channel register was written this tick
    std::map<std::pair<int, TTimbre::LooseKey>, int> known_;
    SongVoices result_;
};
} // namespace

std::string VoiceLabel(int voice) {
    if (IsDrumVoice(voice))
        return DrumOfVoice(voice).label;
    return "channel " + std::to_string(voice);
}

int VoiceChannel(int voice) {
    return voice < kMelodicVoices ? voice : DrumOfVoice(voice).channel;
}

SongVoices ReadSongVoices(const TImfSong& song) {
    VoiceReader reader;
    WalkChannelLists(song, [&reader](const TInstruction& write, int, std::uint8_t reg) {
        reader.Write(write.globaltime, reg, write.val);
    });
    return reader.Finish(song.globaltime);
}

double ChipFrequency(std::uint16_t blockFnum) {
    int block = blockFnum >> 10 & 7;
    int fnum = blockFnum & 0x3FF;
    return fnum * 49716.0 / std::ldexp(1.0, 20 - block);
}

double MidiPitch(double hertz) {
    return hertz > 0 ? 69 + 12 * std::log2(hertz / 440.0) : 0;
}
