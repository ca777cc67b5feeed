// The values acquisition needs of each loaded ramp: its duration, default
// gain and sort key, and for SWLI and BTW ramps the time to the offset
// crossing, the scan direction and the offset position; and the table's
// order by sort key.
#include <algorithm>
#include <cmath>

#include "ramps/ramp_values.h"
#include "ramps/registry.h"

namespace {

constexpr int32_t kSystemsWithPositiveSign[] = {22, 28, 31, 34};
constexpr int32_t kGainMin = 1;
constexpr int32_t kGainMax = 4095;
constexpr int32_t kGainDefault = 2048;

// Milliseconds of the ramp: samples over the sample clock (kHz), times the
// update rate's divisor on the boards that play each sample that often.
double duration_of(const rr_ramp_hdr_t& hdr) {
    double ms = hdr.nPoints / static_cast<double>(hdr.sampleClkFreq);
    if (hdr.instrBdType == INSTR_BD_UZ2 || hdr.instrBdType == INSTR_BD_NIF) {
        ms *= static_cast<double>(hdr.updateRate) + 1;
    }
    return std::round(ms);
}

// 1: the scan runs one way, 2: the other, from the system's sign, the
// PIFOC's polarity and the ramp's direction flag.
int32_t direction_of(const sys_info& info, const rr_ramp_hdr_t& hdr) {
    int sign = -1;
    for (const int32_t system : kSystemsWithPositiveSign)
        if (info.systemType == system) sign = 1;
    if (info.ramps.pifocPolarity == -1) sign = -sign;
    if (hdr.directionFlag != 0) return sign == 1 ? 1 : 2;
    return sign == -1 ? 1 : 2;
}

int32_t set_scan_values(const sys_info& info, rr_ramp_t& ramp) {
    const rr_ramp_hdr_t& hdr = ramp.hdr;
    // The FTP board's scanner travels twice as far for the same ramp.
    const double factor = info.instrBdType == INSTR_BD_FTP ? 2 : 1;
    const double scan_len = hdr.scanLen * factor;
    const double slope = hdr.rampSlope * factor;
    ramp.sortKey = hdr.rampType == RR_RAMP_BTW ? scan_len : scan_len - 64 * slope / 1000;

    int32_t err = NO_ERROR;
    if (info.instrBdType == INSTR_BD_CAN && info.ramps.hasDigitalScanner) {
        ramp.timeToOffset = static_cast<double>(hdr.scanLen) / 2 /
                            (static_cast<double>(hdr.rampSlope) / 1000) / hdr.cameraRate;
    } else if (info.instrBdType == INSTR_BD_CAN) {
        err = rr_calc_time_til_offset_crossing(&ramp, hdr.sampleClkFreq);
    } else {
        err = rr_calc_time_til_offset_crossing(&ramp, 4000.0 / (65536.0 - hdr.updateRate));
    }
    if (err != NO_ERROR) {
        gl_PrintFunc("rr_calc_time_til_offset_crossing failed: %s\n", u_err_name(err));
        return err;
    }
    ramp.direction = direction_of(info, hdr);
    ramp.offsetPos = ramp.timeToOffset * hdr.rampSlope * hdr.cameraRate / 1000;
    if (ramp.direction == 2) ramp.offsetPos = -ramp.offsetPos;
    return NO_ERROR;
}

}  // namespace

bool registry_duration_fits(const rr_ramp_t& ramp, const char* file_name) {
    int32_t ms = 0;
    if (rr_truncate_to_int32(duration_of(ramp.hdr), &ms)) return true;
    gl_PrintFunc("Error: duration of ramp data file \"%s\" is not a number of milliseconds\n",
                 file_name);
    return false;
}

int32_t registry_set_values(registry_load& load, registry_counts* counts) {
    const sys_info& info = load.info();
    for (int32_t i = 0; i < load.count(); ++i) {
        rr_ramp_t& ramp = load.at(i);
        const rr_ramp_hdr_t& hdr = ramp.hdr;
        if (!info.ramps.hasDigitalScanner) ramp.instrSlot = SYS_EMPTY_RAMP_SLOT;
        int32_t ms = 0;
        rr_truncate_to_int32(duration_of(hdr), &ms);  // checked when the ramp was loaded
        ramp.durationMs = std::max(ms, 1);
        if (rr_is_pmi_type(hdr.rampType)) {
            const bool gain_valid = hdr.rampGainDflt >= kGainMin && hdr.rampGainDflt <= kGainMax;
            ramp.gainDflt = gain_valid ? hdr.rampGainDflt : kGainDefault;
            ramp.sortKey = hdr.nBuckets / 100.0;
            ++counts->pmi;
            continue;
        }
        const int32_t err = set_scan_values(info, ramp);
        if (err != NO_ERROR) return err;
        ++(hdr.rampType == RR_RAMP_BTW ? counts->btw : counts->swli);
    }
    return NO_ERROR;
}

void registry_sort(registry_load& load) {
    // A key that is not a number sorts last, so the order stays strict.
    const auto before = [](const rr_ramp_t& a, const rr_ramp_t& b) {
        if (std::isnan(a.sortKey)) return false;
        return std::isnan(b.sortKey) || a.sortKey < b.sortKey;
    };
    rr_ramp_t* first = &load.at(0);
    std::stable_sort(first, first + load.count(), before);
}
