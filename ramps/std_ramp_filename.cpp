// The standard name of a ramp data file, made from the values that tell
// ramps apart: scan length, slope and frame rate (SWLI and BTW, with the
// objective for BTW) or bucket count and frame rate (PMI), then the
// scanner's serial number.
#include <cmath>
#include <cstdio>

#include "ramps/number_text.h"
#include "ramps/ramp_values.h"
#include "ramps/ramps.h"

namespace {

thread_local char name_buffer[128];

bool whole_number(const char* field, double value, bool round, int32_t* out) {
    if (rr_truncate_to_int32(round ? std::round(value) : value, out)) return true;
    gl_PrintFunc("rr_get_std_ramp_filename: %s = %s does not fit a file name\n", field,
                 rr_text::general(value).c_str());
    return false;
}

bool fits_file_name(unsigned char byte) {
    return byte >= 0x20 && byte != 0x7F && byte != '/' && byte != '\\';
}

int32_t refuse(const char** name) {
    name_buffer[0] = '\0';
    *name = name_buffer;
    return ERR_INVALID_PARAM;
}

}  // namespace

int32_t rr_get_std_ramp_filename(const rr_ramp_hdr_t* hdr, const char** name) {
    if (name == nullptr) return ERR_INVALID_PARAM;
    if (hdr == nullptr) return refuse(name);
    const bool pmi = rr_is_pmi_type(hdr->rampType);
    if (!pmi && hdr->rampType != RR_RAMP_SWLI && hdr->rampType != RR_RAMP_BTW) {
        gl_PrintFunc("rr_get_std_ramp_filename: unsupported ramp type %d\n", hdr->rampType);
        return refuse(name);
    }
    // Camera frames sampled per second, as a whole number.
    const float frame_rate = hdr->cameraRate / static_cast<float>(int64_t{hdr->grabSkip} + 1);
    int32_t rate = 0;
    if (!whole_number("frame rate", frame_rate, true, &rate)) return refuse(name);
    if (pmi) {
        std::snprintf(name_buffer, sizeof name_buffer, "p%dc%d.%c%d", hdr->nBuckets, rate,
                      hdr->rampMux == 1 ? 'q' : 'p', hdr->pztID);
        *name = name_buffer;
        return NO_ERROR;
    }
    // The polarity byte stands in the name as "%c" writes it; only a byte
    // that ends a name, separates folders or is a control character cannot.
    if (!fits_file_name(static_cast<unsigned char>(hdr->polar))) {
        gl_PrintFunc("rr_get_std_ramp_filename: invalid polar %d\n", hdr->polar);
        return refuse(name);
    }
    int32_t scan = 0;
    int32_t slope = 0;
    if (!whole_number("scanLen", hdr->scanLen, false, &scan) ||
        !whole_number("rampSlope", hdr->rampSlope, false, &slope)) {
        return refuse(name);
    }
    if (hdr->rampType == RR_RAMP_SWLI) {
        std::snprintf(name_buffer, sizeof name_buffer, "d%ds%dc%d.%c%d", scan, slope, rate,
                      static_cast<char>(hdr->polar), hdr->pztID);
    } else {
        int32_t mag = 0;
        if (!whole_number("objMag", hdr->objMag, false, &mag)) return refuse(name);
        std::snprintf(name_buffer, sizeof name_buffer, "d%ds%dc%dm%d.%c%d", scan, slope, rate, mag,
                      static_cast<char>(hdr->polar), hdr->pztID);
    }
    *name = name_buffer;
    return NO_ERROR;
}
