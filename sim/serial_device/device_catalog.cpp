#include "sim/serial_device/device_catalog.h"

#include "sim/temp_sensor/temp_sensor.h"
#include "sim/wave_monitor/wave_monitor.h"

namespace sim {

std::unique_ptr<simulated_device> make_device(std::string_view kind) {
    if (kind == "wave_monitor") return std::make_unique<wave_monitor>();
    if (kind == "temp_sensor") return std::make_unique<temp_sensor>();
    return nullptr;
}

}  // namespace sim
