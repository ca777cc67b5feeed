// A PNG written row by row through libpng, so that no picture needs to be
// held whole in memory.
//
// libpng reports an error by a longjmp out of its own frames. The jump lands
// in a function that holds no object with a destructor and calls back into
// nothing that does while libpng runs, so nothing is skipped on the way; the
// error comes back as a result, never as an exception.
#pragma once

#include <cstdint>
#include <cstdio>

// Eight bits a channel: 1 channel is grey, 3 are red, green, blue.
struct png_rows_layout {
    uint32_t width;
    uint32_t height;
    int channels;
};

// Fills row y (0 at the top) of width * channels bytes. Must not throw.
using png_row_fill = void (*)(const void* context, uint32_t y, uint8_t* row);

enum png_rows_result { PNG_ROWS_WRITTEN, PNG_ROWS_NO_MEMORY, PNG_ROWS_FAILED };

// Writes the whole PNG to stream, filling each row into `row` (width *
// channels bytes, the caller's) just before it is written. PNG_ROWS_FAILED
// when libpng gave up for another reason than memory (a failed write), with
// *os_error the system's error number at that point (0 when there was none).
png_rows_result png_write_rows(FILE* stream, const png_rows_layout& layout, png_row_fill fill,
                   const void* context, uint8_t* row, int* os_error);
