// Two-dimensional phase unwrapping guided by fringe contrast.
#pragma once

#include <cstdint>

// Adds whole turns to the wrapped phases (width x height, row by row) so
// that neighbours differ by less than half a turn. Pixels whose quality is
// below 0 are invalid and left alone. The unwrapping grows from the pixel
// of highest quality, always on from the best pixel it has reached, so it
// goes round invalid regions and low-contrast pixels come last; a region
// it cannot reach (an island) starts again from its own best pixel, whose
// wrapped phase is kept. Ties go to the lower index: the result depends on
// the data alone. ERR_NO_MEM.
int32_t unwrap_phase(int32_t width, int32_t height, const float* quality, double* phase);
