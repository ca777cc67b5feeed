// The simulated serial devices by kind: "wave_monitor" (sim/wave_monitor)
// and "temp_sensor" (sim/temp_sensor).
#pragma once

#include <memory>
#include <string_view>

#include "sim/serial_device/simulated_device.h"

namespace sim {

// Null for an unknown kind.
std::unique_ptr<simulated_device> make_device(std::string_view kind);

}  // namespace sim
