// Magics: the fixed bytes a file starts with, tested, written and stepped over.
#pragma once

#include "ByteReader.h"
#include "ByteWriter.h"

#include <cstdint>
#include <span>
#include <string_view>

// Whether the bytes start with the magic.
bool HasMagic(std::span<const std::uint8_t> bytes, std::string_view magic);
void PutMagic(ByteWriter& out, std::string_view magic);
// A reader standing after the magic; raises `notThis` where the bytes do not start with it.
ByteReader ReaderAfterMagic(std::span<const std::uint8_t> bytes, std::string_view magic,
                            const char* notThis);
