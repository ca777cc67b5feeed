// Layout and painting of the phase picture.
#include "app/gridtool/phase_picture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/gridtool/glyphs.h"

namespace {

// A map below this many points on its longer side is enlarged.
constexpr int64_t SMALLEST_MAP_SIDE = 256;
// Map height in pixels per font scale step, and the largest scale.
constexpr int64_t PIXELS_PER_SCALE = 96;
constexpr int64_t LARGEST_SCALE = 8;
constexpr size_t MIDDLE_ENTRY = GT_COLOUR_MAP_SIZE / 2;
constexpr int64_t LAST_ENTRY = GT_COLOUR_MAP_SIZE - 1;

void put(uint8_t* row, int64_t x, rgb8 colour) {
    uint8_t* pixel = row + x * 3;
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
}

void fill(uint8_t* row, int64_t from, int64_t count, rgb8 colour) {
    for (int64_t x = from; x < from + count; ++x) put(row, x, colour);
}

// Font row `glyph_row` of text, each font pixel scale x scale, from x on.
void paint_text_row(uint8_t* row, int64_t x, const char* text, int64_t glyph_row, int64_t scale) {
    for (const char* c = text; *c != '\0'; ++c, x += GT_GLYPH_ADVANCE * scale) {
        const uint8_t* glyph = gt_glyph(*c);
        if (glyph == nullptr) continue;
        for (int column = 0; column < GT_GLYPH_WIDTH; ++column) {
            if (gt_glyph_pixel(glyph, static_cast<int>(glyph_row), column)) {
                fill(row, x + column * scale, scale, GT_LABEL_COLOUR);
            }
        }
    }
}

// The label whose band holds row y, if any.
void paint_label(uint8_t* row, int64_t y, int64_t top, const char* text,
                 const phase_picture_layout& layout) {
    const int64_t band = GT_GLYPH_HEIGHT * layout.scale;
    if (y < top || y >= top + band) return;
    paint_text_row(row, layout.label_x, text, (y - top) / layout.scale, layout.scale);
}

rgb8 bar_colour(const phase_picture& picture, int64_t bar_row) {
    if (!picture.any_valid) return GT_INVALID_COLOUR;
    if (picture.min == picture.max) return GT_COLOUR_MAP[MIDDLE_ENTRY];
    const int64_t span = picture.layout.bar_height - 1;
    if (span == 0) return GT_COLOUR_MAP[LAST_ENTRY];
    const int64_t entry = ((span - bar_row) * LAST_ENTRY + span / 2) / span;
    return GT_COLOUR_MAP[entry];
}

}  // namespace

phase_picture_layout gt_phase_layout(int64_t columns, int64_t rows, int64_t label_chars) {
    phase_picture_layout l{};
    l.zoom = std::max<int64_t>(1, SMALLEST_MAP_SIDE / std::max(columns, rows));
    l.map_width = columns * l.zoom;
    l.map_height = rows * l.zoom;
    l.scale = std::clamp<int64_t>(l.map_height / PIXELS_PER_SCALE, 1, LARGEST_SCALE);
    const int64_t s = l.scale;
    const int64_t margin = 4 * s;
    const int64_t text_height = GT_GLYPH_HEIGHT * s;
    l.map_x = margin;
    l.map_y = margin;
    l.bar_x = l.map_x + l.map_width + 8 * s;
    l.bar_y = margin;
    l.bar_width = 12 * s;
    // Room for both labels one above the other with a gap between them.
    l.bar_height = std::max(l.map_height, 2 * text_height + 4 * s);
    l.label_x = l.bar_x + l.bar_width + 4 * s;
    l.max_label_y = l.bar_y;
    l.min_label_y = l.bar_y + l.bar_height - text_height;
    const int64_t label_width = label_chars > 0 ? label_chars * GT_GLYPH_ADVANCE * s - s : 0;
    l.width = l.label_x + label_width + margin;
    l.height = l.bar_y + l.bar_height + margin;
    return l;
}

phase_picture gt_phase_picture(const int32_t* values, int64_t columns, int64_t rows) {
    phase_picture p{};
    p.values = values;
    p.columns = columns;
    p.rows = rows;
    const int64_t count = columns * rows;
    for (int64_t i = 0; i < count; ++i) {
        const int32_t value = values[i];
        if (value >= PHASE_INVALID) continue;
        if (!p.any_valid || value < p.min) p.min = value;
        if (!p.any_valid || value > p.max) p.max = value;
        p.any_valid = true;
    }
    if (p.any_valid) {
        std::snprintf(p.min_text, sizeof p.min_text, "%d", static_cast<int>(p.min));
        std::snprintf(p.max_text, sizeof p.max_text, "%d", static_cast<int>(p.max));
    }
    const auto chars = static_cast<int64_t>(std::max(std::strlen(p.min_text), std::strlen(p.max_text)));
    p.layout = gt_phase_layout(columns, rows, chars);
    return p;
}

rgb8 gt_phase_colour(const phase_picture& picture, int32_t value) {
    if (value >= PHASE_INVALID) return GT_INVALID_COLOUR;
    if (picture.min == picture.max) return GT_COLOUR_MAP[MIDDLE_ENTRY];
    // The spread of two int32 values fits in 32 bits; times 255 in 64.
    const int64_t span = int64_t{picture.max} - picture.min;
    const int64_t entry = ((int64_t{value} - picture.min) * LAST_ENTRY + span / 2) / span;
    return GT_COLOUR_MAP[entry];
}

void gt_paint_phase_row(const void* context, uint32_t y, uint8_t* row) {
    const auto& p = *static_cast<const phase_picture*>(context);
    const phase_picture_layout& l = p.layout;
    fill(row, 0, l.width, GT_BACKGROUND_COLOUR);
    if (y >= l.map_y && y < l.map_y + l.map_height) {
        const int32_t* values = p.values + (y - l.map_y) / l.zoom * p.columns;
        for (int64_t c = 0; c < p.columns; ++c) {
            fill(row, l.map_x + c * l.zoom, l.zoom, gt_phase_colour(p, values[c]));
        }
    }
    if (y >= l.bar_y && y < l.bar_y + l.bar_height) {
        fill(row, l.bar_x, l.bar_width, bar_colour(p, y - l.bar_y));
    }
    paint_label(row, y, l.max_label_y, p.max_text, l);
    paint_label(row, y, l.min_label_y, p.min_text, l);
}
