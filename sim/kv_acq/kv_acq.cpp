// The simulated frame-grabber library: acquisition devices, their input
// devices and modes as the test set them up in sim_acq_state (or the virtual
// instrument's), with faults on demand, and a camera that grabs frames of
// the simulated surface (sim_camera.h). Input device and mode IDs are looked
// up across the whole system, so selecting an input device also selects its
// acquisition device.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sim/kv_acq/sim_camera.h"
#include "sim/kv_acq/sim_kv_acq.h"
#include "sim/kv_acq/virtual_system.h"

extern "C" {
#define KV_ENTRY(name, result, params) result name params;
#include "acquisition/kv_acq_entry_points.inc"
#undef KV_ENTRY
}

namespace {

sim_acq_state g_state = sim_acq_virtual_system();
sim_acq::camera g_camera(&g_state.camera);
// The ID of the open device; 0 when none.
int32_t g_open_device = 0;
int g_device = -1;  // current acquisition device
int g_input = -1;   // current input device of g_device
int g_mode = -1;    // current mode of g_input
int g_next_device = 0;
int g_next_input = 0;
int g_next_mode = 0;

struct call_count {
    char entry[SIM_ACQ_NAME_SIZE];
    int32_t count;
};
call_count g_counts[40];

// Counts the call; true when the test asked for this one to fail. The grab
// calls may come from two threads (a read waits while the stop is called).
std::mutex g_count_lock;
bool fails(const char* entry) {
    const std::lock_guard<std::mutex> lock(g_count_lock);
    int32_t count = 0;
    for (call_count& slot : g_counts) {
        if (slot.entry[0] == '\0') std::strncpy(slot.entry, entry, SIM_ACQ_NAME_SIZE - 1);
        if (std::strcmp(slot.entry, entry) == 0) {
            count = ++slot.count;
            break;
        }
    }
    for (const sim_acq_failure& failure : g_state.failures) {
        if (failure.nth == count && std::strcmp(failure.entry, entry) == 0) return true;
    }
    return false;
}

void copy_text(char* destination, const char* source) {
    std::strncpy(destination, source, SIM_ACQ_TEXT_SIZE - 1);
    destination[SIM_ACQ_TEXT_SIZE - 1] = '\0';
}

int clamp_count(int32_t count, int limit) {
    return count < 0 ? 0 : count > limit ? limit : count;
}

sim_acq_device* current_device() {
    return g_device >= 0 ? &g_state.devices[g_device] : nullptr;
}
sim_acq_input* current_input() {
    sim_acq_device* device = current_device();
    return device != nullptr && g_input >= 0 ? &device->inputs[g_input] : nullptr;
}
sim_acq_mode* current_mode() {
    sim_acq_input* input = current_input();
    return input != nullptr && g_mode >= 0 ? &input->modes[g_mode] : nullptr;
}

const char* name_or_null(const char* name) {
    return name[0] != '\0' ? name : nullptr;
}

int32_t query(const sim_acq_param* params, int32_t count, const char* parameter, double* value) {
    if (parameter == nullptr || value == nullptr) return 0;
    for (int i = 0; i < clamp_count(count, SIM_ACQ_PARAMS); ++i) {
        if (std::strcmp(params[i].name, parameter) == 0) {
            *value = params[i].value;
            return 1;
        }
    }
    return 0;
}

// A failure the caller reads back through GetLastAcqError.
int32_t failed(int32_t error) {
    g_state.lastError = error;
    return 0;
}

const sim_acq_device* find_device(int32_t device_id) {
    if (device_id == 0) return nullptr;
    for (const sim_acq_device& device : g_state.devices) {
        if (device.id == device_id) return &device;
    }
    return nullptr;
}

bool has_mode(const sim_acq_device& device, int32_t mode_id) {
    if (mode_id == 0) return false;
    for (const sim_acq_input& input : device.inputs) {
        for (const sim_acq_mode& mode : input.modes) {
            if (mode.id == mode_id) return true;
        }
    }
    return false;
}

const char* device_name(int index) {
    if (index >= clamp_count(g_state.numDevices, SIM_ACQ_DEVICES)) return nullptr;
    return name_or_null(g_state.devices[index].name);
}
const char* input_name(int index) {
    sim_acq_device* device = current_device();
    if (device == nullptr || index >= clamp_count(device->numInputs, SIM_ACQ_INPUTS)) return nullptr;
    return name_or_null(device->inputs[index].name);
}
const char* mode_name(int index) {
    sim_acq_input* input = current_input();
    if (input == nullptr || index >= clamp_count(input->numModes, SIM_ACQ_MODES)) return nullptr;
    return name_or_null(input->modes[index].name);
}

}  // namespace

