// The instrument bank formats, one row each: name, extension, magic, reader and writer. A bank's
// format is decided here: a file's by its magic, an output's by its extension.
#pragma once

#include "InstrumentBank.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct BankFileFormat {
    BankFormat format;
    const char* name;
    std::string_view extension;
    std::string_view magic;
    // The file's version, named after the format's name; null where the format has one.
    std::uint16_t (*version)(std::span<const std::uint8_t> bytes);
    InstrumentBank (*read)(std::span<const std::uint8_t> bytes);
    // The bank as one file; null where the format is only read (GENMIDI) or the bank is a folder
    // of files (SBI).
    std::vector<std::uint8_t> (*write)(const InstrumentBank& bank);
};

std::span<const BankFileFormat> BankFileFormats();

// The written format whose extension the path has (any case); any other path is a folder of
// SBI files.
BankFormat BankFormatOfPath(const std::string& path);

// Reads WOPL, IBK, GENMIDI or a single SBI by the file's magic; a folder reads every .sbi in it,
// sorted by name. Raises "ERROR: not an instrument bank: " + path for anything else.
InstrumentBank LoadBank(const std::string& path, std::string& formatName);
// The same for a bank's bytes (no folder).
InstrumentBank ReadBankBytes(std::span<const std::uint8_t> bytes, const std::string& path,
                             std::string& formatName);
// Whether the file starts with the magic of a bank format, or the folder holds SBI files.
bool IsBankFile(const std::string& path);
// Writes the bank in the format of the path's extension, replacing files only once complete.
void SaveBank(const InstrumentBank& bank, const std::string& path);
