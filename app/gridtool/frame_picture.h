// An intensity frame as an 8-bit grey picture, one pixel per element (row 0
// at the top): the frame's smallest value is black (0), its largest white
// (255), the values between scaled linearly and rounded to the nearest
// level. A frame of one value throughout is mid grey (128).
#pragma once

#include <cstdint>

struct frame_picture {
    const uint16_t* values;  // the frame's elements, row by row, x fastest
    int64_t columns;
    int64_t rows;
    uint16_t min;
    uint16_t max;
};

// Scans the frame (columns x rows values, each at least 1) for its range.
frame_picture gt_frame_picture(const uint16_t* values, int64_t columns, int64_t rows);

// The grey level of one value in the picture.
uint8_t gt_frame_grey(const frame_picture& picture, uint16_t value);

// Paints row y into row (columns grey pixels). Fits the row callback of
// png_write_rows (context: the frame_picture).
void gt_paint_frame_row(const void* picture, uint32_t y, uint8_t* row);