extern "C" sim_acq_state* sim_acq_control() {
    return &g_state;
}

int32_t InitDeviceMgr(const char* ini_file) {
    ++g_state.initCalls;
    g_state.iniWasNull = ini_file == nullptr;
    copy_text(g_state.seenIni, ini_file != nullptr ? ini_file : "");
    for (int i = 0; i < SIM_ACQ_ENV_COUNT; ++i) {
        const char* value = std::getenv(kSimAcqEnvNames[i]);
        g_state.envSet[i] = value != nullptr;
        copy_text(g_state.seenEnv[i], value != nullptr ? value : "");
    }
    if (fails("InitDeviceMgr")) return 0;
    return g_state.initResult;
}

int32_t FreeDeviceResources() {
    ++g_state.freeCalls;
    g_device = g_input = g_mode = -1;
    if (g_open_device != 0) g_camera.close();
    g_open_device = 0;
    return 1;
}

int32_t GetNumAcqDevices() {
    return fails("GetNumAcqDevices") ? 0 : g_state.deviceCount;
}

const char* GetFirstAcqDeviceName() {
    g_next_device = 1;
    return fails("GetFirstAcqDeviceName") ? nullptr : device_name(0);
}

const char* GetNextAcqDeviceName() {
    return fails("GetNextAcqDeviceName") ? nullptr : device_name(g_next_device++);
}

int32_t GetAcqDeviceId(const char* name) {
    if (fails("GetAcqDeviceId") || name == nullptr) return 0;
    for (const sim_acq_device& device : g_state.devices) {
        if (std::strcmp(device.name, name) == 0) return device.id;
    }
    return 0;
}

int32_t SetCurrentAcqDevice(int32_t device_id) {
    if (fails("SetCurrentAcqDevice") || device_id == 0) return 0;
    for (int i = 0; i < SIM_ACQ_DEVICES; ++i) {
        if (g_state.devices[i].id == device_id) {
            if (g_device != i) g_input = g_mode = -1;
            g_device = i;
            return 1;
        }
    }
    return 0;
}

// The grabbing calls go to the camera once the device (and for OpenDevice
// the mode) is known to the system.
int32_t OpenDevice(int32_t device_id, int32_t mode_id) {
    if (fails("OpenDevice")) return 0;
    const sim_acq_device* device = find_device(device_id);
    if (device == nullptr) return failed(SIM_ACQ_ERROR_INVALID_DEVICE);
    if (!has_mode(*device, mode_id)) return failed(SIM_ACQ_ERROR_INVALID_MODE);
    int32_t error = 0;
    if (g_camera.open(mode_id, &error) == 0) return failed(error);
    g_open_device = device_id;
    return 1;
}
int32_t CloseDevice(int32_t device_id) {
    if (fails("CloseDevice")) return 0;
    if (device_id == 0 || device_id != g_open_device) return failed(SIM_ACQ_ERROR_CLOSED);
    g_open_device = 0;
    return g_camera.close();
}
int32_t ReadDevice(int32_t device_id, void* buffer, int32_t size) {
    if (fails("ReadDevice")) return 0;
    if (device_id == 0 || device_id != g_open_device) return failed(SIM_ACQ_ERROR_CLOSED);
    int32_t error = 0;
    return g_camera.read(buffer, size, &error) != 0 ? 1 : failed(error);
}
int32_t AcquireStart(int32_t device_id) {
    if (fails("AcquireStart")) return 0;
    if (device_id == 0 || device_id != g_open_device) return failed(SIM_ACQ_ERROR_CLOSED);
    int32_t error = 0;
    return g_camera.start(&error) != 0 ? 1 : failed(error);
}
int32_t AcquireStop(int32_t device_id) {
    if (fails("AcquireStop")) return 0;
    if (device_id == 0 || device_id != g_open_device) return failed(SIM_ACQ_ERROR_CLOSED);
    return g_camera.stop();
}

