// The grabber of the virtual instrument: what the simulated frame-grabber
// library holds when it is loaded, before any test sets up its own.
#pragma once

#include "sim/kv_acq/sim_kv_acq.h"

// The IDs of the virtual instrument's grabber, camera and modes.
inline constexpr int32_t SIM_VI_DEVICE_ID = 100;
inline constexpr int32_t SIM_VI_CAMERA_ID = 200;
inline constexpr int32_t SIM_VI_STANDARD_MODE_ID = 300;  // 60 frames per second
inline constexpr int32_t SIM_VI_FAST_MODE_ID = 301;      // 240 frames per second

// One grabber with one 12-bit camera and two modes of up to 4096 x 4096
// pixels; InitDeviceMgr succeeds. The frames are as large as the surface.
sim_acq_state sim_acq_virtual_system();
