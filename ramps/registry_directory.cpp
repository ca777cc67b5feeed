// Loading every ramp data file of the ramps directory that was made for one
// of the instrument's scanners: its extension is a letter and the scanner's
// serial number ("d10s81c25.b12345").
#include <cstdio>
#include <string>
#include <vector>

#include "platform/directory_listing.h"
#include "ramps/registry.h"
#include "util/util.h"

namespace {

// The decimal number after the extension's first character; false when
// there is none, something follows it, or it exceeds the int32 range.
bool extension_number(const std::string& name, int64_t* number) {
    const size_t point = name.rfind('.');
    if (point == std::string::npos || name.size() - point < 3) return false;
    int64_t value = 0;
    for (size_t i = point + 2; i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return false;
    }
    *number = value;
    return true;
}

bool made_for_scanners(const registry_load& load, const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    int64_t number = 0;
    if (!extension_number(name, &number)) return false;
    return number == load.pifoc_sn() || number == load.pzt_sn();
}

// The names that pass, in listing (byte) order, at most the table's limit.
std::vector<std::string> ramp_file_names(const registry_load& load, const char* directory) {
    std::vector<std::string> names;
    plat::list_directory(directory, &names);  // an unreadable folder has no ramps
    gl_PrintFunc("Checking all files in ramp directory\n");
    std::vector<std::string> kept;
    for (const std::string& name : names) {
        if (!made_for_scanners(load, name)) continue;
        // The ramp is named after its file; a longer name would be cut.
        if (name.size() > static_cast<size_t>(RR_RAMP_NAME_LEN)) {
            gl_PrintFunc("Warning: ramp file name too long, file ignored: \"%s\"\n", name.c_str());
            continue;
        }
        if (kept.size() == static_cast<size_t>(SYS_MAX_RAMPS)) {
            gl_PrintFunc("Warning: too many ramp files (limit is %d), some files ignored\n",
                         SYS_MAX_RAMPS);
            break;
        }
        kept.push_back(name);
    }
    return kept;
}

bool load_file(registry_load& load, const char* directory, const std::string& name) {
    char path[U_DIR_SIZE + RR_RAMP_NAME_LEN + 2];
    if (!registry_ramp_path(directory, name.c_str(), path, sizeof path)) return false;
    rr_ramp_t& ramp = load.next();
    int32_t err = rr_read_ramp_file(path, &ramp.hdr, &ramp.points);
    if (err != NO_ERROR) {
        gl_PrintFunc("Error reading ramp data file \"%s\": %s\n", name.c_str(), u_err_name(err));
    } else {
        err = rr_check_ramp_instr(&ramp.hdr, name.c_str(), load.info().instrBdType,
                                  load.pifoc_sn(), load.pzt_sn());
    }
    if (err != NO_ERROR || !registry_duration_fits(ramp, name.c_str())) {
        rr_release_ramp(&ramp);
        return false;
    }
    std::snprintf(ramp.name, sizeof ramp.name, "%s", name.c_str());
    gl_PrintFunc("Loaded ramp file \"%s\"\n", name.c_str());
    ramp.hdr.rampID = load.count() + 1;
    return true;
}

}  // namespace

void registry_load_directory(registry_load& load, const char* directory) {
    for (const std::string& name : ramp_file_names(load, directory)) {
        if (load.full()) break;
        if (!load_file(load, directory, name)) continue;
        ++load.loaded;
        load.keep();
    }
}
