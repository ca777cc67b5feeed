// Discovering the acquisition devices, their input devices (cameras) and the
// primary camera's modes. Every count and value comes from the closed
// library and is bounded before it is stored or used as an index.
#include <cmath>
#include <cstring>

#include "acquisition/acquisition.h"
#include "errors/errors.h"

namespace {

// A reported value as an integer in [low, high]; NaN gives low.
int64_t bounded(double value, int64_t low, int64_t high) {
    if (!(value >= static_cast<double>(low))) return low;
    if (value >= static_cast<double>(high)) return high;
    return static_cast<int64_t>(value);
}

int32_t to_int32(double value) {
    return static_cast<int32_t>(bounded(value, INT32_MIN, INT32_MAX));
}

bool query_mode(const char* parameter, double* value) {
    return gl_Kv.AcqInputModeQuery(parameter, value) != 0;
}

// A mode parameter, or fallback when the library does not know it.
double mode_value(const char* parameter, double fallback) {
    double value = 0;
    return query_mode(parameter, &value) ? value : fallback;
}

// A scale of 0 or below (or unknown) is taken as 1, so nothing divides by it.
double mode_scale(const char* parameter) {
    const double scale = mode_value(parameter, 1);
    return scale > 0 ? scale : 1;
}

uint16_t user_size(double size, double scale) {
    return static_cast<uint16_t>(bounded(size / scale, 0, UINT16_MAX));
}

void clear_devices(sys_acq_info* acq) {
    acq->numDevices = 0;
    acq->primaryDeviceId = 0;
    std::memset(acq->deviceIds, 0, sizeof acq->deviceIds);
}

void clear_cameras(sys_acq_info* acq) {
    std::memset(acq->inputIds, 0, sizeof acq->inputIds);
    acq->numCameras = 0;
    acq->primaryCameraId = 0;
    acq->secondaryCameraId = 0;
    acq->primaryCameraDeviceId = 0;
    acq->secondaryCameraDeviceId = 0;
}

// Reads the current mode's parameters into one slot.
void read_mode(int32_t mode_id, sys_acq_mode* mode) {
    const double rate = mode_value("DATA RATE", 0);
    const double width = mode_value("MAX USER WIDTH", 0);
    const double height = mode_value("MAX USER HEIGHT", 0);
    const double x_scale = mode_scale("X DATA SCALE");
    const double y_scale = mode_scale("Y DATA SCALE");
    mode->modeId = mode_id;
    mode->dataRate = std::isfinite(rate) ? rate : 0;
    mode->userWidth = user_size(width, x_scale);
    mode->userHeight = user_size(height, y_scale);

    double bits = 0;
    if (!query_mode("DATA RESOLUTION", &bits) || !(bits > 0)) bits = 8;
    mode->dataResolution = to_int32(bits < 1 ? 1 : bits);
    mode->bytesPerPixel = static_cast<int32_t>((int64_t{mode->dataResolution} + 7) / 8);

    double period = 0;
    if (query_mode("MEAS INTEGRATION PERIOD", &period)) {
        mode->integrationPeriod = to_int32(period);
    } else {
        mode->integrationPeriod = mode->dataRate > 0 ? to_int32(1000.0 / mode->dataRate) : 0;
    }
}

int32_t invalid_device(const char* message) {
    gl_PrintFunc(message, "acq_getinputmodes");
    return ERR_ACQ_INVALID_DEVICE;
}

// Selects a camera's device (unless it is current already), the camera and
// the camera's first mode; the mode's ID goes to *mode_id.
int32_t select_secondary(sys_acq_info* acq, int32_t* mode_id) {
    if (acq->secondaryCameraDeviceId != acq->primaryCameraDeviceId &&
        gl_Kv.SetCurrentAcqDevice(acq->secondaryCameraDeviceId) == 0) {
        return invalid_device("%s: Cannot select the current acquisition device\n");
    }
    if (gl_Kv.SetCurrentInputDevice(acq->secondaryCameraId) == 0) {
        return invalid_device("%s: Cannot set selected input device\n");
    }
    const char* name = gl_Kv.GetFirstInputModeName();
    if (name == nullptr) return invalid_device("%s: No valid input modes\n");
    *mode_id = gl_Kv.GetInputModeId(name);
    if (*mode_id == 0) return invalid_device("%s: Cannot obtain mode ID\n");
    if (gl_Kv.SetCurrentInputMode(*mode_id) == 0) {
        return invalid_device("%s: Cannot set selected input mode\n");
    }
    return NO_ERROR;
}

// Every step asks the library: before acq_mgropen and after acq_mgrclose
// its entry points are null, and the step refuses as the start-up does when
// the library cannot be initialised.
int32_t check_step(const sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    return gl_AcqLibrary != nullptr && gl_Kv.GetNumAcqDevices != nullptr ? NO_ERROR : ERR_ACQ_INIT_DEV;
}

}  // namespace

