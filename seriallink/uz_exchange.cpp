// One exchange with the instrument board: the request, its answer, and the
// retries after a NAK or a damaged answer.
#include <cstring>

#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

constexpr int kMaxSends = 3;

// The response length the board's table gives for a command; 0 when the
// command has no data response there (or no record holds the line).
int32_t table_response_length(plat::port_handle port, uint8_t code) {
    const sys_info* info = sys_info_find_board_port(port);
    int32_t count = 0;
    const ur_cmd_lengths* table = ur_cmd_table(info != nullptr ? info->instrBdType : 0, &count);
    return table != nullptr && code < count ? table[code].response : 0;
}

// Checks a data response against the request; on success copies it over the
// caller's frame.
int32_t take_data_response(plat::port_handle port, const uint8_t* response, int32_t length,
                           uint8_t* frame) {
    const uint8_t code = frame[1];
    if (response[0] != code) {
        gl_PrintFunc("ur_writeUZ: recvd invalid resp  wanted %d  got %d\n", code, response[0]);
        return ERR_UZ_RECV_FAILED;
    }
    // The board chose the length; the caller's buffer is as long as the
    // table says, so nothing else may be copied over it.
    const int32_t wanted = table_response_length(port, code);
    if (length != wanted) {
        gl_PrintFunc("ur_writeUZ: recvd invalid resp  wanted %d  got %d\n", wanted, length);
        return ERR_UZ_RECV_FAILED;
    }
    std::memcpy(frame, response, static_cast<size_t>(length));
    return NO_ERROR;
}

}  // namespace

uint8_t ur_checksum(const uint8_t* bytes, int32_t count) {
    unsigned sum = 0;
    for (int32_t i = 0; bytes != nullptr && i < count; ++i) sum += bytes[i];
    return static_cast<uint8_t>(sum);
}

int32_t ur_writeUZ(plat::port_handle* port, int32_t length, uint8_t* frame, int32_t expect_data,
                   int32_t no_checksum) {
    if (port == nullptr || frame == nullptr || length < 2) return ERR_INVALID_PARAM;
    if (no_checksum == 0 && length > UZ_MAX_FRAME_LENGTH) return ERR_INVALID_PARAM;
    int32_t frame_size = length;
    if (no_checksum == 0) {
        frame[length] = ur_checksum(frame + 1, length - 1);
        frame_size = length + 1;
    }

    int32_t result = ERR_UZ_RECV_FAILED;  // what three damaged answers leave
    for (int send = 0; send < kMaxSends; ++send) {
        uint32_t written = 0;
        if (sio_send_data(*port, frame, frame_size, &written) != 0) {
            gl_PrintFunc("ur_writeUZ: sio_send_data failed  i=%d  len=%d\n", send, frame_size);
            result = ERR_UZ_SEND_FAILED;
            break;
        }
        uint8_t response[UZ_FRAME_BUFFER_SIZE];
        int32_t response_length = 0;
        const int32_t read =
            ur_readUZ(port, response, expect_data ? UZ_RESP_DATA : UZ_RESP_ACK, &response_length);
        if (read == UZ_NAK_RECEIVED || read == UZ_CHECKSUM_ERR) continue;
        if (read != NO_ERROR) {
            result = read;
            break;
        }
        if (!expect_data) {
            result = NO_ERROR;
            break;
        }
        if (response_length == 0) {
            // A length byte of 0 or above 127 carries no code to check: the
            // frame is corrupt, and whatever followed it goes before the
            // request is sent again.
            sio_clear_buffer(*port);
            continue;
        }
        result = take_data_response(*port, response, response_length, frame);
        break;
    }
    if (result != NO_ERROR)
        gl_PrintFunc("ur_writeUZ failed: cmd=%s\n", ur_cmd_str(*port, frame[1]));
    return result;
}
