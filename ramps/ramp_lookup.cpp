// Finding a ramp of the table by the acquisition it is wanted for, and
// giving a ramp a ramp ID of its own.
#include <cmath>
#include <cstdio>

#include "ramps/number_text.h"
#include "ramps/ramp_values.h"
#include "ramps/ramps.h"

namespace {

constexpr int32_t kLargestTypeCode = 20;
constexpr int32_t kRampIds = SYS_MAX_RAMPS + 1;  // IDs 0 to 254; 255 marks an empty slot

const char* type_name(int32_t type) {
    if (type == RR_RAMP_SWLI) return "SWLI";
    if (rr_is_pmi_type(type)) return "PMI";
    if (type == RR_RAMP_BTW) return "BTW";
    return "unknown";
}

bool type_fits(int32_t ramp_type, int32_t wanted) {
    if (rr_is_pmi_type(ramp_type)) return wanted == RR_RAMP_PMI;
    return ramp_type == wanted;
}

}  // namespace

bool rr_ramp_matches(const sys_info* info, int32_t index, int32_t ramp_type, int32_t n_buckets,
                     float scan_len, int32_t ramp_mux, float camera_rate, int32_t grab_skip,
                     char* msg) {
    if (info == nullptr || !info->initialised) return rr_refuse(msg, "invalid sysInfo");
    const sys_ramp_info& ramps = info->ramps;
    if (ramps.rampTable == nullptr || index < 0 || index >= ramps.rampCount) {
        return rr_refuse(msg, "invalid rampIndex");
    }
    if (ramp_type < 0 || ramp_type > kLargestTypeCode) {
        return rr_refuse(msg, "expected rampType = %d is invalid", ramp_type);
    }
    const rr_ramp_hdr_t& hdr = ramps.rampTable[index].hdr;
    if (hdr.rampType < 0 || hdr.rampType > kLargestTypeCode) {
        return rr_refuse(msg, "ramp rampType = %d is invalid", hdr.rampType);
    }
    if (!type_fits(hdr.rampType, ramp_type)) {
        return rr_refuse(msg, "ramp rampType = %d (%s)  expected %d (%s)", hdr.rampType,
                      type_name(hdr.rampType), ramp_type, type_name(ramp_type));
    }
    if (n_buckets > 0 && hdr.nBuckets != n_buckets) {
        return rr_refuse(msg, "ramp nBuckets = %d  expected nBuckets = %d", hdr.nBuckets, n_buckets);
    }
    if (scan_len > 0 && !(std::fabs(hdr.scanLen - scan_len) <= 1)) {
        return rr_refuse(msg, "ramp scanLen = %s  expected scanLen = %s",
                      rr_text::general(hdr.scanLen).c_str(), rr_text::general(scan_len).c_str());
    }
    if (ramp_mux >= 0 && hdr.rampMux != ramp_mux) {
        return rr_refuse(msg, "ramp rampMux = %d  expected rampMux = %d", hdr.rampMux, ramp_mux);
    }
    // Compared in single precision, as the ramp file and the spec hold them.
    if (camera_rate > 0 && !(std::fabs(hdr.cameraRate - camera_rate) <= 0.1f)) {
        return rr_refuse(msg, "ramp cameraRate = %s  expected cameraRate = %s",
                      rr_text::general(hdr.cameraRate).c_str(),
                      rr_text::general(camera_rate).c_str());
    }
    if (grab_skip >= 0 && hdr.grabSkip != grab_skip) {
        return rr_refuse(msg, "ramp grabSkip = %d  expected grabSkip = %d", hdr.grabSkip, grab_skip);
    }
    if (!rr_ramp_fits_board(hdr.instrBdType, info->instrBdType)) {
        return rr_refuse(msg, "ramp instrBdType = %d  expected instrBdType = %d", hdr.instrBdType,
                      info->instrBdType);
    }
    return true;
}

int32_t rr_find_ramp(const sys_info* info, int32_t ramp_type, int32_t n_buckets, float scan_len,
                     int32_t ramp_mux, float camera_rate, int32_t grab_skip) {
    if (info == nullptr || info->ramps.rampTable == nullptr) return -1;
    for (int32_t i = 0; i < info->ramps.rampCount; ++i) {
        if (rr_ramp_matches(info, i, ramp_type, n_buckets, scan_len, ramp_mux, camera_rate,
                            grab_skip, nullptr)) {
            return i;
        }
    }
    return -1;
}

int32_t rr_assign_ramp_id(sys_info* info, int32_t index) {
    if (info == nullptr || info->ramps.rampTable == nullptr) return ERR_NO_RAMP_INFO;
    sys_ramp_info& ramps = info->ramps;
    if (index < 0 || index >= ramps.rampCount) return ERR_INVALID_RAMP_INDEX;
    bool used[kRampIds] = {};
    for (int32_t i = 0; i < ramps.rampCount; ++i) {
        const int32_t id = ramps.rampTable[i].hdr.rampID;
        if (i != index && id >= 0 && id < kRampIds) used[id] = true;
    }
    for (int32_t id = 0; id < kRampIds; ++id) {
        if (!used[id]) {
            ramps.rampTable[index].hdr.rampID = id;
            return NO_ERROR;
        }
    }
    gl_PrintFunc("rr_assign_ramp_id: no available ramp ID values\n");
    return ERR_PARAM_OUT_OF_RANGE;
}
