// Binding the live-display library, which the frame-grabber library's INI
// file names.
#include "acquisition/acquisition.h"
#include "errors/errors.h"
#include "platform/private_profile.h"

acq_ld_table gl_KvLd = {};
plat::library_handle gl_KvLdLibrary = nullptr;

int32_t kv_ld_init() {
    kv_ld_close();
    char module[ACQ_LD_MODULE_SIZE];
    // A name too long for the buffer is refused rather than cut to another name.
    if (!plat::read_profile_string("ACQDEVICE1", "MODULE", ACQ_LD_DEFAULT_MODULE, module,
                                   sizeof module, ACQ_INI_FILE)) {
        gl_PrintFunc("%s: unable to access frame grabber DLL", "kv_ld_init");
        return ERR_ACQ_INVALID_DLL;
    }
    gl_KvLdLibrary = plat::load_library(module);
    if (gl_KvLdLibrary == nullptr) {
        gl_PrintFunc("%s: unable to access frame grabber DLL", "kv_ld_init");
        return ERR_ACQ_INVALID_DLL;
    }
    bool complete = true;
#define LD_ENTRY(name, result, params)                                                          \
    gl_KvLd.name = reinterpret_cast<result(*) params>(plat::library_symbol(gl_KvLdLibrary, #name)); \
    complete = complete && gl_KvLd.name != nullptr;
#include "acquisition/live_display_entry_points.inc"
#undef LD_ENTRY
    return complete ? NO_ERROR : ERR_ACQ_INVALID_DLL;
}

void kv_ld_close() {
    gl_KvLd = acq_ld_table{};
    if (gl_KvLdLibrary != nullptr) plat::unload_library(gl_KvLdLibrary);
    gl_KvLdLibrary = nullptr;
}
