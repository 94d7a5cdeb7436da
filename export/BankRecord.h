// The pieces that the bank files share: fixed-size names and the 16-byte register record.
#pragma once

#include "ByteReader.h"
#include "ByteWriter.h"
#include "InstrumentBank.h"

#include <cstddef>
#include <string>

// A name in a field of `size` bytes: cut to size - 1 characters, the rest zeros; the field as
// read when it still holds the name.
void PutName(ByteWriter& out, const std::string& name, std::size_t size,
             const std::string& field = {});
// The characters of a name field up to its first zero; `field` receives all its bytes.
std::string TakeName(ByteReader& in, std::size_t size, std::string* field = nullptr);

// The 16 bytes of an IBK or SBI record: modulator and carrier alternating for 0x20, 0x40, 0x60,
// 0x80 and 0xE0, then 0xC0 and the five bytes of the tail.
void PutRecord(ByteWriter& out, const BankInstrument& instrument);
void TakeRecord(ByteReader& in, BankInstrument& instrument);
