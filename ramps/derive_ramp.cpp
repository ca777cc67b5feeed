// Deriving a ramp for a "+" spec from the SWLI ramp loaded before it: the
// base's samples, cut to the spec's scan length when it is shorter, played
// with a sample clock scaled to the spec's scan speed.
#include <cmath>
#include <cstring>

#include "ramps/number_text.h"
#include "ramps/ramp_values.h"
#include "ramps/ramps.h"

namespace {

// Camera frames per second that the ramp samples: every (grabSkip + 1)th.
float sampled_frame_rate(float camera_rate, int32_t grab_skip) {
    return camera_rate / static_cast<float>(int64_t{grab_skip} + 1);
}

// fringesPerFrame is a whole multiple of 0.25, or divides 0.25 evenly.
bool usable_fringes_per_frame(float fpf) {
    return std::fmod(fpf, 0.25) == 0 || std::fmod(0.25, fpf) == 0;
}

int32_t refuse(rr_ramp_t* ramp, int32_t err) {
    rr_release_ramp(ramp);
    return err;
}

// A derived value that does not fit its integer field refuses the ramp.
bool store_truncated(const char* field, double value, int32_t* out) {
    if (rr_truncate_to_int32(value, out)) return true;
    gl_PrintFunc("Error: derived ramp %s = %s does not fit\n", field,
                 rr_text::general(value).c_str());
    return false;
}

// Timing of the new samples: update rate and bucket count from the scaled
// clock, and the compensation and ADC values scaled with the speed ratio q.
int32_t derive_timing(rr_ramp_hdr_t& r, float frame_rate, double q) {
    r.sampleClkFreq = rr_to_float(r.sampleClkFreq * q);
    const float u = 65536.0f - 4000.0f / r.sampleClkFreq;
    if (u < 0) {
        gl_PrintFunc("Error: sampleClkFreq = %s KHz is too low\n",
                     rr_text::general(r.sampleClkFreq).c_str());
        return ERR_INVALID_PARAM;
    }
    const auto trigger_span = static_cast<float>(int64_t{r.trigEndAddr} - r.trigStartAddr);
    if (!store_truncated("updateRate", u + 0.5, &r.updateRate) ||
        !store_truncated("nBuckets", frame_rate * trigger_span / (1000 * r.sampleClkFreq),
                         &r.nBuckets)) {
        return ERR_INVALID_PARAM;
    }
    if (r.compFilter > 0) {
        if (q < 0.5 && r.compGain < 2) {
            ++r.compGain;
        } else if (q > 2 && r.compGain > 0) {
            --r.compGain;
        }
        const bool scaled = store_truncated("adcMin", r.adcMin * q, &r.adcMin) &&
                            store_truncated("adcMax", r.adcMax * q, &r.adcMax) &&
                            store_truncated("adcFirst", r.adcFirst * q, &r.adcFirst) &&
                            store_truncated("adcMid", r.adcMid * q, &r.adcMid) &&
                            store_truncated("adcLast", r.adcLast * q, &r.adcLast);
        if (!scaled) return ERR_INVALID_PARAM;
    }
    return NO_ERROR;
}

}  // namespace

int32_t rr_derive_ramp(const rr_ramp_t* base, rr_ramp_t* ramp, const rr_ramp_cfg_t* spec) {
    if (base == nullptr || ramp == nullptr || spec == nullptr || base->points == nullptr ||
        ramp->points != nullptr || base->hdr.rampType != RR_RAMP_SWLI) {
        return ERR_INVALID_PARAM;
    }
    const rr_ramp_hdr_t& b = base->hdr;
    if (!(b.trigStartAddr >= 0 && b.trigStartAddr < b.trigEndAddr && b.trigEndAddr <= b.nPoints)) {
        gl_PrintFunc("Error: base ramp trigger addresses %d to %d do not lie within its %d samples\n",
                     b.trigStartAddr, b.trigEndAddr, b.nPoints);
        return ERR_CORRUPT_RAMP_FILE;
    }
    if (spec->rampType != RR_RAMP_SWLI && spec->rampType != RR_RAMP_BTW) {
        gl_PrintFunc("Error: derived ramp must be type SWLI or BTW\n");
        return ERR_INVALID_PARAM;
    }
    if (!(spec->scanLen <= b.scanLen)) {
        gl_PrintFunc("Error: derived ramp must have smaller scan length\n");
        return ERR_PARAM_OUT_OF_RANGE;
    }
    if (!usable_fringes_per_frame(spec->fringesPerFrame)) {
        gl_PrintFunc("Error: fringesPerFrame = %s is invalid for derived ramp\n",
                     rr_text::general(spec->fringesPerFrame).c_str());
        return ERR_INVALID_PARAM;
    }
    if (spec->rampType == RR_RAMP_BTW && !(spec->objMag > 0)) {
        gl_PrintFunc("Error: BTW ramp must specify an objective mag\n");
        return ERR_INVALID_PARAM;
    }

    // A copy of the base with a sample block of its own.
    *ramp = *base;
    ramp->points = nullptr;
    const auto bytes = static_cast<size_t>(b.nPoints) * sizeof(uint16_t);
    auto* points = static_cast<uint16_t*>(gl_MallocFunc(bytes));
    if (points == nullptr) return ERR_NO_MEM;
    ramp->points = points;

    rr_ramp_hdr_t& r = ramp->hdr;
    rr_take_spec_values(&r, *spec);
    r.cameraInterlace = spec->cameraInterlace;
    r.wavelenSelect = spec->wavelenSelect;

    // Scan speed of the new ramp against the base's.
    const float fb = sampled_frame_rate(b.cameraRate, b.grabSkip);
    const float fr = sampled_frame_rate(r.cameraRate, r.grabSkip);
    const double q = (static_cast<double>(r.rampSlope) * fr) / (static_cast<double>(b.rampSlope) * fb);

    if (spec->scanLen != b.scanLen) {
        const int32_t err = rr_rescale_ramp(&b, base->points, &r, points, spec->scanLen);
        if (err != NO_ERROR) return refuse(ramp, err);
    } else {
        std::memcpy(points, base->points, bytes);
    }
    const int32_t err = derive_timing(r, fr, q);
    return err == NO_ERROR ? NO_ERROR : refuse(ramp, err);
}
