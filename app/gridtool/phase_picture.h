// The phase picture, row by row: the map, a colour bar to its right and the
// bar's labels to the right of that, on a white margin.
//
//   +------------------------------------------+
//   |  +-----------+  +--+                     |
//   |  |           |  |  | max                 |
//   |  |    map    |  |  |                     |
//   |  |           |  |  | min                 |
//   |  +-----------+  +--+                     |
//   +------------------------------------------+
//
// Matrix row 0 is the top row and column 0 the left column. A map smaller
// than 256 points on its longer side is enlarged by a whole factor (each
// point a square of zoom x zoom pixels) so that a small map stays visible.
// The bar runs from the maximum (top, colour map entry 255) to the minimum
// (bottom, entry 0) over at least the map's height; the maximum's label sits
// beside the bar's top, the minimum's beside its bottom, both in the phase
// values' own units. The font and the gaps grow with larger maps.
//
// Without a valid point the map and the bar are all in the invalid grey and
// there are no labels; when every valid point has one value, those points
// and the whole bar take the map's middle entry (128) and both labels show
// that value.
#pragma once

#include <cstdint>

#include "app/gridtool/colour_map.h"
#include "datafile/datafile.h"

// Positions and sizes in pixels of the picture, its origin at the top left.
struct phase_picture_layout {
    int64_t zoom;   // pixels a side of one map point
    int64_t scale;  // pixels a side of one font pixel
    int64_t map_x, map_y, map_width, map_height;
    int64_t bar_x, bar_y, bar_width, bar_height;
    int64_t label_x, max_label_y, min_label_y;
    int64_t width, height;
};

// The layout for a map of columns x rows points (each at least 1) whose
// labels are at most label_chars characters long (0: no labels).
phase_picture_layout gt_phase_layout(int64_t columns, int64_t rows, int64_t label_chars);

// Everything one row of the picture is painted from.
struct phase_picture {
    const int32_t* values;  // the phase matrix's elements
    int64_t columns;
    int64_t rows;
    bool any_valid;
    int32_t min;
    int32_t max;
    char min_text[12];  // the labels; empty without valid points
    char max_text[12];
    phase_picture_layout layout;
};

// Scans the values (columns x rows of them, each at least 1) for the range
// of the valid ones and lays the picture out.
phase_picture gt_phase_picture(const int32_t* values, int64_t columns, int64_t rows);

// The colour of one phase value in the picture.
rgb8 gt_phase_colour(const phase_picture& picture, int32_t value);

// Paints row y of the picture into row (layout.width RGB pixels). Fits the
// row callback of png_write_rows (context: the phase_picture).
void gt_paint_phase_row(const void* picture, uint32_t y, uint8_t* row);
