// Loading the motion wrapper library and resolving its entry points.
#include <cstdio>
#include <string_view>

#include "errors/errors.h"
#include "motion/motion.h"
#include "platform/dynamic_library.h"

mc_mwi_table gl_Mwi = {};
plat::library_handle gl_MwiLibrary = nullptr;

namespace {

enum class mwi_group { REQUIRED, POSITION, CAN_EVENTS, CLOSED_LOOP, ALIGN_VIEW, CONFIG_FILE };

// One entry point: its group, its name and how its slot in gl_Mwi is set.
struct entry_point {
    mwi_group group;
    const char* name;
    void (*assign)(plat::library_function function);
};

constexpr entry_point kEntryPoints[] = {
#define MWI_ENTRY(group, name, result, params)                       \
    {mwi_group::group, #name, [](plat::library_function function) {  \
         gl_Mwi.name = reinterpret_cast<result(*) params>(function); \
     }},
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
};

// Resolves one entry point into its slot; true when the library exports it.
bool resolve(plat::library_handle library, const entry_point& entry) {
    const plat::library_function function = plat::library_symbol(library, entry.name);
    entry.assign(function);
    return function != nullptr;
}

bool resolve(plat::library_handle library, std::string_view name) {
    for (const entry_point& entry : kEntryPoints) {
        if (entry.name == name) return resolve(library, entry);
    }
    return false;
}

// Resolves a whole optional group; when any of it is missing, every slot of
// the group is cleared and false returned.
bool resolve_group(plat::library_handle library, mwi_group group) {
    bool complete = true;
    for (const entry_point& entry : kEntryPoints) {
        if (entry.group == group && !resolve(library, entry)) complete = false;
    }
    if (!complete) {
        for (const entry_point& entry : kEntryPoints) {
            if (entry.group == group) entry.assign(nullptr);
        }
    }
    return complete;
}

int32_t reject(plat::library_handle library, int32_t error) {
    plat::unload_library(library);
    mc_mwi_clear();
    return error;
}

}  // namespace

void mc_mwi_clear() {
    gl_Mwi = mc_mwi_table{};
}

void mc_mwi_unload() {
    mc_mwi_clear();
    if (gl_MwiLibrary != nullptr) plat::unload_library(gl_MwiLibrary);
    gl_MwiLibrary = nullptr;
}

int32_t mc_mwi_load() {
    mc_mwi_unload();

    const plat::library_handle library = plat::load_library(MC_MWI_LIBRARY);
    if (library == nullptr) {
        gl_PrintFunc("Error: %d in loading Kalvetra 10 Motion library %s.\n", plat::library_error(),
                     MC_MWI_LIBRARY);
        mc_mwi_clear();
        return ERR_KVX_NO_DLL;
    }

    // Every missing required entry point is reported before the library is
    // rejected, so one attempt lists all of them.
    char message[512];
    int32_t result = NO_ERROR;
    for (const entry_point& entry : kEntryPoints) {
        if (entry.group != mwi_group::REQUIRED || resolve(library, entry)) continue;
        std::snprintf(message, sizeof message, "Error: %d in loading %s from %s.\n",
                      plat::library_error(), entry.name, MC_MWI_LIBRARY);
        gl_PrintFunc("%s", message);
        result = ERR_KVX_FUNCTION_MAP;
    }
    const bool single_position = resolve(library, "GetPosition_MWI");
    if (result != NO_ERROR) return reject(library, result);

    const bool actual = resolve(library, "GetActualPosition_MWI");
    const bool commanded = resolve(library, "GetCommandedPosition_MWI");
    const bool position_set_usable =
        (single_position && !actual && !commanded) || (!single_position && actual && commanded);
    if (!position_set_usable) {
        std::snprintf(message, sizeof message,
                      "Error: missing GetPosition_MWI or (GetActualPosition_MWI and "
                      "GetCommandedPosition_MWI) functions from %s.\n",
                      MC_MWI_LIBRARY);
        gl_PrintFunc("%s", message);
        return reject(library, ERR_KVX_FUNCTION_MAP);
    }

    if (!resolve_group(library, mwi_group::CAN_EVENTS)) {
        gl_PrintFunc("Warning: Motion DLL does not support CAN event notification pass-through.\n");
        gl_PrintFunc("         Kalvetra may not behave as expected if CAN events are used.\n");
    }
    if (!resolve_group(library, mwi_group::CLOSED_LOOP)) {
        gl_PrintFunc(
            "Info: Motion DLL does not support axis with external closed loop or DMI position "
            "instrument\n");
    }
    if (!resolve_group(library, mwi_group::ALIGN_VIEW)) {
        gl_PrintFunc(
            "Info: Motion DLL does not support setting the align/view indicator on the "
            "pendent\n");
    }
    if (!resolve_group(library, mwi_group::CONFIG_FILE)) {
        gl_PrintFunc(
            "Info: Motion DLL does not support getting the effective motion configuration "
            "file\n");
    }

    gl_MwiLibrary = library;
    return NO_ERROR;
}
