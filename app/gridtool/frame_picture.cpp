// Grey levels of an intensity frame.
#include "app/gridtool/frame_picture.h"

#include <algorithm>

frame_picture gt_frame_picture(const uint16_t* values, int64_t columns, int64_t rows) {
    const uint16_t* end = values + columns * rows;
    const auto [min, max] = std::minmax_element(values, end);
    return {values, columns, rows, *min, *max};
}

uint8_t gt_frame_grey(const frame_picture& picture, uint16_t value) {
    if (picture.min == picture.max) return 128;
    const int32_t span = picture.max - picture.min;
    return static_cast<uint8_t>(((value - picture.min) * 255 + span / 2) / span);
}

void gt_paint_frame_row(const void* context, uint32_t y, uint8_t* row) {
    const auto& p = *static_cast<const frame_picture*>(context);
    const uint16_t* values = p.values + int64_t{y} * p.columns;
    for (int64_t c = 0; c < p.columns; ++c) row[c] = gt_frame_grey(p, values[c]);
}
