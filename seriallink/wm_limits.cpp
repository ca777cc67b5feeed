// The sweep (ramp) limits in force and the check of a requested sweep.
#include <cmath>
#include <limits>

#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wm_systems.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTolerance = 0.001;
constexpr int32_t kMaxBuckets = 3800;
constexpr const char* kVerify = "wm_verify_ramp_in_limits";

// The larger and the smaller of two limits; a NaN on either side stays, so
// that a check against it fails.
double larger(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return kNaN;
    return a >= b ? a : b;
}

double smaller(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return kNaN;
    return a <= b ? a : b;
}

}  // namespace

int32_t wm_get_ramp_limits(const sys_info* info, sys_sweep_limits* limits) {
    if (limits == nullptr) return ERR_INVALID_PARAM;
    *limits = sys_sweep_limits{};
    const int32_t type = info != nullptr ? info->systemType : -1;
    if (info != nullptr && wm_calibrated_limits_system(type) &&
        info->waveMonitor.state.calibrated == 0) {
        return NO_ERROR;
    }
    if (info != nullptr && wm_tuned_laser_system(type)) {
        *limits = info->waveMonitor.configLimits;
    } else {
        limits->minRate = 0;
        limits->maxRate = std::numeric_limits<double>::max();
        limits->minRange = 0;
        limits->maxRange = 1.5e11;
    }
    if (info != nullptr && wm_calibrated_limits_system(type)) {
        const sys_sweep_limits& own = info->waveMonitor.state.limits;
        limits->minRate = larger(limits->minRate, own.minRate);
        limits->minRange = larger(limits->minRange, own.minRange);
        limits->maxRange = smaller(limits->maxRange, own.maxRange);
        limits->maxRate = smaller(limits->maxRate, own.maxRate);
    }
    return NO_ERROR;
}

int32_t wm_verify_ramp_in_limits(const sys_info* info, const wm_sweep_request* request) {
    if (info == nullptr || request == nullptr) return ERR_INVALID_PARAM;
    sys_sweep_limits limits{};
    const int32_t code = wm_get_ramp_limits(info, &limits);
    if (code != NO_ERROR) return code;
    const int32_t mode = info->acq.currentMode;
    if (request->numBuckets < 1 || mode < 0 || mode >= SYS_ACQ_MAX_MODES) return ERR_INVALID_PARAM;

    const double range = request->sweepRange;
    const double rate = range * info->acq.modes[mode].dataRate / request->numBuckets;
    // Each test is written as the negation of what passes, so that a NaN fails it.
    if (!(range - limits.maxRange <= kTolerance)) {
        gl_PrintFunc("%s: req_range = %g too large\n", kVerify, range);
        return ERR_WM_TUNE_RANGE_TOO_LARGE;
    }
    if (!(rate - limits.maxRate <= kTolerance)) {
        gl_PrintFunc("%s: req_rate = %g too fast\n", kVerify, rate);
        return ERR_WM_TUNE_RANGE_TOO_LARGE;
    }
    if (request->numBuckets > kMaxBuckets) {
        gl_PrintFunc("%s: req_buckets = %d is too big\n", kVerify, request->numBuckets);
        return ERR_WM_NUM_BUCKETS_TOO_LARGE;
    }
    if (!(rate - limits.minRate >= kTolerance)) {
        gl_PrintFunc("%s: req_rate = %g is too slow\n", kVerify, rate);
        return ERR_WM_TUNE_RATE_TOO_SLOW;
    }
    return NO_ERROR;
}

int32_t wm_init_ramp_info(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (!wm_tuned_laser_system(info->systemType)) {
        gl_PrintFunc("%s: invalid system type\n", "wm_init_ramp_info");
        return ERR_UNKNOWN;
    }
    // The two default ramp descriptions of these systems (chosen by status
    // flag bits 30 and 31) are prepared here once the ramp functions define
    // their description record; until then there is nothing to prepare.
    return NO_ERROR;
}
