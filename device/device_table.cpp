// The device table: registration, removal, lookup, the polling switch and the
// type check.
#include "device/device.h"
#include "device/device_state.h"
#include "errors/errors.h"
#include "motion/motion.h"

dev_info gl_DevInfo[DEV_MAX_DEVICES] = {
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
    {DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr},
};

namespace {

void clear_entry(dev_info& entry) {
    entry = dev_info{DEV_NO_HANDLE, DEV_FREE, 0, 0, nullptr, nullptr};
}

int32_t report(const char* operation, int32_t error) {
    gl_PrintFunc("%s failed: err=%s\n", operation, u_err_name(error));
    return error;
}

// The first entry in use that holds the handle, or -1.
int find_handle(int64_t handle) {
    for (int i = 0; i < DEV_MAX_DEVICES; ++i) {
        if (gl_DevInfo[i].status == DEV_IN_USE && gl_DevInfo[i].handle == handle) return i;
    }
    return -1;
}

// The poll operation for a device of this type, or an error code.
int32_t choose_poll(int32_t type, void* context, dev_poll_func* poll) {
    switch (type) {
        case DEV_INSTR_BOARD:
        case DEV_SERIAL_4:
        case DEV_SERIAL_8:
        case DEV_SERIAL_16:
            *poll = dev_serial_input_check;
            return NO_ERROR;
        case DEV_CONSOLE:
            *poll = nullptr;
            return NO_ERROR;
        case DEV_CAN:
            *poll = dev_can_queue_check;
            return NO_ERROR;
        default:  // DEV_MOTION
            break;
    }
    if (context == nullptr) return ERR_INVALID_PARAM;
    switch (static_cast<const mc_controller*>(context)->connection) {
        case MC_CONN_SERIAL:
            *poll = dev_serial_input_check;
            return NO_ERROR;
        case MC_CONN_EVENT:
            *poll = dev_event_check;
            return NO_ERROR;
        case MC_CONN_MWI:
            *poll = dev_wrapper_check;
            return NO_ERROR;
        default:
            return ERR_MC_NOT_AVAIL;
    }
}

}  // namespace

void dev_clear_table() {
    for (dev_info& entry : gl_DevInfo) clear_entry(entry);
    g_DevCntrl.device_count = 0;
}

bool dev_type_valid(int32_t type) {
    static constexpr int32_t kTypes[] = {DEV_MOTION,    DEV_INSTR_BOARD, DEV_SERIAL_4, DEV_SERIAL_8,
                                         DEV_SERIAL_16, DEV_CONSOLE,     DEV_CAN};
    for (const int32_t valid : kTypes) {
        if (type == valid) return true;
    }
    gl_PrintFunc("%s: dev_type=%d is invalid\n", "dev_type_valid", type);
    return false;
}

int32_t dev_add_device(int32_t type, int64_t handle, void* context) {
    static const char* const kName = "dev_add_device";
    if (g_DevCntrl.initialised == 0) return report(kName, ERR_DEV_CNTRL);
    // An entry holding the no-device handle could never be removed again.
    if (handle == DEV_NO_HANDLE) return report(kName, ERR_INVALID_PARAM);
    if (!dev_type_valid(type)) return report(kName, ERR_DEV_CNTRL);

    int index = -1;
    if (g_DevCntrl.device_count < DEV_MAX_DEVICES) {
        for (int i = 0; i < DEV_MAX_DEVICES && index < 0; ++i) {
            if (gl_DevInfo[i].status == DEV_FREE) index = i;
        }
    }
    if (index < 0) {
        gl_PrintFunc("gl_DevInfo table is full");
        return report(kName, ERR_DEV_CNTRL);
    }

    dev_poll_func poll = nullptr;
    const int32_t error = choose_poll(type, context, &poll);
    if (error != NO_ERROR) return report(kName, error);

    gl_DevInfo[index] = dev_info{handle, DEV_IN_USE, type, 1, poll, context};
    ++g_DevCntrl.device_count;
    return NO_ERROR;
}

int32_t dev_remove_device(int64_t handle) {
    static const char* const kName = "dev_remove_device";
    if (g_DevCntrl.initialised == 0) return report(kName, ERR_DEV_CNTRL);
    if (handle == DEV_NO_HANDLE) return report(kName, ERR_INVALID_PARAM);
    if (g_DevCntrl.device_count <= 0) return report(kName, ERR_PARAM_OUT_OF_RANGE);

    const int index = find_handle(handle);
    if (index < 0) return report(kName, ERR_PARAM_OUT_OF_RANGE);
    clear_entry(gl_DevInfo[index]);
    --g_DevCntrl.device_count;
    if (g_DevCntrl.ready_index == index) {
        g_DevCntrl.ready_index = -1;
        g_DevCntrl.ready_type = 0;
    }
    return NO_ERROR;
}

bool dev_device_exists(int64_t handle) {
    if (g_DevCntrl.initialised == 0 || handle == DEV_NO_HANDLE || g_DevCntrl.device_count <= 0) {
        return false;
    }
    return find_handle(handle) >= 0;
}

int32_t dev_set_event_state(int64_t handle, int32_t state) {
    static const char* const kName = "dev_set_event_state";
    if (g_DevCntrl.initialised == 0) return report(kName, ERR_DEV_CNTRL);
    if (handle == DEV_NO_HANDLE || (state != 0 && state != 1)) {
        return report(kName, ERR_INVALID_PARAM);
    }
    const int index = find_handle(handle);
    if (index < 0) return report(kName, ERR_PARAM_OUT_OF_RANGE);
    gl_DevInfo[index].enabled = state;
    return NO_ERROR;
}
