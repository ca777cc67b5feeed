// Setting up the temperature sensor when an FTP instrument is switched on,
// and closing its line when the instrument is switched off.
#include <cstring>

#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"
#include "util/util.h"

int32_t temp_sensor_init(plat::port_handle port) {
    static constexpr const char* kSetup[] = {"IM0002.", "QD0002.", "Q10000.", "IM0000."};
    for (const char* setting : kSetup) {
        char text[8];
        std::memcpy(text, setting, sizeof text);
        const int32_t code = temp_comm_write(port, text, 7, TEMP_MSG_WRITE);
        if (code != NO_ERROR) return code;
    }
    u_sleep(seriallink::bounds().temp_settle_ms.load());
    return NO_ERROR;
}

int32_t temp_sensor_switch_on(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (info->tempSensor.enabled == 0) return NO_ERROR;
    sys_serial_line& line = info->tempSensor.line;
    int32_t code = NO_ERROR;
    if (line.portHandle != plat::kInvalidPort) code = temp_comm_close(&line.portHandle);
    if (code == NO_ERROR) code = temp_comm_open(&line.portHandle, line.portName);
    if (code == NO_ERROR) code = temp_sensor_init(line.portHandle);
    if (code == NO_ERROR) return NO_ERROR;
    gl_PrintFunc("Error initializing temperature sensor: %s\n", u_err_name(code));
    temp_sensor_switch_off(info);
    return ERR_TEMP_SENSOR_INIT;
}

int32_t temp_sensor_switch_off(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    plat::port_handle* handle = &info->tempSensor.line.portHandle;
    if (*handle == plat::kInvalidPort) return NO_ERROR;
    return temp_comm_close(handle);
}
