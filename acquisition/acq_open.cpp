// Loading the frame-grabber library, preparing what it reads at start-up (its
// environment variables, the INI file it is given), and unloading it.
#include <cstdio>
#include <cstring>
#include <memory>

#include "acquisition/acquisition.h"
#include "errors/errors.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "util/util.h"

acq_kv_table gl_Kv = {};
plat::library_handle gl_AcqLibrary = nullptr;
plat::named_mutex_handle gl_AcqMutex = nullptr;
plat::event_handle gl_AcqCopyEvent = nullptr;
int32_t gl_AcqCopyPending = 0;

namespace {

// True once InitDeviceMgr has succeeded: only then are there device
// resources to free.
bool gl_DeviceMgrStarted = false;

// Resolves every entry point; false when any is missing, with the table
// cleared.
bool resolve_entry_points(plat::library_handle library) {
    bool complete = true;
#define KV_ENTRY(name, result, params)                                                  \
    gl_Kv.name = reinterpret_cast<result(*) params>(plat::library_symbol(library, #name)); \
    complete = complete && gl_Kv.name != nullptr;
#include "acquisition/kv_acq_entry_points.inc"
#undef KV_ENTRY
    if (!complete) gl_Kv = acq_kv_table{};
    return complete;
}

// The library finds its configuration through these variables; a caller who
// set the first one keeps all three as they are.
void set_library_environment() {
    if (plat::get_environment("VUVAROVAV") != nullptr) return;
    const char* config = u_config_dir();
    if (config == nullptr) return;
    for (const char* name : {"VUVAROVAV", "PULSARVCF", "PULSARDCF"}) {
        plat::set_environment(name, config);
    }
}

// Echoes the INI file line by line; a read that ends without a line break
// (the last line unended, or a line too long for the buffer) ends the echo.
void echo_file(const char* path) {
    const std::unique_ptr<FILE, int (*)(FILE*)> stream(plat::open_regular_file(path, "rb"), std::fclose);
    if (!stream) {
        gl_PrintFunc("Cannot read file %s\n", path);
        return;
    }
    char line[ACQ_INI_LINE_SIZE];
    while (std::fgets(line, sizeof line, stream.get()) != nullptr) {
        char* end = std::strchr(line, '\n');
        if (end == nullptr) break;
        *end = '\0';
        while (end > line && end[-1] == '\r') *--end = '\0';
        gl_PrintFunc("%s%s\n", "  ", line);
    }
}

// Reports the INI file the library will read: Windows keeps it in its own
// folder, named by "SystemRoot".
void report_ini_file(const char* ini_file) {
    gl_PrintFunc("INI file = %s\n", ini_file);
    const char* root = plat::get_environment("SystemRoot");
    if (root == nullptr) {
        gl_PrintFunc("Cannot access SystemRoot environment variable\n");
        return;
    }
    char path[U_DIR_SIZE + ACQ_INI_LINE_SIZE];
    if (!u_join_path(path, sizeof path, root, ini_file) || !plat::is_regular_file(path)) {
        gl_PrintFunc("Cannot access INI file %s\n", path[0] != '\0' ? path : ini_file);
        return;
    }
    gl_PrintFunc("Contents of INI file %s:\n", path);
    echo_file(path);
}

}  // namespace

int32_t acq_mgropen(const char* ini_file) {
    acq_mgrclose(nullptr);

    gl_PrintFunc("Loading library %s\n", ACQ_LIBRARY);
    gl_AcqLibrary = plat::load_library(ACQ_LIBRARY);
    if (gl_AcqLibrary == nullptr) {
        gl_PrintFunc("%s: %s missing\n", "acq_mgropen", ACQ_LIBRARY);
        return ERR_ACQ_MISSING_DLL;
    }
    if (!resolve_entry_points(gl_AcqLibrary)) {
        gl_PrintFunc("%s: %s invalid or corrupted\n", "acq_mgropen", ACQ_LIBRARY);
        acq_mgrclose(nullptr);
        return ERR_ACQ_INVALID_DLL;
    }

    set_library_environment();

    gl_PrintFunc("Initializing %s\n", ACQ_LIBRARY);
    if (ini_file != nullptr) report_ini_file(ini_file);
    if (gl_Kv.InitDeviceMgr(ini_file) == 0) {
        u_print_stamped("%s: %s initialization failed - verify that %s is correct\n",
                        "acq_mgropen", ACQ_LIBRARY, ACQ_INI_FILE);
        acq_mgrclose(nullptr);
        return ERR_ACQ_INIT_DEV;
    }
    gl_DeviceMgrStarted = true;

    if (kv_ld_init() != NO_ERROR) {
        kv_ld_close();
        gl_PrintFunc("Kalvetra control of live display settings is not enabled.\n");
    }

    gl_AcqCopyPending = 0;
    gl_AcqCopyEvent = plat::create_event(nullptr, false, true);
    if (gl_AcqCopyEvent == nullptr) {
        u_print_stamped("%s: Cannot create pl_copy_fb_mutex\n", "acq_mgropen");
        return ERR_UNKNOWN;
    }
    return NO_ERROR;
}

void acq_mgrclose(sys_info* info) {
    if (gl_AcqLibrary != nullptr) {
        if (gl_DeviceMgrStarted && gl_Kv.FreeDeviceResources != nullptr) {
            gl_Kv.FreeDeviceResources();
        }
        gl_Kv = acq_kv_table{};
        plat::unload_library(gl_AcqLibrary);
        gl_AcqLibrary = nullptr;
    }
    gl_Kv = acq_kv_table{};
    gl_DeviceMgrStarted = false;
    kv_ld_close();
    if (info != nullptr) {
        if (gl_AcqMutex != nullptr) plat::close_named_mutex(gl_AcqMutex);
        gl_AcqMutex = nullptr;
        info->acq.ready = 0;
    }
    if (gl_AcqCopyEvent != nullptr) plat::close_event(gl_AcqCopyEvent);
    gl_AcqCopyEvent = nullptr;
    gl_AcqCopyPending = 0;
}
