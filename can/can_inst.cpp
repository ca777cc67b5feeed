// Switching a CAN instrument on (the link start-up) and off again.
#include <atomic>

#include "can/can.h"
#include "can/can_pause.h"
#include "device/device.h"
#include "errors/errors.h"

namespace {

constexpr uint8_t kBridgeNodeId = 127;
constexpr uint32_t kBridgeBitRate = 1000;
constexpr int kResetPasses = 10;
constexpr int32_t kReconnectPauseMs = 2000;

std::atomic<can_inst_step> g_bringup{nullptr};
std::atomic<can_inst_step> g_wave_monitor{nullptr};

// The link's state: the instrument switched on, and whether the bridge is
// connected and the handlers are installed. Owned by the instrument thread.
sys_info* g_current = nullptr;
bool g_connected = false;
bool g_events_registered = false;

uint32_t bridge_address(const sys_can_bridge& bridge) {
    uint32_t address = 0;
    for (int i = 0; i < 4; ++i) address |= uint32_t{bridge.ipAddress[i]} << (8 * i);
    return address;
}

int32_t connect(const sys_can_bridge& bridge) {
    const int32_t r = CAN_Connect(bridge_address(bridge));
    if (r != CAN_OK) {
        u_print_stamped("%s: CAN_Connect canErr = %d\n", "can_inst_on", r);
        return ERR_CAN_FINDING_BRIDGE;
    }
    g_connected = true;
    return NO_ERROR;
}

// Step 8: the bridge must be node 127 at 1000; changing that needs a reconnect.
int32_t configure_bridge(const sys_can_bridge& bridge) {
    uint8_t node = 0;
    uint32_t value = 0;
    int32_t r = CAN_GetBridgeConfiguration(&node, &value);
    if (r != CAN_OK) {
        u_print_stamped("%s: CAN_GetBridgeConfiguration canErr = %d\n", "can_inst_on", r);
        return ERR_CAN_BRIDGE_ERROR;
    }
    if (node == kBridgeNodeId && value == kBridgeBitRate) return NO_ERROR;
    r = CAN_SetBridgeConfiguration(kBridgeNodeId, kBridgeBitRate);
    if (r != CAN_OK) {
        u_print_stamped("%s: CAN_SetBridgeConfiguration canErr = %d\n", "can_inst_on", r);
        return ERR_CAN_BRIDGE_ERROR;
    }
    can_pause(kReconnectPauseMs);
    return connect(bridge);
}

// Step 9: reset the bridge until it holds no error, at most ten times.
int32_t clear_bridge_errors(const sys_can_bridge& bridge) {
    uint32_t error = 0;
    for (int pass = 0; pass < kResetPasses; ++pass) {
        const int32_t r = CAN_GetLastBridgeError(&error);
        if (r != CAN_OK) {
            u_print_stamped("%s: CAN_GetLastBridgeError canErr = %d\n", "can_inst_on", r);
            return ERR_CAN_BRIDGE_ERROR;
        }
        if (error == 0) return NO_ERROR;
        const int32_t reset = CAN_ResetBridge();
        if (reset != CAN_OK) {
            gl_PrintFunc("CAN_ResetBridge canErr %d\n", reset);
            return ERR_HW_FAIL;
        }
        can_pause(kReconnectPauseMs);
        if (const int32_t err = connect(bridge)) return err;
    }
    u_print_stamped("%s: Unable to reset bridge with no errors after 10 tries: CAN_GetLastBridgeError = %d\n",
                    "can_inst_on", static_cast<int>(error));
    return ERR_CAN_BRIDGE_ERROR;
}

bool has_wave_monitor_steps(int32_t system_type) {
    return system_type == 30 || system_type == 32 || system_type == 33;
}

int32_t run_step(const std::atomic<can_inst_step>& hook, sys_info* info) {
    const can_inst_step step = hook.load();
    return step != nullptr ? step(info) : NO_ERROR;
}

int32_t start_link(sys_info* info) {
    if (info->instrBdType != INSTR_BD_CAN) return ERR_WRONG_INSTR_BOARD;
    if (dev_device_exists(CAN_DEVICE_HANDLE)) dev_remove_device(CAN_DEVICE_HANDLE);
    sys_can_bridge& bridge = info->can.bridge;
    if (bridge.macAddress[0] == 0xFF) return ERR_CAN_MACADDRESS_ERROR;
    if (const int32_t err = find_bridge(&bridge)) return err;
    if (const int32_t err = connect(bridge)) return err;

    const int32_t r = CAN_GetFirmwareVersion(&bridge.firmwareMajor, &bridge.firmwareMinor);
    if (r != CAN_OK) {
        u_print_stamped("%s: CAN_GetFirmwareVersion canErr = %d\n", "can_inst_on", r);
        return ERR_CAN_BRIDGE_ERROR;
    }
    int32_t dll_major = 0, dll_minor = 0;
    can_get_dll_version(&dll_major, &dll_minor);
    gl_PrintFunc("Bridge firmware version: major = %hu, minor = %hu\n",
                 static_cast<unsigned short>(bridge.firmwareMajor),
                 static_cast<unsigned short>(bridge.firmwareMinor));
    gl_PrintFunc("DLL version: major = %d, minor = %d\n", dll_major, dll_minor);

    if (const int32_t err = configure_bridge(bridge)) return err;
    if (const int32_t err = clear_bridge_errors(bridge)) return err;

    // The decoders start from an unknown zoom position for this instrument.
    can_decoder_reset();
    if (const int32_t err = run_step(g_bringup, info)) return err;
    if (has_wave_monitor_steps(info->systemType))
        if (const int32_t err = run_step(g_wave_monitor, info)) return err;
    if (info->can.triplePztNodeId != 0)
        if (const int32_t err = can_check_bridge_status(info)) return err;
    if (const int32_t err = dev_add_device(DEV_CAN, CAN_DEVICE_HANDLE, info)) return err;
    dev_set_can_poll(can_queue_poll);
    g_events_registered = true;
    if (const int32_t err = can_register_events(info, true)) return err;
    if (info->sleep.supported != 0 && info->sleep.timeoutSeconds != 0) sleep_mode_start(info);
    return NO_ERROR;
}

}  // namespace

void can_set_bringup_hook(can_inst_step hook) { g_bringup.store(hook); }
void can_set_wave_monitor_hook(can_inst_step hook) { g_wave_monitor.store(hook); }
sys_info* can_inst_current() { return g_current; }

int32_t can_inst_on(sys_info* info) {
    if (g_current != nullptr) can_inst_off(g_current);
    int32_t err = info == nullptr ? ERR_HW_FAIL : NO_ERROR;
    if (err == NO_ERROR) {
        g_current = info;
        err = start_link(info);
    }
    if (err != NO_ERROR) {
        can_inst_off(info);
        u_print_stamped("%s: %s\n", "can_inst_on", u_err_name(err));
        return err;
    }
    gl_PrintFunc("Instrument ON\n");
    return NO_ERROR;
}

void can_inst_off(sys_info* /*info*/) {
    sleep_mode_stop();
    if (dev_device_exists(CAN_DEVICE_HANDLE)) dev_remove_device(CAN_DEVICE_HANDLE);
    // Every delivery path is closed before the bridge goes: no handler runs
    // once switch-off returns.
    can_mwi_unregister_events();
    if (g_events_registered) {
        can_register_events(g_current, false);
        can_events_free_resources();
        g_events_registered = false;
    }
    if (g_connected) {
        CAN_Disconnect();
        g_connected = false;
        gl_PrintFunc("Instrument OFF\n");
    }
    g_current = nullptr;
}
