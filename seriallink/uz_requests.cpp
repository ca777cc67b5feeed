// Requests of the common shapes, and the ramp data frame, built and sent on
// an instrument's board line.
#include <cstring>
#include <initializer_list>

#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

constexpr int32_t kMinRequestLength = 2;  // code and checksum

// Builds length, code and parameters (zeros up to the checksum) into frame;
// false when the length is outside the protocol's or has no room for them.
bool build_request(int32_t length, uint8_t code, std::initializer_list<uint8_t> parameters,
                   uint8_t (&frame)[UZ_FRAME_BUFFER_SIZE]) {
    const int64_t needed = kMinRequestLength + static_cast<int64_t>(parameters.size());
    if (length < needed || length > UZ_MAX_FRAME_LENGTH) return false;
    std::memset(frame, 0, sizeof frame);
    frame[0] = static_cast<uint8_t>(length);
    frame[1] = code;
    size_t at = 2;
    for (const uint8_t parameter : parameters) frame[at++] = parameter;
    return true;
}

int32_t send_request(sys_info* info, int32_t length, uint8_t code,
                     std::initializer_list<uint8_t> parameters) {
    uint8_t frame[UZ_FRAME_BUFFER_SIZE];
    if (info == nullptr || !build_request(length, code, parameters, frame)) {
        return ERR_INVALID_PARAM;
    }
    return ur_writeUZ(&info->board.line.portHandle, length, frame, 0, 0);
}

uint8_t byte_at(uint32_t value, int shift) {
    return static_cast<uint8_t>(value >> shift);
}

}  // namespace

int32_t ur_send_cmd(sys_info* info, int32_t length, uint8_t code) {
    return send_request(info, length, code, {});
}

int32_t ur_send_byte(sys_info* info, int32_t length, uint8_t code, uint8_t value) {
    return send_request(info, length, code, {value});
}

int32_t ur_send_2bytes(sys_info* info, int32_t length, uint8_t code, uint8_t first,
                       uint8_t second) {
    return send_request(info, length, code, {first, second});
}

int32_t ur_send_u16(sys_info* info, int32_t length, uint8_t code, uint16_t value) {
    return send_request(info, length, code, {byte_at(value, 8), byte_at(value, 0)});
}

int32_t ur_send_u32(sys_info* info, int32_t length, uint8_t code, uint32_t value) {
    return send_request(
        info, length, code,
        {byte_at(value, 24), byte_at(value, 16), byte_at(value, 8), byte_at(value, 0)});
}

int32_t ur_query(sys_info* info, int32_t length, uint8_t code, uint8_t* response, int32_t size) {
    uint8_t frame[UZ_FRAME_BUFFER_SIZE];
    if (info == nullptr || response == nullptr || !build_request(length, code, {}, frame)) {
        return ERR_INVALID_PARAM;
    }
    int32_t count = 0;
    const ur_cmd_lengths* table = ur_cmd_table(info->instrBdType, &count);
    const int32_t wanted = table != nullptr && code < count ? table[code].response : 0;
    if (size < wanted) return ERR_INVALID_PARAM;
    const int32_t result = ur_writeUZ(&info->board.line.portHandle, length, frame, 1, 0);
    // The frame now holds the response, exactly as long as the table says.
    if (result == NO_ERROR) std::memcpy(response, frame, static_cast<size_t>(wanted));
    return result;
}

int32_t ur_ramp_data_frame(int32_t board_type, const uint16_t* values, int32_t count,
                           uint8_t* frame, int32_t size, int32_t* frame_length) {
    if (frame_length != nullptr) *frame_length = 0;
    const uint8_t code = ur_ramp_data_cmd(board_type);
    int32_t commands = 0;
    const ur_cmd_lengths* table = ur_cmd_table(board_type, &commands);
    if (code == 0 || table == nullptr || code >= commands || frame == nullptr ||
        frame_length == nullptr || count < 0 || count > 0xFFFF ||
        (values == nullptr && count > 0)) {
        return ERR_INVALID_PARAM;
    }
    // Length byte, code, count, header checksum, the values, data checksum.
    const int64_t needed = 5 + 2 * static_cast<int64_t>(count) + 1;
    if (size < needed) return ERR_INVALID_PARAM;
    frame[0] = table[code].request;
    frame[1] = code;
    frame[2] = byte_at(static_cast<uint32_t>(count), 8);
    frame[3] = byte_at(static_cast<uint32_t>(count), 0);
    frame[4] = ur_checksum(frame + 1, 3);
    for (int32_t i = 0; i < count; ++i) {
        frame[5 + 2 * i] = byte_at(values[i], 8);
        frame[6 + 2 * i] = byte_at(values[i], 0);
    }
    frame[5 + 2 * count] = ur_checksum(frame + 5, 2 * count);
    *frame_length = static_cast<int32_t>(needed);
    return NO_ERROR;
}

int32_t ur_send_ramp_data(sys_info* info, const uint16_t* values, int32_t count, uint8_t* answer) {
    if (info == nullptr || answer == nullptr || count > UZ_RAMP_DATA_MAX_VALUES) {
        return ERR_INVALID_PARAM;
    }
    uint8_t frame[6 + 2 * UZ_RAMP_DATA_MAX_VALUES];
    int32_t length = 0;
    const int32_t built = ur_ramp_data_frame(info->instrBdType, values, count, frame,
                                             static_cast<int32_t>(sizeof frame), &length);
    if (built != NO_ERROR) return built;
    const int32_t result = ur_writeUZ(&info->board.line.portHandle, length, frame, 1, 1);
    // The response is code, the one data byte, checksum.
    if (result == NO_ERROR) *answer = frame[1];
    return result;
}
