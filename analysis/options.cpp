// Options from the values of a ramp.
#include "analysis/analysis.h"

int32_t an_options_from_ramp(int32_t ramp_type, int32_t n_buckets, double fringes_per_frame,
                             double ramp_slope_nm, double wavelength_nm, double min_contrast,
                             an_options* options) {
    if (options == nullptr) return ERR_BAD_PARAM;
    int32_t method = 0;
    if (ramp_type >= 1 && ramp_type <= 15) {
        method = AN_PHASE_SHIFTING;
    } else if (ramp_type == 0 || ramp_type == 17) {  // SWLI, BTW
        method = AN_COHERENCE_PEAK;
    } else {
        return ERR_BAD_PARAM;
    }
    *options = an_options{method, n_buckets, fringes_per_frame, ramp_slope_nm, wavelength_nm,
                          min_contrast, 0.0, 1};
    return NO_ERROR;
}
