// Conversions of computed values that the ramp operations share: each one
// either fits its target or is refused, never converted out of range.
// Internal to ramps/.
#pragma once

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <limits>

#include "ramps/ramps.h"

// A computed sample value, truncated and held to 16 bits: a wrapped value
// would send the scanner from one end of its travel to the other.
inline uint16_t rr_clamp_sample(double value) {
    const double whole = std::trunc(value);
    if (!(whole > 0)) return 0;  // NaN too
    if (whole > 65535) return 65535;
    return static_cast<uint16_t>(whole);
}

// True when the triggered part lies within the samples:
// 0 <= trigStartAddr < trigEndAddr <= nPoints.
inline bool rr_trigger_in_samples(const rr_ramp_hdr_t& hdr) {
    return hdr.trigStartAddr >= 0 && hdr.trigStartAddr < hdr.trigEndAddr &&
           hdr.trigEndAddr <= hdr.nPoints;
}

// A double in single precision; a value beyond float's range becomes an
// infinity (a plain conversion of it would be undefined).
inline float rr_to_float(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    // Up to half a unit in the last place above the largest float, a value
    // still rounds down to it; from there on it is an infinity.
    constexpr double kRoundsToInfinity = kMax + 0x1p103;
    if (value >= kRoundsToInfinity) return std::numeric_limits<float>::infinity();
    if (value <= -kRoundsToInfinity) return -std::numeric_limits<float>::infinity();
    if (value > kMax) return std::numeric_limits<float>::max();
    if (value < -kMax) return -std::numeric_limits<float>::max();
    return static_cast<float>(value);  // NaN stays NaN
}

// Truncates value toward zero into *out when the result fits an int32;
// false (and *out untouched) for NaN, infinities and values out of range.
inline bool rr_truncate_to_int32(double value, int32_t* out) {
    const double whole = std::trunc(value);
    if (!(whole >= INT32_MIN && whole <= INT32_MAX)) return false;
    *out = static_cast<int32_t>(whole);
    return true;
}

// Writes a refusal's reason into msg (null, or RR_MSG_SIZE bytes) and
// answers false, for the operations that explain a "no" in a buffer.
U_PRINTF_FORMAT(2, 3) inline bool rr_refuse(char* msg, const char* format, ...) {
    if (msg == nullptr) return false;
    va_list args;
    va_start(args, format);
    std::vsnprintf(msg, RR_MSG_SIZE, format, args);
    va_end(args);
    return false;
}

// The acquisition values a ramp made for a spec takes from it (a derived
// ramp also takes the interlace and the wavelength index).
inline void rr_take_spec_values(rr_ramp_hdr_t* hdr, const rr_ramp_cfg_t& spec) {
    hdr->rampType = spec.rampType;
    hdr->cameraRate = spec.cameraRate;
    hdr->scanLen = spec.scanLen;
    hdr->grabSkip = spec.grabSkip;
    hdr->fringesPerFrame = spec.fringesPerFrame;
    hdr->rampSlope = spec.rampSlope;
    hdr->objMag = spec.objMag;
    hdr->scanCal = spec.scanCal;
}
