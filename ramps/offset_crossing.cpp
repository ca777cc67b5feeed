// When a SWLI or BTW ramp's samples cross its offset: the time from the
// first camera frame of the triggered part, interpolated between the two
// samples on either side of the crossing.
#include <cmath>

#include "ramps/ramp_values.h"
#include "ramps/ramps.h"

int32_t rr_calc_time_til_offset_crossing(rr_ramp_t* ramp, double rate_khz) {
    if (ramp == nullptr || ramp->points == nullptr || ramp->hdr.nPoints <= 0) {
        return ERR_NO_RAMP_INFO;
    }
    const rr_ramp_hdr_t& hdr = ramp->hdr;
    if (rr_is_pmi_type(hdr.rampType)) return ERR_INVALID_PARAM;
    if (!rr_trigger_in_samples(hdr)) return ERR_CORRUPT_RAMP_FILE;

    const double samples_per_second = 1000 * rate_khz;
    // Camera frames that have begun when the triggered part starts.
    const double frames = std::ceil(hdr.trigStartAddr / samples_per_second * hdr.cameraRate);
    const uint16_t* v = ramp->points;
    const bool rising = hdr.directionFlag != 0;
    for (int32_t i = hdr.trigStartAddr; i < hdr.nPoints; ++i) {
        if (rising ? v[i] < hdr.offset : v[i] > hdr.offset) continue;
        // The crossing lies between samples i - 1 and i: without a sample
        // before it, or with two equal ones beside a distant offset, there
        // is nothing to interpolate.
        if (i == 0) return ERR_CORRUPT_RAMP_FILE;
        const double before = v[i - 1] - static_cast<double>(hdr.offset);
        const double step = static_cast<double>(v[i - 1]) - v[i];
        double fraction = 0;
        if (step != 0) {
            fraction = before / step;
        } else if (before != 0) {
            return ERR_CORRUPT_RAMP_FILE;
        }
        ramp->timeToOffset = (i - 1 + fraction) / samples_per_second - frames / hdr.cameraRate;
        return NO_ERROR;
    }
    return ERR_CORRUPT_RAMP_FILE;
}
