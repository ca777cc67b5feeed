// Element counts of matrices, computed without wrapping.
#pragma once

#include <cstdint>

#include "errors/errors.h"

// Checks a product of matrix dimensions computed in 64-bit arithmetic:
// NO_ERROR for 1 .. 2^31-1, ERR_PARAM_OUT_OF_RANGE for 0 or below (a negative
// dimension included), ERR_DATASET_DIM_TOO_LARGE above.
inline int32_t check_element_count(int64_t count) {
    if (count <= 0) return ERR_PARAM_OUT_OF_RANGE;
    if (count > INT32_MAX) return ERR_DATASET_DIM_TOO_LARGE;
    return NO_ERROR;
}

inline int64_t element_count(int64_t width, int64_t height, int64_t depth = 1) {
    return width * height * depth;  // each factor fits in 16 bits: no overflow
}
