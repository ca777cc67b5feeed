// Matrices for the picture tests, allocated by the library and released on
// scope exit, and a reader of the colour bar's labels.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "app/gridtool/glyphs.h"
#include "app/gridtool/phase_picture.h"
#include "datafile/datafile.h"
#include "decoded_png.h"

struct owned_phase {
    phase_matrix m{};
    owned_phase(int16_t width, int16_t height, const std::vector<int32_t>& values) {
        m.window = {3, 5, width, height};
        if (phase_matrix_alloc(&m) == NO_ERROR) std::copy(values.begin(), values.end(), m.matrix);
    }
    ~owned_phase() { phase_matrix_free(&m); }
    owned_phase(const owned_phase&) = delete;
    owned_phase& operator=(const owned_phase&) = delete;
};

struct owned_intens {
    intens_matrix m{};
    owned_intens(int16_t width, int16_t height, int16_t frames, const std::vector<uint16_t>& values) {
        m.window = {0, 0, width, height};
        m.n_buckets = frames;
        if (intens_matrix_alloc(&m) == NO_ERROR) std::copy(values.begin(), values.end(), m.matrix);
    }
    ~owned_intens() { intens_matrix_free(&m); }
    owned_intens(const owned_intens&) = delete;
    owned_intens& operator=(const owned_intens&) = delete;
};

// The centre pixel of map point (column, row).
inline rgb8 map_point(const decoded_png& png, const phase_picture_layout& l, int64_t column,
                      int64_t row) {
    return png.rgb(l.map_x + column * l.zoom + l.zoom / 2, l.map_y + row * l.zoom + l.zoom / 2);
}

// "" when the label whose glyphs start at (layout.label_x, top) reads `text`:
// every font pixel black where the glyph is set and white elsewhere, and
// white after the text. Otherwise where it differs.
inline std::string label_mismatch(const decoded_png& png, const phase_picture_layout& l,
                                  int64_t top, const std::string& text) {
    const int64_t s = l.scale;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* glyph = gt_glyph(text[i]);
        if (glyph == nullptr) return "no glyph for " + text.substr(i, 1);
        for (int row = 0; row < GT_GLYPH_HEIGHT; ++row) {
            for (int column = 0; column < GT_GLYPH_WIDTH; ++column) {
                const int64_t x = l.label_x + (static_cast<int64_t>(i) * GT_GLYPH_ADVANCE + column) * s;
                const rgb8 want = gt_glyph_pixel(glyph, row, column) ? GT_LABEL_COLOUR
                                                                     : GT_BACKGROUND_COLOUR;
                if (!(png.rgb(x + s / 2, top + row * s + s / 2) == want)) {
                    return "character " + std::to_string(i) + " row " + std::to_string(row) +
                           " column " + std::to_string(column);
                }
            }
        }
    }
    const int64_t after = l.label_x + static_cast<int64_t>(text.size()) * GT_GLYPH_ADVANCE * s;
    for (int64_t x = after; x < png.width; ++x) {
        for (int64_t y = top; y < top + GT_GLYPH_HEIGHT * s; ++y) {
            if (!(png.rgb(x, y) == GT_BACKGROUND_COLOUR)) return "ink after the text";
        }
    }
    return "";
}