int32_t acq_getdevices(sys_info* info) {
    if (const int32_t err = check_step(info)) return err;
    sys_acq_info* acq = &info->acq;
    clear_devices(acq);
    int32_t count = gl_Kv.GetNumAcqDevices();
    if (count > SYS_ACQ_MAX_DEVICES) count = SYS_ACQ_MAX_DEVICES;
    if (count < 1) return ERR_ACQ_INIT_DEV;
    for (int32_t i = 0; i < count; ++i) {
        const char* name = i == 0 ? gl_Kv.GetFirstAcqDeviceName() : gl_Kv.GetNextAcqDeviceName();
        if (name == nullptr) {
            gl_PrintFunc("%s: specified device does not exist\n", "acq_getdevices");
            return ERR_ACQ_INIT_DEV;
        }
        acq->deviceIds[i] = gl_Kv.GetAcqDeviceId(name);
        if (acq->deviceIds[i] == 0) {
            gl_PrintFunc("%s: cannot retrieve specified device ID\n", "acq_getdevices");
            return ERR_ACQ_INIT_DEV;
        }
    }
    acq->primaryDeviceId = acq->deviceIds[0];
    acq->numDevices = count;
    return NO_ERROR;
}

int32_t acq_getinputdev(sys_info* info) {
    if (const int32_t err = check_step(info)) return err;
    sys_acq_info* acq = &info->acq;
    clear_cameras(acq);
    if (acq->numDevices < 1) return ERR_ACQ_INIT_DEV;
    const int32_t devices =
        acq->numDevices < SYS_ACQ_MAX_DEVICES ? acq->numDevices : SYS_ACQ_MAX_DEVICES;
    for (int32_t device = 0; device < devices; ++device) {
        if (gl_Kv.SetCurrentAcqDevice(acq->deviceIds[device]) == 0) {
            gl_PrintFunc("%s: cannot set selected acquisition device\n", "acq_getinputdev");
            return ERR_ACQ_INVALID_DEVICE;
        }
        int32_t inputs = gl_Kv.GetNumInputDevices();
        if (inputs < 1) {
            gl_PrintFunc("%s: no valid input devices\n", "acq_getinputdev");
            return ERR_ACQ_INVALID_DEVICE;
        }
        if (inputs > SYS_ACQ_MAX_INPUTS) inputs = SYS_ACQ_MAX_INPUTS;
        for (int32_t input = 0; input < inputs; ++input) {
            const char* name =
                input == 0 ? gl_Kv.GetFirstInputDeviceName() : gl_Kv.GetNextInputDeviceName();
            if (name == nullptr) continue;
            acq->inputIds[device][input] = gl_Kv.GetInputDeviceId(name);
            if (acq->inputIds[device][input] == 0) {
                gl_PrintFunc("%s: cannot set selected input device\n", "acq_getinputdev");
                return ERR_ACQ_INVALID_DEVICE;
            }
        }
    }
    // Column by column: every device's first input comes before any second one.
    for (int input = 0; input < SYS_ACQ_MAX_INPUTS; ++input) {
        for (int device = 0; device < SYS_ACQ_MAX_DEVICES; ++device) {
            const int32_t id = acq->inputIds[device][input];
            if (id == 0) continue;
            if (acq->numCameras == 0) {
                acq->primaryCameraId = id;
                acq->primaryCameraDeviceId = acq->deviceIds[device];
            } else if (acq->numCameras == 1) {
                acq->secondaryCameraId = id;
                acq->secondaryCameraDeviceId = acq->deviceIds[device];
            }
            ++acq->numCameras;
        }
    }
    return NO_ERROR;
}

int32_t acq_getinputmodes(sys_info* info) {
    if (const int32_t err = check_step(info)) return err;
    sys_acq_info* acq = &info->acq;
    if (acq->numCameras < 1) return ERR_ACQ_INIT_DEV;
    acq->numModes = 0;
    acq->numSecondaryModes = 0;
    acq->secondaryModeId = 0;
    if (gl_Kv.SetCurrentAcqDevice(acq->primaryDeviceId) == 0) {
        return invalid_device("%s: Cannot select the current acquisition device\n");
    }
    if (gl_Kv.SetCurrentInputDevice(acq->primaryCameraId) == 0) {
        return invalid_device("%s: Cannot set selected input device\n");
    }
    const int32_t modes = gl_Kv.GetNumInputModes();
    if (modes <= 0) return invalid_device("%s: No valid input modes\n");
    if (modes > SYS_ACQ_MAX_MODES) {
        return invalid_device("%s: Number of input modes exceeds maximum\n");
    }
    for (int32_t i = 0; i < modes; ++i) {
        const char* name = i == 0 ? gl_Kv.GetFirstInputModeName() : gl_Kv.GetNextInputModeName();
        if (name == nullptr) continue;
        const int32_t id = gl_Kv.GetInputModeId(name);
        if (id == 0) return invalid_device("%s: Cannot obtain mode ID\n");
        if (gl_Kv.SetCurrentInputMode(id) == 0) {
            return invalid_device("%s: Cannot set selected input mode\n");
        }
        read_mode(id, &acq->modes[acq->numModes]);
        ++acq->numModes;
    }

    if (acq->secondaryCameraId != 0) {
        int32_t mode_id = 0;
        const int32_t result = select_secondary(acq, &mode_id);
        if (result != NO_ERROR) return result;
        acq->secondaryModeId = mode_id;
        acq->numSecondaryModes = 1;
    }

    acq->maxModeIndex = acq->numModes - 1;
    double buffers = 0;
    acq->numGrabBuffers =
        gl_Kv.AcqDeviceQuery("GRAB DATA BUFFERS", &buffers) != 0 ? to_int32(buffers) : 0;
    return NO_ERROR;
}
