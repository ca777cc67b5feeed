// The system types with a tuned laser and a wave monitor. Internal to
// seriallink/.
#pragma once

#include <cstdint>

// Systems whose sweeps are bounded by configured limits and whose switch-on
// runs the wave monitor steps.
inline bool wm_tuned_laser_system(int32_t system_type) {
    return system_type == 19 || system_type == 27 || system_type == 30 || system_type == 32 ||
           system_type == 33;
}

// Systems whose wave monitor's own calibrated limits also bound the sweeps.
inline bool wm_calibrated_limits_system(int32_t system_type) {
    return system_type == 19 || system_type == 30;
}
