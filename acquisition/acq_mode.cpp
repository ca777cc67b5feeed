// Choosing the camera mode for a scan's frame rate.
#include <cmath>

#include "acquisition/acquisition.h"

int32_t acq_pick_mode(const sys_info* info, double frame_rate) {
    if (info == nullptr || !std::isfinite(frame_rate) || frame_rate <= 0) return -1;
    const sys_acq_info& acq = info->acq;
    int32_t best = -1;
    int64_t best_pixels = -1;
    for (int32_t i = 0; i < acq.numModes && i < SYS_ACQ_MAX_MODES; ++i) {
        const sys_acq_mode& mode = acq.modes[i];
        if (!(mode.dataRate >= frame_rate - ACQ_RATE_TOLERANCE)) continue;
        const int64_t pixels = int64_t{mode.userWidth} * mode.userHeight;
        const bool larger = pixels > best_pixels;
        const bool as_large_but_slower =
            pixels == best_pixels && mode.dataRate < acq.modes[best].dataRate;
        if (larger || as_large_but_slower) {
            best = i;
            best_pixels = pixels;
        }
    }
    return best;
}
