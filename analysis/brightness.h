// The brightness contrast thresholds are taken against.
#pragma once

#include "analysis/frame_set.h"

// The median, over pixels sampled evenly across the image, of each pixel's
// mean count over the frames: the brightness of a typical pixel. A pixel's
// contrast is its fringe amplitude against the larger of its own mean and
// this, so that a dark pixel, whose noise alone is large against its own
// faint light, does not pass for a fringe.
double typical_brightness(const frame_set& frames);
