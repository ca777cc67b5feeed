// Reading the temperature the sensor measures.
#include <cmath>
#include <cstring>

#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "util/util.h"

int32_t temp_sensor_read_temperature(const sys_info* info, double* degrees) {
    if (info == nullptr || degrees == nullptr) return ERR_INVALID_PARAM;
    char text[TEMP_STR_MAX_LEN] = {};
    std::memcpy(text, TEMP_MEASURED_VALUE, sizeof TEMP_MEASURED_VALUE);
    const int32_t code = temp_comm_write(info->tempSensor.line.portHandle, text,
                                         sizeof TEMP_MEASURED_VALUE - 1, TEMP_MSG_READ);
    if (code != NO_ERROR) return code;
    // The value must be one number and nothing else, as the C locale reads it.
    double value = 0;
    const int taken = u_scan_double(text, &value);
    if (taken <= 0 || text[taken] != '\0' || !std::isfinite(value)) return ERR_TEMP_SENSOR_READ;
    *degrees = value;
    return NO_ERROR;
}
