// The frames of one scan as the computations read them.
#pragma once

#include <cstddef>
#include <cstdint>

struct frame_set {
    const uint16_t* const* frames;  // count frames of width x height counts, row by row
    int32_t count;
    int32_t width;
    int32_t height;

    const uint16_t* row(int32_t frame, int32_t y) const {
        return frames[frame] + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
    size_t pixels() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
};
