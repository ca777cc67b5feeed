// Writing the ramp configuration file: title, description block, then the
// specs in groups of the same type, file name and camera rate, each group
// after an empty line. Lines end with CR LF on every system.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "ramps/number_text.h"
#include "ramps/ramp_cfg_line.h"
#include "ramps/ramp_values.h"
#include "ramps/ramps.h"
#include "util/util.h"

namespace {

struct cfg_to_write {
    const rr_ramp_cfg_t* list;
    int32_t count;
};

// A file name that reads back as the same single token: the reader splits
// at blanks and tabs, and a line feed would end the line.
bool name_reads_back(const char* name) {
    const size_t length = strnlen(name, RR_FILE_NAME_LEN + 1);
    return length > 0 && length <= static_cast<size_t>(RR_FILE_NAME_LEN) &&
           std::strpbrk(name, " \t\n") == nullptr;
}

void type_text(const rr_ramp_cfg_t& spec, char* text, size_t size) {
    if (spec.rampType == RR_RAMP_SWLI) {
        std::snprintf(text, size, "SWLI");
    } else if (rr_is_pmi_type(spec.rampType)) {
        std::snprintf(text, size, "PMI");
    } else if (spec.rampType == RR_RAMP_BTW && spec.wavelenSelect >= RR_BTW_WAVELEN_MIN &&
               spec.wavelenSelect <= RR_BTW_WAVELEN_MAX) {
        std::snprintf(text, size, "%s%d", "BTW", spec.wavelenSelect);
    } else if (spec.rampType == RR_RAMP_BTW) {
        std::snprintf(text, size, "BTW");
    } else {
        std::snprintf(text, size, "XXX");
    }
}

// The type code the reader gives the spec's type text.
int32_t read_back_type(int32_t type) {
    return rr_is_pmi_type(type) ? RR_RAMP_PMI : type;
}

// "%{width}.{precision}f" of the value, unless the reader would refuse what
// those digits read back as (999.9999 as "1000.00" where less than 1000 is
// needed): then the shortest text that reads back exactly, in the same width.
// Infinities and NaNs are written as printf spells them; no reader takes them.
std::string column(float value, int width, int precision, bool (*accepted)(float, int32_t),
                   int32_t type) {
    std::string text = rr_text::fixed(value, precision);
    double back = 0;
    const bool taken = rr_text::read_real(text.c_str(), &back) &&
                       accepted(rr_to_float(back), read_back_type(type));
    if (std::isfinite(value) && !taken) text = rr_text::shortest(value);
    const auto columns = static_cast<size_t>(width);
    if (text.size() < columns) text.insert(0, columns - text.size(), ' ');
    return text;
}

// A new group starts with a spec whose type or file name differs from the
// group's first, or whose camera rate is more than 1 Hz from it.
bool starts_group(const rr_ramp_cfg_t& spec, const rr_ramp_cfg_t& first) {
    return spec.rampType != first.rampType || std::strcmp(spec.fileName, first.fileName) != 0 ||
           std::fabs(spec.cameraRate - first.cameraRate) > 1;
}

bool write_line(FILE* out, const std::string& text) {
    return std::fputs(text.c_str(), out) != EOF && std::fputs("\r\n", out) != EOF;
}

bool write_cfg(FILE* out, const void* context) {
    const auto* cfg = static_cast<const cfg_to_write*>(context);
    bool ok = write_line(out, RR_CFG_TITLE);
    for (const char* line = RR_CFG_DESCRIPTION; ok;) {
        const char* end = std::strchr(line, '\n');
        ok = write_line(out, end == nullptr ? std::string(line) : std::string(line, end));
        if (end == nullptr) break;
        line = end + 1;
    }
    const rr_ramp_cfg_t* group = nullptr;
    for (int32_t i = 0; ok && i < cfg->count; ++i) {
        const rr_ramp_cfg_t& spec = cfg->list[i];
        if (group == nullptr || starts_group(spec, *group)) {
            group = &spec;
            ok = write_line(out, "");
        }
        char type[16];
        type_text(spec, type, sizeof type);
        const int32_t t = spec.rampType;
        char line[512];
        std::snprintf(line, sizeof line, " %-4s %-22s %s %s %2d %2d %s %s %s %s %1d", type,
                      spec.fileName, column(spec.scanLen, 6, 2, rr_cfg_scan_len_ok, t).c_str(),
                      column(spec.cameraRate, 6, 2, rr_cfg_camera_rate_ok, t).c_str(),
                      spec.cameraInterlace, spec.grabSkip,
                      column(spec.fringesPerFrame, 5, 3, rr_cfg_fringes_per_frame_ok, t).c_str(),
                      column(spec.rampSlope, 8, 4, rr_cfg_ramp_slope_ok, t).c_str(),
                      column(spec.objMag, 6, 2, rr_cfg_obj_mag_ok, t).c_str(),
                      column(spec.scanCal, 7, 5, rr_cfg_scan_cal_ok, t).c_str(), spec.hide);
        ok = ok && write_line(out, line);
    }
    return ok;
}

}  // namespace

int32_t rr_write_ramp_cfg(const char* path, const rr_ramp_cfg_t* list, int32_t count) {
    if (path == nullptr || list == nullptr || count < 0) return ERR_INVALID_PARAM;
    for (int32_t i = 0; i < count; ++i) {
        if (!name_reads_back(list[i].fileName)) return ERR_INVALID_PARAM;
    }
    const cfg_to_write cfg{list, count};
    const int32_t err = u_write_replacing(path, write_cfg, &cfg);
    return err == ERR_CANT_CREATE_FILE ? ERR_CANT_OPEN_FILE : err;
}
