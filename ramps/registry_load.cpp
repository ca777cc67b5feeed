// Loading an instrument's ramp table: the order of the steps, the working
// table, and installing the result in the instrument record.
#include <cstring>

#include "platform/environment.h"
#include "ramps/registry.h"
#include "util/util.h"

namespace {

constexpr int32_t kSystemsWithoutPifocRecord[] = {5, 7, 11, 13, 20, 22, 28, 31, 34};
constexpr int32_t kSystemsWithoutPzt[] = {5, 11};

template <size_t N>
bool is_one_of(int32_t value, const int32_t (&list)[N]) {
    for (const int32_t entry : list)
        if (entry == value) return true;
    return false;
}

void release_ramps(rr_ramp_t* ramps, int32_t count) {
    for (int32_t i = 0; i < count; ++i) rr_release_ramp(&ramps[i]);
}

// The configuration file's name as the record holds it; "" for none.
bool config_name(const sys_info& info, char* name, size_t size) {
    const size_t length = strnlen(info.ramps.configFile, sizeof info.ramps.configFile);
    if (length == 0 || length >= size) return false;
    std::memcpy(name, info.ramps.configFile, length);
    name[length] = '\0';
    return true;
}

// Steps that need a configuration file: false when there is none to read,
// an error when reading it fails.
int32_t load_from_config(registry_load& load, const char* directory, bool* used) {
    *used = false;
    char name[sizeof load.info().ramps.configFile];
    if (!config_name(load.info(), name, sizeof name)) return NO_ERROR;
    char path[U_DIR_SIZE + sizeof name + 1];
    if (!u_join_path(path, sizeof path, directory, name) || !u_file_exists(path)) {
        gl_PrintFunc("Cannot access ramp config file \"%s\"\n", name);
        return NO_ERROR;
    }
    gl_PrintFunc("Reading ramp config file \"%s\"\n", path);
    rr_ramp_cfg_t* specs = nullptr;
    int32_t count = 0;
    const int32_t err = rr_read_ramp_cfg(path, &specs, &count);
    if (err != NO_ERROR) return err;
    if (count <= 0) {
        gl_FreeFunc(specs);
        return ERR_NO_RAMP_INFO;
    }
    registry_load_specs(load, directory, specs, count);
    gl_FreeFunc(specs);
    load.info().ramps.loadedFromConfig = 1;
    *used = true;
    return NO_ERROR;
}

int32_t load_table(sys_info* info) {
    if (info == nullptr || !info->initialised) return ERR_SYS_INFO_NOT_AVAIL;
    if (info->ramps.pifocSerial == SYS_NO_SERIAL &&
        is_one_of(info->systemType, kSystemsWithoutPifocRecord)) {
        return ERR_WRONG_SYSTEM_TYPE;
    }
    rr_release_ramp_table(info);
    info->ramps.loadedFromConfig = 0;
    std::memset(info->ramps.instrSlots, SYS_EMPTY_RAMP_SLOT, sizeof info->ramps.instrSlots);

    if (plat::get_environment(RR_KEEP_RAMPS_ENV) != nullptr) {
        gl_PrintFunc("Found env var %s\n", RR_KEEP_RAMPS_ENV);
    }
    const char* directory = u_ramps_dir();
    if (directory == nullptr) return ERR_NO_RAMP_INFO;
    gl_PrintFunc("Ramp directory: %s\n", directory);

    registry_load load(info);
    if (!load.ready()) return ERR_NO_MEM;
    bool from_config = false;
    int32_t err = load_from_config(load, directory, &from_config);
    if (err != NO_ERROR) return err;
    if (!from_config) registry_load_directory(load, directory);
    if (load.count() == 0) {
        gl_PrintFunc("No usable ramp data\n");
        return ERR_NO_RAMP_INFO;
    }

    registry_counts counts;
    err = registry_set_values(load, &counts);
    if (err != NO_ERROR) return err;
    // Ramps from the configuration keep the file's order.
    if (!from_config) registry_sort(load);
    const int32_t total = load.count();
    err = load.install(counts.pmi);
    if (err != NO_ERROR) return err;
    gl_PrintFunc("Ramp data sets:\n");
    gl_PrintFunc("  %3d Total\n", total);
    gl_PrintFunc("  %3d Loaded\n", load.loaded);
    gl_PrintFunc("  %3d Derived\n", load.derived);
    gl_PrintFunc("  %3d SWLI\n", counts.swli);
    gl_PrintFunc("  %3d BTW\n", counts.btw);
    gl_PrintFunc("  %3d PMI\n", counts.pmi);
    return registry_reconcile_slots(info);
}

}  // namespace

registry_load::registry_load(sys_info* info)
    : info_(info),
      pifoc_sn_(info->ramps.pifocSerial),
      pzt_sn_(is_one_of(info->systemType, kSystemsWithoutPzt) ? SYS_NO_SERIAL
                                                             : info->ramps.pztSerial) {
    ramps_ = static_cast<rr_ramp_t*>(gl_MallocFunc(sizeof(rr_ramp_t) * SYS_MAX_RAMPS));
    // Records not yet used hold no samples, so releasing all of them is safe.
    if (ramps_ != nullptr) std::memset(ramps_, 0, sizeof(rr_ramp_t) * SYS_MAX_RAMPS);
}

registry_load::~registry_load() {
    if (ramps_ == nullptr) return;
    // The record after the table may hold a ramp that was being made.
    release_ramps(ramps_, SYS_MAX_RAMPS);
    gl_FreeFunc(ramps_);
}

rr_ramp_t& registry_load::next() {
    rr_ramp_t& ramp = ramps_[count_];
    if (ramp.points != nullptr) rr_release_ramp(&ramp);
    rr_init_ramp(&ramp);
    return ramp;
}

int32_t registry_load::install(int32_t pmi_count) {
    const size_t bytes = sizeof(rr_ramp_t) * static_cast<size_t>(count_);
    auto* table = static_cast<rr_ramp_t*>(gl_MallocFunc(bytes));
    if (table == nullptr) return ERR_NO_MEM;
    std::memcpy(table, ramps_, bytes);
    info_->ramps.rampTable = table;
    info_->ramps.rampCount = count_;
    info_->ramps.pmiRampCount = pmi_count;
    // The samples belong to the installed table now.
    gl_FreeFunc(ramps_);
    ramps_ = nullptr;
    count_ = 0;
    return NO_ERROR;
}

void rr_release_ramp_table(sys_info* info) {
    if (info == nullptr) return;
    sys_ramp_info& ramps = info->ramps;
    if (ramps.rampTable != nullptr) release_ramps(ramps.rampTable, ramps.rampCount);
    gl_FreeFunc(ramps.rampTable);
    ramps.rampTable = nullptr;
    ramps.rampCount = 0;
    ramps.pmiRampCount = 0;
}

int32_t rr_get_ramp_info(sys_info* info) {
    const int32_t err = load_table(info);
    if (err != NO_ERROR) gl_PrintFunc("rr_get_ramp_info: %s\n", u_err_name(err));
    return err;
}
