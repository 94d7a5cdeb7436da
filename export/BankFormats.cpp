#include "BankFormats.h"

#include "FileBytes.h"
#include "FileNames.h"
#include "IbkFile.h"
#include "ImfError.h"
#include "Magic.h"
#include "Op2File.h"
#include "SbiFile.h"
#include "WoplFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {
constexpr BankFileFormat kFormats[] = {
    {BankFormat::Op2, "GENMIDI", ".op2", kOp2Magic, nullptr, ReadOp2, nullptr},
    {BankFormat::Wopl, "WOPL", ".wopl", kWoplMagic, WoplVersion, ReadWopl, WoplBytes},
    {BankFormat::Ibk, "IBK", ".ibk", kIbkMagic, nullptr, ReadIbk, IbkBytes},
    {BankFormat::Sbi, "SBI", ".sbi", kSbiMagic, nullptr,
     [](std::span<const std::uint8_t> bytes) {
         InstrumentBank bank;
         bank.melodic.push_back(ReadSbi(bytes));
         return bank;
     },
     nullptr},
};

const BankFileFormat* FormatOfBytes(std::span<const std::uint8_t> bytes) {
    for (const BankFileFormat& format : kFormats)
        if (HasMagic(bytes, format.magic))
            return &format;
    return nullptr;
}

// The SBI files of a folder, sorted by name.
std::vector<std::filesystem::path> SbiFiles(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file() && HasExtension(entry.path().string(), ".sbi"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

std::span<const BankFileFormat> BankFileFormats() {
    return kFormats;
}

BankFormat BankFormatOfPath(const std::string& path) {
    for (const BankFileFormat& format : kFormats)
        if (format.write && HasExtension(path, std::string(format.extension)))
            return format.format;
    return BankFormat::Sbi;
}

bool IsBankFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, error))
            if (HasExtension(entry.path().string(), ".sbi"))
                return true;
        return false;
    }
    try {
        return FormatOfBytes(ReadFileBytes(path)) != nullptr;
    } catch (const ImfError&) {
        return false;
    }
}

InstrumentBank LoadBank(const std::string& path, std::string& formatName) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        InstrumentBank bank;
        for (const auto& file : SbiFiles(path))
            bank.melodic.push_back(ReadSbi(ReadFileBytes(file.string())));
        formatName = "folder of SBI files";
        return bank;
    }
    return ReadBankBytes(ReadFileBytes(path), path, formatName);
}

InstrumentBank ReadBankBytes(std::span<const std::uint8_t> bytes, const std::string& path,
                             std::string& formatName) {
    const BankFileFormat* format = FormatOfBytes(bytes);
    if (!format)
        throw ImfError("ERROR: not an instrument bank: " + path);
    formatName = format->name;
    if (format->version)
        formatName += " version " + std::to_string(format->version(bytes));
    return format->read(bytes);
}

void SaveBank(const InstrumentBank& bank, const std::string& path) {
    const BankFormat chosen = BankFormatOfPath(path);
    for (const BankFileFormat& format : kFormats)
        if (format.format == chosen && format.write) {
            WriteFileReplacing(path, format.write(bank));
            return;
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
