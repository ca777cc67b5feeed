// The wave monitor's commands: each one exchange with a fresh response buffer.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "errors/errors.h"
#include "seriallink/little_endian.h"
#include "seriallink/seriallink.h"
#include "util/util.h"

namespace {

// Room for the longest command, "SS=" and a float in "%f".
constexpr size_t kCommandSize = 64;

// Sends the command and reads an answer of the kind with resp_len data
// bytes, which are copied to data (when given) on success.
int32_t exchange(plat::port_handle* handle, const char* command, int32_t kind, int32_t resp_len,
                 uint8_t* data) {
    u_bytebuf response;
    u_bytebuf_init(&response);
    const int32_t code = wm_comm_write_rd(handle, command, &response, resp_len, -1, kind, 0);
    if (code == NO_ERROR && data != nullptr) {
        std::memcpy(data, response.data, static_cast<size_t>(resp_len));
    }
    u_bytebuf_free(&response);
    return code;
}

int32_t setting(plat::port_handle* handle, const char* command) {
    return exchange(handle, command, WM_RESP_ACK, 0, nullptr);
}

}  // namespace

int32_t wm_read_laser(plat::port_handle* handle, uint32_t* value) {
    if (value == nullptr) return ERR_INVALID_PARAM;
    uint8_t data[4];
    const int32_t code = exchange(handle, "LO?", WM_RESP_READ_ACK, sizeof data, data);
    if (code == NO_ERROR) *value = le_u32(data);
    return code;
}

int32_t wm_set_laser(plat::port_handle* handle, uint8_t on) {
    return setting(handle, on == 1 ? "LO=1" : "LO=0");
}

int32_t wm_read_status(plat::port_handle* handle, wm_status* status) {
    if (status == nullptr) return ERR_INVALID_PARAM;
    uint8_t data[36];
    const int32_t code = exchange(handle, "MS?", WM_RESP_READ_ACK, sizeof data, data);
    if (code != NO_ERROR) return code;
    status->word0 = le_u32(data);
    status->value1 = le_f32(data + 4);
    status->value2 = le_f32(data + 8);
    status->maxRange = le_f32(data + 12);
    status->minRate = le_f32(data + 16);
    status->maxRate = le_f32(data + 20);
    status->calAge = le_u32(data + 24);
    status->word7 = le_u32(data + 28);
    status->flags = le_u32(data + 32);
    return NO_ERROR;
}

int32_t wm_read_gain(plat::port_handle* handle, float* system_gain) {
    if (system_gain == nullptr) return ERR_INVALID_PARAM;
    uint8_t data[4];
    const int32_t code = exchange(handle, "CC?", WM_RESP_READ_ACK, sizeof data, data);
    if (code == NO_ERROR) *system_gain = le_f32(data);
    return code;
}

int32_t wm_read_cal(plat::port_handle* handle, wm_cal_record* cal) {
    if (cal == nullptr) return ERR_INVALID_PARAM;
    uint8_t data[40];
    const int32_t code = exchange(handle, "CC?", WM_RESP_READ_ACK, sizeof data, data);
    if (code != NO_ERROR) return code;
    for (int i = 0; i < 4; ++i) {
        cal->adcGain[i] = le_f32(data + 4 * i);
        cal->adcOffset[i] = le_u16(data + 20 + 2 * i);
    }
    cal->systemGain = le_f32(data + 16);
    for (int i = 0; i < 3; ++i) cal->phaseOffset[i] = le_f32(data + 28 + 4 * i);
    return NO_ERROR;
}

int32_t wm_set_cl(plat::port_handle* handle, double value) {
    // Truncated toward zero, the value must make a signed 32-bit number
    // (false for a NaN as well).
    const double scaled = value * 10'000'000.0;
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return ERR_PARAM_OUT_OF_RANGE;
    char command[kCommandSize];
    std::snprintf(command, sizeof command, "CL=%d", static_cast<int32_t>(std::trunc(scaled)));
    return setting(handle, command);
}

int32_t wm_set_ss(plat::port_handle* handle, float system_gain) {
    char command[kCommandSize];
    std::snprintf(command, sizeof command, "SS=%f", static_cast<double>(system_gain));
    return setting(handle, command);
}

int32_t wm_query_rr(plat::port_handle* handle, int32_t first, int32_t second, int32_t* answer1,
                    int32_t* answer2) {
    if (answer1 == nullptr || answer2 == nullptr) return ERR_INVALID_PARAM;
    char command[kCommandSize];
    std::snprintf(command, sizeof command, "RR=%d,%d", first, second);
    uint8_t data[8];
    const int32_t code = exchange(handle, command, WM_RESP_READ_ACK, sizeof data, data);
    if (code != NO_ERROR) return code;
    *answer1 = le_i32(data);
    *answer2 = le_i32(data + 4);
    return NO_ERROR;
}
