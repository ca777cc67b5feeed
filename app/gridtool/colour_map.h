// The colour map of the phase picture and the fixed colours around it.
#pragma once

#include <cstddef>
#include <cstdint>

struct rgb8 {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

inline constexpr size_t GT_COLOUR_MAP_SIZE = 256;

// Viridis, perceptually uniform: entry 0 for the minimum, 255 for the maximum.
extern const rgb8 GT_COLOUR_MAP[GT_COLOUR_MAP_SIZE];

// Invalid points: a neutral grey that the map never takes.
inline constexpr rgb8 GT_INVALID_COLOUR = {128, 128, 128};
// Around the map, the bar and the labels.
inline constexpr rgb8 GT_BACKGROUND_COLOUR = {255, 255, 255};
inline constexpr rgb8 GT_LABEL_COLOUR = {0, 0, 0};