int32_t AcqDeviceQuery(const char* parameter, double* value) {
    const sim_acq_device* device = current_device();
    if (fails("AcqDeviceQuery") || parameter == nullptr || value == nullptr) return 0;
    if (g_camera.query(parameter, value)) return 1;
    if (device == nullptr) return 0;
    return query(device->params, device->numParams, parameter, value);
}

int32_t AcqDeviceSet(const char* parameter, const char* value) {
    if (fails("AcqDeviceSet") || parameter == nullptr || value == nullptr) return 0;
    if (std::strcmp(parameter, "CFG FILE PATH") == 0) copy_text(g_state.cfgFilePath, value);
    return 1;
}

int32_t GetLastAcqError() {
    return g_state.lastError;
}

int32_t GetNumInputDevices() {
    const sim_acq_device* device = current_device();
    return fails("GetNumInputDevices") || device == nullptr ? 0 : device->inputCount;
}

const char* GetFirstInputDeviceName() {
    g_next_input = 1;
    return fails("GetFirstInputDeviceName") ? nullptr : input_name(0);
}

const char* GetNextInputDeviceName() {
    return fails("GetNextInputDeviceName") ? nullptr : input_name(g_next_input++);
}

int32_t GetInputDeviceId(const char* name) {
    const sim_acq_device* device = current_device();
    if (fails("GetInputDeviceId") || device == nullptr || name == nullptr) return 0;
    for (const sim_acq_input& input : device->inputs) {
        if (std::strcmp(input.name, name) == 0) return input.id;
    }
    return 0;
}

int32_t SetCurrentInputDevice(int32_t input_id) {
    if (fails("SetCurrentInputDevice") || input_id == 0) return 0;
    for (int d = 0; d < SIM_ACQ_DEVICES; ++d) {
        for (int i = 0; i < SIM_ACQ_INPUTS; ++i) {
            if (g_state.devices[d].inputs[i].id == input_id) {
                g_device = d;
                g_input = i;
                g_mode = -1;
                return 1;
            }
        }
    }
    return 0;
}

int32_t GetCurrentInputDevice() {
    const sim_acq_input* input = current_input();
    return input != nullptr ? input->id : 0;
}

int32_t AcqInputDeviceQuery(const char* parameter, double* value) {
    // Input devices have no parameters of their own here.
    fails("AcqInputDeviceQuery");
    static_cast<void>(parameter);
    static_cast<void>(value);
    return 0;
}

int32_t AcqInputDeviceSet(const char* parameter, const char* value) {
    return !fails("AcqInputDeviceSet") && current_input() != nullptr && parameter != nullptr &&
           value != nullptr;
}

int32_t GetNumInputModes() {
    const sim_acq_input* input = current_input();
    return fails("GetNumInputModes") || input == nullptr ? 0 : input->modeCount;
}

const char* GetFirstInputModeName() {
    g_next_mode = 1;
    return fails("GetFirstInputModeName") ? nullptr : mode_name(0);
}

const char* GetNextInputModeName() {
    return fails("GetNextInputModeName") ? nullptr : mode_name(g_next_mode++);
}

int32_t GetInputModeId(const char* name) {
    const sim_acq_input* input = current_input();
    if (fails("GetInputModeId") || input == nullptr || name == nullptr) return 0;
    for (const sim_acq_mode& mode : input->modes) {
        if (std::strcmp(mode.name, name) == 0) return mode.id;
    }
    return 0;
}

int32_t SetCurrentInputMode(int32_t mode_id) {
    const sim_acq_input* input = current_input();
    if (fails("SetCurrentInputMode") || input == nullptr || mode_id == 0) return 0;
    for (int m = 0; m < SIM_ACQ_MODES; ++m) {
        if (input->modes[m].id == mode_id) {
            g_mode = m;
            return 1;
        }
    }
    return 0;
}

int32_t GetCurrentInputMode() {
    const sim_acq_mode* mode = current_mode();
    return mode != nullptr ? mode->id : 0;
}

int32_t AcqInputModeQuery(const char* parameter, double* value) {
    const sim_acq_mode* mode = current_mode();
    if (fails("AcqInputModeQuery") || mode == nullptr) return 0;
    return query(mode->params, mode->numParams, parameter, value);
}

int32_t AcqInputModeSet(const char* parameter, const char* value) {
    return !fails("AcqInputModeSet") && current_mode() != nullptr && parameter != nullptr &&
           value != nullptr;
}
