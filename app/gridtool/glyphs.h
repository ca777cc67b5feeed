// A 5 x 7 bitmap font of our own for the colour bar's labels: the digits and
// the minus sign, all that an integer label needs. Each glyph is seven rows,
// top first; in a row, bit 4 is the leftmost of five columns. Labels leave one
// blank column between glyphs.
#pragma once

#include <cstdint>

inline constexpr int GT_GLYPH_WIDTH = 5;
inline constexpr int GT_GLYPH_HEIGHT = 7;
inline constexpr int GT_GLYPH_ADVANCE = GT_GLYPH_WIDTH + 1;

// The rows of the glyph for c, or null for a character the font lacks.
const uint8_t* gt_glyph(char c);

// Whether column `column` of row `row` of the glyph is set (both 0-based).
inline bool gt_glyph_pixel(const uint8_t* glyph, int row, int column) {
    return ((glyph[row] >> (GT_GLYPH_WIDTH - 1 - column)) & 1U) != 0;
}
