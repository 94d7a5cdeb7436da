// The embedded 8 x 16-pixel fixed-pitch font: one bitmap per character 32..127.
#pragma once

#include <array>
#include <cstdint>

constexpr int FontCellWidth = 8;
constexpr int FontCellHeight = 16;
constexpr int FontFirstChar = 32;
constexpr int FontGlyphCount = 96; // characters 32..127

// Sixteen rows, top first; bit 7 of a row is the leftmost pixel.
using FontGlyph = std::array<std::uint8_t, FontCellHeight>;

extern const std::array<FontGlyph, FontGlyphCount> FontGlyphs;
