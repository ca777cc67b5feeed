// The wave monitor steps of switching an instrument on: after the serial
// instrument board's link is up, or as part of a CAN instrument's bring-up;
// and switching it off again.
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wm_systems.h"

namespace {

// The line opened afresh and emptied of anything the device sent before.
int32_t open_line(sys_serial_line* line) {
    int32_t code = NO_ERROR;
    if (line->portHandle != plat::kInvalidPort) code = wm_comm_close(&line->portHandle);
    if (code == NO_ERROR) code = wm_comm_open_fd(&line->portHandle, line->portName);
    if (code == NO_ERROR) code = wm_flush_inp(&line->portHandle);
    return code;
}

// Switches the laser on and waits for it, unless the flags say it is on.
int32_t laser_on(plat::port_handle* handle, uint32_t flags) {
    if ((flags & WM_FLAG_LASER_ON) != 0) return NO_ERROR;
    return wm_set_laser_with_wait(handle, 1);
}

// The steps after the line is open for a CAN instrument's wave monitor.
int32_t can_steps(sys_info* info) {
    sys_wave_monitor_info& wm = info->waveMonitor;
    plat::port_handle* handle = &wm.line.portHandle;
    int32_t code = NO_ERROR;
    if (info->systemType == 30) {
        wm_status status{};
        code = wm_read_status(handle, &status);
        if (code == NO_ERROR) code = laser_on(handle, status.flags);
        if (code == NO_ERROR) code = wm_set_cl(handle, wm.clValue);
        if (code == NO_ERROR) code = wm_update_status(info);
        if (code != NO_ERROR) return code;
        wm_print_cal(info);
        return wm_init_ramp_info(info);
    }
    uint32_t laser = 0;
    code = wm_read_laser(handle, &laser);
    if (code == NO_ERROR) code = laser_on(handle, laser);
    if (code == NO_ERROR) code = wm_set_ss(handle, wm.systemGain);
    return code;
}

}  // namespace

int32_t wm_board_switch_on(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    const int32_t type = info->systemType;
    if (!wm_tuned_laser_system(type)) return NO_ERROR;
    sys_wave_monitor_info& wm = info->waveMonitor;
    plat::port_handle* handle = &wm.line.portHandle;
    int32_t code = open_line(&wm.line);
    if (code == NO_ERROR && type == 19) code = wm_set_cl(handle, wm.clValue);
    if (code == NO_ERROR && type == 27) code = wm_set_ss(handle, wm.systemGain);
    if (code == NO_ERROR) code = wm_update_status(info);
    if (code == NO_ERROR) {
        wm_print_cal(info);
        return NO_ERROR;
    }
    wm_switch_off(info);
    return code;
}

int32_t wm_can_switch_on(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    const int32_t type = info->systemType;
    if (type != 30 && type != 32 && type != 33) return NO_ERROR;
    int32_t code = open_line(&info->waveMonitor.line);
    if (code == NO_ERROR) code = can_steps(info);
    // The CAN switch-off does not know the wave monitor: a failed switch-on
    // must not leave its line open.
    if (code != NO_ERROR) wm_switch_off(info);
    return code;
}

int32_t wm_switch_off(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    plat::port_handle* handle = &info->waveMonitor.line.portHandle;
    if (*handle == plat::kInvalidPort) return NO_ERROR;
    return wm_comm_close(handle);
}
