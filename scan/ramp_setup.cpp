// The set-up of a ramp as the board's ramp load carries it.
#include <cmath>

#include "errors/errors.h"
#include "scan/scan_internal.h"

namespace {

bool fits16(int64_t value) {
    return value >= 0 && value <= 0xFFFF;
}

}  // namespace

int32_t scan_setup_of(const rr_ramp_hdr_t& hdr, scan_ramp_setup* setup) {
    const double centi_hz = std::round(static_cast<double>(hdr.cameraRate) * 100.0);
    if (!fits16(hdr.updateRate) || !fits16(hdr.trigStartAddr) || hdr.nBuckets < 1 ||
        !fits16(hdr.nBuckets) || !(centi_hz >= 1 && centi_hz <= 0xFFFF) || !fits16(hdr.offset) ||
        hdr.rampType < 0 || hdr.rampType > 0x1F || hdr.grabSkip < 0 || hdr.grabSkip > 7) {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    *setup = {static_cast<uint16_t>(hdr.updateRate), static_cast<uint16_t>(hdr.trigStartAddr),
              static_cast<uint16_t>(hdr.nBuckets),   static_cast<uint16_t>(centi_hz),
              static_cast<uint16_t>(hdr.offset),     static_cast<uint8_t>(hdr.rampType),
              static_cast<uint8_t>(hdr.grabSkip)};
    return NO_ERROR;
}
