// Loading the ramps of the configuration's lines: external profiles,
// ramps derived from the last one loaded ("+"), and ramp data files, with
// a final "*" standing for the scanner's serial number.
#include <cstdio>
#include <cstring>

#include "ramps/registry.h"
#include "util/util.h"

namespace {

constexpr const char* kExtProfileMarker = "extprofile";
// A file name with its "*" replaced by a serial number (at most 11
// characters) and its terminator.
constexpr size_t kExpandedNameSize = RR_FILE_NAME_LEN + 12;

// Whether the instrument has the scanner the spec's type drives.
bool spec_fits_scanners(const registry_load& load, const rr_ramp_cfg_t& spec, int32_t number) {
    if (spec.rampType != RR_RAMP_SWLI && spec.rampType != RR_RAMP_PMI &&
        spec.rampType != RR_RAMP_BTW) {
        gl_PrintFunc("Ramp config error: ramp %d is of unknown type %d\n", number, spec.rampType);
        return false;
    }
    if (spec.rampType == RR_RAMP_PMI && load.pzt_sn() == SYS_NO_SERIAL) {
        gl_PrintFunc("Ramp config error: ramp %d can only be used with a PZT\n", number);
        return false;
    }
    if (spec.rampType != RR_RAMP_PMI && load.pifoc_sn() == SYS_NO_SERIAL) {
        gl_PrintFunc("Ramp config error: ramp %d can only be used with a PIFOC\n", number);
        return false;
    }
    return true;
}

bool make_extprofile(registry_load& load, const rr_ramp_cfg_t& spec, int32_t number) {
    if (!load.info().ramps.hasDigitalScanner) {
        gl_PrintFunc("Ramp config error: ramp %d \"%s\" is invalid for this instrument\n", number,
                     spec.fileName);
        return false;
    }
    char msg[RR_MSG_SIZE] = "";
    if (!rr_make_extprofile_ramp(&load.info(), &spec, &load.next(), msg)) {
        gl_PrintFunc("Ramp config error: ramp %d: %s\n", number, msg);
        return false;
    }
    gl_PrintFunc("Loaded ramp file \"%s\"\n", spec.fileName);
    return true;
}

bool derive(registry_load& load, int32_t base, const rr_ramp_cfg_t& spec, int32_t number) {
    if (base < 0) {
        gl_PrintFunc("Ramp config error: no loaded ramp data from which to derive config ramp %d\n",
                     number);
        return false;
    }
    const rr_ramp_t& from = load.at(base);
    rr_ramp_t& ramp = load.next();
    // A base is named after its spec: at most 80 characters, so "+" and
    // the name always fit.
    const size_t base_length = strnlen(from.name, sizeof from.name);
    if (base_length > static_cast<size_t>(RR_FILE_NAME_LEN) ||
        rr_derive_ramp(&from, &ramp, &spec) != NO_ERROR ||
        !registry_duration_fits(ramp, from.name)) {
        gl_PrintFunc("Ramp config error: cannot derive config ramp %d from ramp data file \"%s\"\n",
                     number, from.name);
        rr_release_ramp(&ramp);
        return false;
    }
    ramp.name[0] = '+';
    std::memcpy(ramp.name + 1, from.name, base_length);
    ramp.name[base_length + 1] = '\0';
    return true;
}

// The spec's file name with a final "*" replaced by the serial number.
void expand_name(const rr_ramp_cfg_t& spec, int32_t serial, char (&name)[kExpandedNameSize]) {
    const size_t length = strnlen(spec.fileName, sizeof spec.fileName);
    if (length > 0 && spec.fileName[length - 1] == '*') {
        std::snprintf(name, sizeof name, "%.*s%d", static_cast<int>(length - 1), spec.fileName,
                      serial);
    } else {
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(length), spec.fileName);
    }
}

bool load_file(registry_load& load, const char* directory, const rr_ramp_cfg_t& spec) {
    char name[kExpandedNameSize];
    expand_name(spec, load.scanner_sn(spec.rampType), name);
    char path[U_DIR_SIZE + kExpandedNameSize + 1];
    if (!registry_ramp_path(directory, name, path, sizeof path)) return false;
    rr_ramp_t& ramp = load.next();
    int32_t err = rr_read_ramp_file(path, &ramp.hdr, &ramp.points);
    if (err != NO_ERROR) {
        gl_PrintFunc("Ramp config error reading ramp data file \"%s\": %s\n", name,
                     u_err_name(err));
        return false;
    }
    const sys_info& info = load.info();
    err = rr_check_ramp_instr(&ramp.hdr, name, info.instrBdType, load.pifoc_sn(), load.pzt_sn());
    if (err == NO_ERROR && rr_check_ramp_cfg(&spec, &ramp) != NO_ERROR) {
        gl_PrintFunc("Ramp config error: values not consistent with ramp data file \"%s\"\n",
                     name);
        err = ERR_INVALID_PARAM;
    }
    if (err != NO_ERROR || !registry_duration_fits(ramp, name)) {
        rr_release_ramp(&ramp);
        return false;
    }
    std::snprintf(ramp.name, sizeof ramp.name, "%s", spec.fileName);
    gl_PrintFunc("Loaded ramp file \"%s\"\n", name);
    return true;
}

}  // namespace

bool registry_ramp_path(const char* directory, const char* name, char* path, size_t size) {
    if (u_join_path(path, size, directory, name)) return true;
    gl_PrintFunc("Ramp file path too long: \"%s\"\n", name);
    return false;
}

void registry_load_specs(registry_load& load, const char* directory, const rr_ramp_cfg_t* specs,
                         int32_t count) {
    int32_t base = -1;  // the ramp that "+" specs derive from
    for (int32_t k = 0; k < count; ++k) {
        const int32_t number = k + 1;
        if (load.full()) {
            gl_PrintFunc(
                "Ramp config warning: too many ramp config entries, ignoring entries %d to %d\n",
                number, count);
            break;
        }
        const rr_ramp_cfg_t& spec = specs[k];
        if (!spec_fits_scanners(load, spec, number)) continue;
        if (std::strstr(spec.fileName, kExtProfileMarker) != nullptr) {
            if (!make_extprofile(load, spec, number)) continue;
            base = load.count();
            ++load.loaded;
        } else if (spec.fileName[0] == '+') {
            if (!derive(load, base, spec, number)) continue;
            ++load.derived;
        } else {
            if (!load_file(load, directory, spec)) continue;
            base = load.count();
            ++load.loaded;
        }
        load.keep();
    }
}
