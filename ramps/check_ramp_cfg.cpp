// Whether a loaded ramp is the one its configuration spec describes.
#include <cmath>

#include "ramps/ramps.h"

namespace {

int32_t mismatch(const char* what) {
    gl_PrintFunc("Error: mismatched %s\n", what);
    return ERR_INVALID_PARAM;
}

}  // namespace

int32_t rr_check_ramp_cfg(const rr_ramp_cfg_t* spec, const rr_ramp_t* ramp) {
    if (spec == nullptr || ramp == nullptr) return ERR_INVALID_PARAM;
    const rr_ramp_hdr_t& hdr = ramp->hdr;
    // A spec of type PMI stands for the whole PMI family.
    const bool pmi = rr_is_pmi_type(hdr.rampType);
    if (pmi ? (spec->rampType != RR_RAMP_PMI && spec->rampType != hdr.rampType)
            : spec->rampType != hdr.rampType) {
        return mismatch("rampType");
    }
    const float rate_difference = std::fabs(hdr.cameraRate - spec->cameraRate);
    if (!(rate_difference <= 0.1)) return mismatch("cameraRate");
    if (hdr.cameraInterlace != spec->cameraInterlace) return mismatch("cameraInterlace");
    if (hdr.grabSkip != spec->grabSkip) return mismatch("grabSkip");
    if (hdr.fringesPerFrame != spec->fringesPerFrame) return mismatch("fringesPerFrame");
    if (pmi) return NO_ERROR;
    if (hdr.scanLen != spec->scanLen) return mismatch("scanLen");
    if (hdr.rampSlope != spec->rampSlope) return mismatch("rampSlope");
    return NO_ERROR;
}
