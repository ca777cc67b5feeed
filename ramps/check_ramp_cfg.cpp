// Whether a loaded ramp is the one its configuration entry describes.
#include <cmath>

#include "ramps/ramps.h"

namespace {

int32_t mismatch(const char* what) {
    gl_PrintFunc("Error: mismatched %s\n", what);
    return ERR_INVALID_PARAM;
}

}  // namespace

int32_t rr_check_ramp_cfg(const rr_ramp_cfg_t* cfg, const rr_ramp_t* ramp) {
    if (cfg == nullptr || ramp == nullptr) return ERR_INVALID_PARAM;
    const rr_ramp_hdr_t& hdr = ramp->hdr;
    // An entry of type PMI stands for the whole PMI family.
    const bool pmi = rr_is_pmi_type(hdr.rampType);
    if (pmi ? (cfg->rampType != RR_RAMP_PMI && cfg->rampType != hdr.rampType)
            : cfg->rampType != hdr.rampType) {
        return mismatch("rampType");
    }
    const float rate_difference = std::fabs(hdr.cameraRate - cfg->cameraRate);
    if (!(rate_difference <= 0.1)) return mismatch("cameraRate");
    if (hdr.cameraInterlace != cfg->cameraInterlace) return mismatch("cameraInterlace");
    if (hdr.grabSkip != cfg->grabSkip) return mismatch("grabSkip");
    if (hdr.fringesPerFrame != cfg->fringesPerFrame) return mismatch("fringesPerFrame");
    if (pmi) return NO_ERROR;
    if (hdr.scanLen != cfg->scanLen) return mismatch("scanLen");
    if (hdr.rampSlope != cfg->rampSlope) return mismatch("rampSlope");
    return NO_ERROR;
}
