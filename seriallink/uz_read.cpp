// Reading one frame from the instrument board, with the reports the board
// sends on its own skipped while an answer is awaited.
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"

namespace {

// One call reads at most this many frames.
constexpr int kMaxFrames = 3;

bool is_report(int32_t board_type, uint8_t code) {
    if (board_type == INSTR_BD_UZ1) return code == 0x9B || code == 0x9C;
    return code == 0x87 || code == 0x9B || code == 0x9D;
}

// Reports that only a reader waiting for one takes (not on a UZ1 board).
bool is_report_only_when_awaited(int32_t board_type, uint8_t code) {
    return board_type != INSTR_BD_UZ1 && (code == 0x81 || code == 0x8B);
}

// What becomes of a frame whose first byte is code.
enum class verdict { accept, nak, skip, skip_reported, refuse };

verdict classify(int32_t board_type, int32_t resp_type, uint8_t code) {
    const bool report = is_report(board_type, code);
    if (resp_type == UZ_RESP_INFO) {
        return report || is_report_only_when_awaited(board_type, code) ? verdict::accept
                                                                       : verdict::skip;
    }
    if (code == UZ_ACK) return verdict::accept;
    if (code == UZ_NAK) return verdict::nak;
    if (report) return verdict::skip_reported;
    return resp_type == UZ_RESP_DATA ? verdict::accept : verdict::refuse;
}

// Reads the length byte with the board's first-byte wait, then puts the
// port's own read time-out back. False when no byte came (or the time-out
// could not be changed, so that the wait would not be the board's).
bool read_length_byte(plat::port_handle port, uint8_t* length) {
    int32_t saved = 0;
    if (sio_get_timeout(port, &saved) != NO_ERROR) return false;
    bool got = false;
    if (sio_set_timeout(port, seriallink::bounds().board_first_byte_s.load()) == NO_ERROR) {
        uint32_t count = 0;
        got = sio_read_data(port, length, 1, &count) == 0;
    }
    sio_set_timeout(port, saved);
    return got;
}

}  // namespace

int32_t ur_readUZ(plat::port_handle* port, uint8_t* buffer, int32_t resp_type,
                  int32_t* resp_length) {
    if (resp_length != nullptr) *resp_length = 0;
    if (port == nullptr || buffer == nullptr || resp_length == nullptr) return ERR_INVALID_PARAM;
    const sys_info* info = sys_info_find_board_port(*port);
    if (info == nullptr) return ERR_SYS_INFO_NOT_AVAIL;
    if (!ur_is_uz_board(info)) return ERR_WRONG_INSTR_BOARD;
    const int32_t board_type = info->instrBdType;

    for (int frames = 1;; ++frames) {
        uint8_t length_byte = 0;
        if (!read_length_byte(*port, &length_byte)) {
            gl_PrintFunc("ur_readUZ: timed out on first byte, respType=%d\n", resp_type);
            return ERR_UZ_RECV_TIMEOUT;
        }
        // The length byte is signed: 0 and 0x80 and above carry no frame.
        if (length_byte == 0 || length_byte > UZ_MAX_FRAME_LENGTH) return NO_ERROR;
        const int32_t length = length_byte;

        uint32_t count = 0;
        if (sio_read_data(*port, buffer, length, &count) != 0) {
            gl_PrintFunc("ur_readUZ: sio_read_data failed\n");
            return ERR_UZ_RECV_TIMEOUT;
        }
        const uint8_t received = buffer[length - 1];
        const uint8_t computed = ur_checksum(buffer, length - 1);
        if (received != computed) {
            gl_PrintFunc("ur_readUZ: checksum err recv %d calc %d\n", received, computed);
            return UZ_CHECKSUM_ERR;
        }
        if (resp_type != UZ_RESP_ACK && resp_type != UZ_RESP_DATA && resp_type != UZ_RESP_INFO) {
            return NO_ERROR;
        }

        switch (classify(board_type, resp_type, buffer[0])) {
            case verdict::accept:
                *resp_length = length;
                return NO_ERROR;
            case verdict::nak:
                return UZ_NAK_RECEIVED;
            case verdict::refuse:
                return ERR_UZ_RECV_FAILED;
            case verdict::skip_reported:
                if (frames < kMaxFrames) continue;
                gl_PrintFunc("ur_readUZ: received unsolicited info\n");
                return ERR_UZ_RECV_FAILED;
            case verdict::skip:
                if (frames < kMaxFrames) continue;
                return ERR_UZ_RECV_FAILED;
        }
    }
}
