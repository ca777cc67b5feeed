// Ramps of external profiles: a digital piezo scanner plays a profile of
// its own, so the ramp carries no samples, only the values acquisition
// needs, taken from the spec and from the name "extprofile<index>.<polar>
// <direction>...".
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ramps/ramp_values.h"
#include "ramps/ramps.h"

namespace {

constexpr const char* kMarker = "extprofile";
constexpr float kSampleClockKhz = 5.0f;
constexpr int32_t kOffset = 0x8000;

struct profile_name {
    int32_t index;
    char polar;
    char direction;
};

// The index after the marker, then a point and at least two characters.
bool parse_name(const char* name, profile_name* out) {
    const char* at = std::strstr(name, kMarker);
    if (at == nullptr) return false;
    at += std::strlen(kMarker);
    int64_t index = 0;
    const char* digits = at;
    while (*at >= '0' && *at <= '9') {
        index = index * 10 + (*at - '0');
        if (index > INT32_MAX) return false;
        ++at;
    }
    if (at == digits || at[0] != '.' || at[1] == '\0' || at[2] == '\0') return false;
    *out = {static_cast<int32_t>(index), at[1], at[2]};
    return true;
}

}  // namespace

bool rr_make_extprofile_ramp(const sys_info* info, const rr_ramp_cfg_t* spec, rr_ramp_t* ramp,
                             char* msg) {
    if (info == nullptr || spec == nullptr || ramp == nullptr) {
        return rr_refuse(msg, "invalid argument");
    }
    profile_name name{};
    if (!parse_name(spec->fileName, &name)) {
        return rr_refuse(msg, "Invalid external profile ramp name %s", spec->fileName);
    }
    const int32_t slots = rr_get_max_num_instr_ramps(info);
    if (name.index > slots) {
        return rr_refuse(msg, "External profile ramp index %d is greater than maximum %d",
                      name.index, slots);
    }
    // Buckets that cover the scan, and samples at 5 kHz for that many frames.
    int32_t buckets = 0;
    int32_t points = 0;
    if (!rr_truncate_to_int32(std::ceil(static_cast<double>(spec->scanLen) * 1000 /
                                        static_cast<double>(spec->rampSlope)),
                              &buckets) ||
        !rr_truncate_to_int32(buckets / static_cast<double>(spec->cameraRate) * 5000, &points) ||
        points < 0) {
        return rr_refuse(msg, "External profile ramp %s: scan length, slope and camera rate give no "
                           "whole number of samples",
                      spec->fileName);
    }

    rr_init_ramp(ramp);
    rr_ramp_hdr_t& hdr = ramp->hdr;
    rr_take_spec_values(&hdr, *spec);
    hdr.sampleClkFreq = kSampleClockKhz;
    hdr.offset = kOffset;
    hdr.polar = static_cast<unsigned char>(name.polar);
    hdr.directionFlag = name.direction == 'n' ? 0 : 1;
    hdr.instrBdType = info->instrBdType;
    hdr.nBuckets = buckets;
    hdr.nPoints = points;
    hdr.rampID = name.index;
    ramp->instrSlot = static_cast<uint8_t>(name.index);  // at most 254, see above
    ramp->hide = spec->hide;
    std::snprintf(ramp->name, sizeof ramp->name, "%s", spec->fileName);
    return true;
}
