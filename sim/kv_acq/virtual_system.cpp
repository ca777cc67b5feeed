#include "sim/kv_acq/virtual_system.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

void set_name(char* destination, const char* name) {
    std::strncpy(destination, name, SIM_ACQ_NAME_SIZE - 1);
}

void set_params(sim_acq_param* params, int32_t* count,
                std::initializer_list<std::pair<const char*, double>> values) {
    *count = 0;
    for (const auto& [name, value] : values) {
        set_name(params[*count].name, name);
        params[(*count)++].value = value;
    }
}

void set_mode(sim_acq_mode* mode, const char* name, int32_t id, double rate) {
    set_name(mode->name, name);
    mode->id = id;
    set_params(mode->params, &mode->numParams,
               {{"DATA RATE", rate},
                {"MAX USER WIDTH", 4096},
                {"MAX USER HEIGHT", 4096},
                {"DATA RESOLUTION", 12}});
}

}  // namespace

sim_acq_state sim_acq_virtual_system() {
    sim_acq_state state{};
    state.initResult = 1;
    state.deviceCount = state.numDevices = 1;
    sim_acq_device& device = state.devices[0];
    set_name(device.name, "grabber");
    device.id = SIM_VI_DEVICE_ID;
    set_params(device.params, &device.numParams, {{"GRAB DATA BUFFERS", 4}});
    device.inputCount = device.numInputs = 1;
    sim_acq_input& camera = device.inputs[0];
    set_name(camera.name, "camera");
    camera.id = SIM_VI_CAMERA_ID;
    camera.modeCount = camera.numModes = 2;
    set_mode(&camera.modes[0], "standard", SIM_VI_STANDARD_MODE_ID, 60);
    set_mode(&camera.modes[1], "fast", SIM_VI_FAST_MODE_ID, 240);
    return state;
}
