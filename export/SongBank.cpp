#include "SongBank.h"

#include "Voice.h"

#include <algorithm>

namespace {
// The drum kinds of WOPL's flags and the percussion voice numbers of IBK and SBI records.
constexpr std::uint8_t kWoplDrumFlags[5] = {0x28, 0x20, 0x18, 0x10, 0x08};
constexpr std::uint8_t kRecordDrumVoices[5] = {10, 9, 8, 7, 6};

BankOperator Operator(const TTimbre& t, bool carrier) {
    auto byte = [](std::uint16_t value) { return static_cast<std::uint8_t>(value); };
    return carrier ? BankOperator{byte(t.r23), byte(t.r43), byte(t.r63), byte(t.r83), byte(t.rE3)}
                   : BankOperator{byte(t.r20), byte(t.r40), byte(t.r60), byte(t.r80), byte(t.rE0)};
}
} // namespace

BankInstrument InstrumentFromTimbre(const TTimbre& timbre) {
    BankInstrument instrument;
    instrument.modulator = Operator(timbre, false);
    instrument.carrier = Operator(timbre, true);
    instrument.feedbackConnection = static_cast<std::uint8_t>(timbre.rC0);
    return instrument;
}

InstrumentBank SongBank(const SongVoices& voices, const std::vector<std::string>& names,
                        BankFormat format) {
    InstrumentBank bank;
    std::size_t named = 0;
    auto make = [&](const FoundTimbre& found, const std::string& voiceName) {
        BankInstrument instrument = InstrumentFromTimbre(found.timbre);
        instrument.name =
            named < names.size() ? names[named] : voiceName + " t" + std::to_string(found.tick);
        ++named;
        return instrument;
    };
    for (const FoundTimbre& found : voices.timbres) {
        std::string voiceName = "v";
        voiceName += std::to_string(found.voice);
        bank.melodic.push_back(make(found, voiceName));
    }
    // A slot holds a drum unless it is still a blank.
    auto taken = [&bank](std::size_t note) {
        return note < bank.percussion.size() && !(bank.percussion[note].flags & kBlankInstrument);
    };
    for (const FoundTimbre& found : voices.drums) {
        int drum = (found.voice - kFirstDrumVoice) % kDrumCount;
        BankInstrument instrument = make(found, DrumOfVoice(found.voice).shortName);
        if (format != BankFormat::Wopl) {
            instrument.tail[0] = kRecordDrumVoices[drum];
            instrument.tail[2] = static_cast<std::uint8_t>(found.drumKey);
            bank.percussion.push_back(instrument);
            continue;
        }
        instrument.flags = kWoplDrumFlags[drum];
        instrument.percussionKey = static_cast<std::uint8_t>(found.drumKey);
        std::size_t at = static_cast<std::size_t>(kDrums[drum].midiNote);
        auto reserved = [](std::size_t note) {
            return std::any_of(std::begin(kDrums), std::end(kDrums), [&](const Drum& other) {
                return static_cast<std::size_t>(other.midiNote) == note;
            });
        };
        if (taken(at))
            for (at = 0; at < bank.percussion.size() && (taken(at) || reserved(at)); ++at) {
            }
        if (at >= bank.percussion.size()) {
            BankInstrument blank;
            blank.flags = kBlankInstrument;
            bank.percussion.resize(at + 1, blank);
        }
        bank.percussion[at] = instrument;
    }
    return bank;
}
