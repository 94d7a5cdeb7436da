#include "InstrumentBank.h"

#include "BankRecord.h"
#include "FileBytes.h"
#include "IbkFile.h"
#include "ImfError.h"
#include "Magic.h"
#include "Op2File.h"
#include "SbiFile.h"
#include "WoplFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace {
constexpr int kDrumNotes[5] = {42, 49, 45, 38, 36};
constexpr const char* kDrumShortNames[5] = {"hh", "cy", "tt", "sd", "bd"};
// The drum kinds of WOPL's flags and the percussion voice numbers of IBK and SBI records.
constexpr std::uint8_t kWoplDrumFlags[5] = {0x28, 0x20, 0x18, 0x10, 0x08};
constexpr std::uint8_t kRecordDrumVoices[5] = {10, 9, 8, 7, 6};

BankOperator Operator(const TTimbre& t, bool carrier) {
    auto byte = [](std::uint16_t value) { return static_cast<std::uint8_t>(value); };
    return carrier ? BankOperator{byte(t.r23), byte(t.r43), byte(t.r63), byte(t.r83), byte(t.rE3)}
                   : BankOperator{byte(t.r20), byte(t.r40), byte(t.r60), byte(t.r80), byte(t.rE0)};
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

int DrumNote(int voice) {
    return kDrumNotes[(voice - kFirstDrumVoice) % 5];
}

const char* DrumShortName(int voice) {
    return kDrumShortNames[(voice - kFirstDrumVoice) % 5];
}

BankInstrument InstrumentFromTimbre(const TTimbre& timbre) {
    BankInstrument instrument;
    instrument.modulator = Operator(timbre, false);
    instrument.carrier = Operator(timbre, true);
    instrument.feedbackConnection = static_cast<std::uint8_t>(timbre.rC0);
    return instrument;
}

BankFormat BankFormatOfPath(const std::string& path) {
    std::string extension = Lower(std::filesystem::path(path).extension().string());
    if (extension == ".wopl")
        return BankFormat::Wopl;
    return extension == ".ibk" ? BankFormat::Ibk : BankFormat::SbiFolder;
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
    std::vector<bool> taken;
    for (const FoundTimbre& found : voices.drums) {
        int drum = (found.voice - kFirstDrumVoice) % 5;
        BankInstrument instrument = make(found, DrumShortName(found.voice));
        if (format != BankFormat::Wopl) {
            instrument.tail[0] = kRecordDrumVoices[drum];
            instrument.tail[2] = static_cast<std::uint8_t>(found.drumKey);
            bank.percussion.push_back(instrument);
            continue;
        }
        instrument.flags = kWoplDrumFlags[drum];
        instrument.percussionKey = static_cast<std::uint8_t>(found.drumKey);
        std::size_t at = static_cast<std::size_t>(kDrumNotes[drum]);
        auto reserved = [](std::size_t note) {
            return std::find(std::begin(kDrumNotes), std::end(kDrumNotes), note) !=
                   std::end(kDrumNotes);
        };
        if (at < taken.size() && taken[at])
            for (at = 0; at < taken.size() && (taken[at] || reserved(at)); ++at) {
            }
        if (at >= bank.percussion.size()) {
            BankInstrument blank;
            blank.flags = kBlankInstrument;
            bank.percussion.resize(at + 1, blank);
            taken.resize(at + 1, false);
        }
        bank.percussion[at] = instrument;
        taken[at] = true;
    }
    return bank;
}

bool IsBankFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (Lower(entry.path().extension().string()) == ".sbi")
                return true;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const ImfError&) {
        return false;
    }
    return HasMagic(bytes, kWoplMagic) || HasMagic(bytes, kIbkMagic) ||
           HasMagic(bytes, kSbiMagic) || HasMagic(bytes, kOp2Magic);
}

InstrumentBank LoadBank(const std::string& path, std::string& formatName) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (entry.is_regular_file() && Lower(entry.path().extension().string()) == ".sbi")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        InstrumentBank bank;
        for (const auto& file : files)
            bank.melodic.push_back(ReadSbi(ReadFileBytes(file.string())));
        formatName = "folder of SBI files";
        return bank;
    }
    return ReadBankBytes(ReadFileBytes(path), path, formatName);
}

InstrumentBank ReadBankBytes(std::span<const std::uint8_t> bytes, const std::string& path,
                             std::string& formatName) {
    if (HasMagic(bytes, kOp2Magic)) {
        formatName = "GENMIDI";
        return ReadOp2(bytes);
    }
    if (HasMagic(bytes, kWoplMagic)) {
        formatName =
            "WOPL version " + std::to_string(bytes.size() > 12 ? bytes[11] | bytes[12] << 8 : 0);
        return ReadWopl(bytes);
    }
    if (HasMagic(bytes, kIbkMagic)) {
        formatName = "IBK";
        return ReadIbk(bytes);
    }
    if (HasMagic(bytes, kSbiMagic)) {
        formatName = "SBI";
        InstrumentBank bank;
        bank.melodic.push_back(ReadSbi(bytes));
        return bank;
    }
    throw ImfError("ERROR: not an instrument bank: " + path);
}

void SaveBank(const InstrumentBank& bank, const std::string& path) {
    switch (BankFormatOfPath(path)) {
    case BankFormat::Wopl:
        WriteFileReplacing(path, WoplBytes(bank));
        return;
    case BankFormat::Ibk:
        WriteFileReplacing(path, IbkBytes(bank));
        return;
    case BankFormat::SbiFolder:
        break;
    }
    std::error_code error;
    std::filesystem::create_directories(path, error);
    std::size_t number = 0;
    for (const auto* list : {&bank.melodic, &bank.percussion})
        for (const BankInstrument& instrument : *list) {
            char name[32];
            std::snprintf(name, sizeof name, "%03zu.sbi", number++);
            WriteFileReplacing((std::filesystem::path(path) / name).string(), SbiBytes(instrument));
        }
}
