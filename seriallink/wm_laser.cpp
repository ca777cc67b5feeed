// Switching the tuned laser and waiting until the wave monitor reports it.
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"
#include "util/util.h"

namespace {
constexpr int kRounds = 10;
}  // namespace

int32_t wm_set_laser_with_wait(plat::port_handle* handle, uint8_t wanted) {
    // Any state but on is off, here as in the switch command, so that the
    // wait looks for the state that was asked for.
    const uint32_t on = wanted == 1 ? 1 : 0;
    int32_t code = wm_set_laser(handle, static_cast<uint8_t>(on));
    if (code != NO_ERROR) return code;
    for (int round = 0; round < kRounds; ++round) {
        u_sleep(seriallink::bounds().wm_laser_round_ms.load());
        uint32_t value = 0;
        code = wm_read_laser(handle, &value);
        if (code != NO_ERROR) return code;
        if (((value & WM_FLAG_LASER_ON) != 0 ? 1u : 0u) == on) return NO_ERROR;
        if (gl_AbortFunc != nullptr && gl_AbortFunc() != 0) return ERR_SUNWELL_ABORTED;
    }
    gl_PrintFunc("%s: timeout waiting for laser to switch %s\n", "wm_set_laser_with_wait",
                 on == 1 ? "ON" : "OFF");
    return ERR_WM_LASER_CONTROL_TIMEOUT;
}
