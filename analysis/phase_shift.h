// Phase shifting: the wrapped fringe phase and the contrast of every pixel.
#pragma once

#include <cstdint>

#include "analysis/fringe_weights.h"
#include "analysis/frame_set.h"

// For every pixel, from all frames through the weights (whose length is the
// frame count): phase[i] = -theta, the phase that grows with the height, in
// [-pi, pi]; quality[i] = the fringe contrast B / A (A no less than the
// typical brightness, see brightness.h), or -1 for a pixel below
// min_contrast or without light. ERR_NO_MEM.
int32_t shift_phases(const frame_set& frames, const fringe_weights& weights, double min_contrast,
                     int32_t threads, double* phase, float* quality);
