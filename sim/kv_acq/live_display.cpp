// The simulated live-display library: the five setters answer success and
// count their calls.
#include <cstdint>

#include "sim/kv_acq/sim_kv_acq.h"

extern "C" {
#define LD_ENTRY(name, result, params) result name params;
#include "acquisition/live_display_entry_points.inc"
#undef LD_ENTRY
}

namespace {
sim_ld_state g_state;
}

extern "C" sim_ld_state* sim_ld_control() {
    return &g_state;
}

int32_t SetLDNFringes(int32_t fringes) {
    ++g_state.calls;
    return fringes >= 0;
}
int32_t SetLDPhaseRes(int32_t resolution) {
    ++g_state.calls;
    return resolution >= 0;
}
int32_t SetLDTeskScale(double scale) {
    ++g_state.calls;
    return scale > 0;
}
int32_t SetLDMinArea(int32_t area) {
    ++g_state.calls;
    return area >= 0;
}
int32_t RunLDCommand(const char* command) {
    ++g_state.calls;
    return command != nullptr;
}
