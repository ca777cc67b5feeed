// The reports an instrument board sends on its own, decoded into the event
// numbers and values the instrument control layer acts on.
#include <algorithm>
#include <initializer_list>

#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

bool one_of(uint8_t value, std::initializer_list<uint8_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// The UZ2, NIF and FTP boards: the event of a report code and whether the
// value is one the board sends with it.
bool decode_later_board(uint8_t code, uint8_t value, int32_t* event) {
    switch (code) {
        case 0x87:
            *event = 0;
            return one_of(value, {2, 8, 9, 12});
        case 0x9B:
            *event = 1;
            return value <= 1;
        case 0x9D:
            *event = 2;
            return value <= 1;
        case 0x81:
            *event = 10;
            return one_of(value, {102, 108, 109, 112});
        case 0x8B:
            *event = 11;
            return value <= 1;
        default:
            return false;
    }
}

}  // namespace

int32_t ur_decode_report(int32_t board_type, const uint8_t* frame, int32_t length, int32_t* event,
                         int32_t* value) {
    if (frame == nullptr || event == nullptr || value == nullptr) return ERR_INVALID_PARAM;
    // Code, value and checksum at least.
    if (length < 3) return ERR_UZ_RECV_FAILED;
    const uint8_t code = frame[0];
    const uint8_t byte = frame[1];
    int32_t decoded_event = 0;
    int32_t decoded_value = byte;
    bool known = false;
    if (board_type == INSTR_BD_UZ1) {
        known = code == 0x9B || code == 0x9C;
        decoded_event = code == 0x9B ? 0 : 1;
        decoded_value = byte - 1;
    } else if (board_type == INSTR_BD_UZ2 || board_type == INSTR_BD_NIF ||
               board_type == INSTR_BD_FTP) {
        known = decode_later_board(code, byte, &decoded_event);
    }
    if (!known) return ERR_UZ_RECV_FAILED;
    *event = decoded_event;
    *value = decoded_value;
    return NO_ERROR;
}

int32_t ur_read_report(plat::port_handle* port, int32_t* event, int32_t* value) {
    if (port == nullptr || event == nullptr || value == nullptr) return ERR_INVALID_PARAM;
    uint8_t frame[UZ_FRAME_BUFFER_SIZE];
    int32_t length = 0;
    const int32_t result = ur_readUZ(port, frame, UZ_RESP_INFO, &length);
    // The link's own status values are not error codes: a damaged report
    // is a report not received.
    if (result == UZ_CHECKSUM_ERR || result == UZ_NAK_RECEIVED) return ERR_UZ_RECV_FAILED;
    if (result != NO_ERROR) return result;
    const sys_info* info = sys_info_find_board_port(*port);
    return ur_decode_report(info != nullptr ? info->instrBdType : 0, frame, length, event, value);
}
