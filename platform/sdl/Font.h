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

// The glyph of a character; characters outside 32..127 show as '?'.
inline const FontGlyph& GlyphOf(char c) {
    const int code = static_cast<unsigned char>(c);
    if (code < FontFirstChar || code >= FontFirstChar + FontGlyphCount)
        return FontGlyphs['?' - FontFirstChar];
    return FontGlyphs[code - FontFirstChar];
}

inline bool GlyphPixel(char c, int x, int y) {
    return (GlyphOf(c)[y] & (0x80 >> x)) != 0;
}
