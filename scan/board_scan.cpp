// A ramp on a serial board: ramp load, data frames, ramp complete, ramp
// start, ramp abort and ramp idle, each from the board's command table.
#include <algorithm>

#include "errors/errors.h"
#include "scan/scan_internal.h"
#include "seriallink/seriallink.h"

namespace {

struct ramp_commands {
    uint8_t load, complete, start, abort, idle;  // abort 0: the board has none
};

bool commands_of(int32_t board_type, ramp_commands* c) {
    switch (board_type) {
        case INSTR_BD_UZ1:
            *c = {UZ1_RAMP_LOAD_CMD, UZ1_RAMP_COMPLETE_CMD, UZ1_RAMP_START_CMD, UZ1_RAMP_ABORT_CMD,
                  UZ1_RAMP_IDLE_CMD};
            return true;
        case INSTR_BD_UZ2:
            *c = {UZ2_RAMP_LOAD_CMD, UZ2_RAMP_COMPLETE_CMD, UZ2_RAMP_START_CMD, 0,
                  UZ2_RAMP_IDLE_CMD};
            return true;
        case INSTR_BD_NIF:
            *c = {NIF_RAMP_LOAD_CMD, NIF_RAMP_COMPLETE_CMD, NIF_RAMP_START_CMD, 0,
                  NIF_RAMP_IDLE_CMD};
            return true;
        case INSTR_BD_FTP:
            *c = {FTP_RAMP_LOAD_CMD, FTP_RAMP_COMPLETE_CMD, FTP_RAMP_START_CMD, FTP_RAMP_ABORT_CMD,
                  FTP_RAMP_IDLE_CMD};
            return true;
        default:
            return false;
    }
}

uint8_t request_length(int32_t board_type, uint8_t code) {
    int32_t count = 0;
    const ur_cmd_lengths* table = ur_cmd_table(board_type, &count);
    return table != nullptr && code < count ? table[code].request : 0;
}

constexpr int kLoadParameters = 2 + SCAN_BOARD_SETUP_SIZE;  // slot, ramp ID, set-up

int32_t send_load(sys_info* info, uint8_t code, uint8_t slot, uint8_t id,
                  const scan_ramp_setup& setup) {
    const uint8_t length = request_length(info->instrBdType, code);
    if (length != 2 + kLoadParameters) return ERR_WRONG_INSTR_BOARD;
    uint8_t frame[UZ_FRAME_BUFFER_SIZE] = {};
    frame[0] = length;
    frame[1] = code;
    frame[2] = slot;
    frame[3] = id;
    scan_pack_board_setup(setup, frame + 4);
    return ur_writeUZ(&info->board.line.portHandle, length, frame, 0, 0);
}

int32_t send_data(sys_info* info, const rr_ramp_t& ramp) {
    const int32_t total = ramp.hdr.nPoints;
    for (int32_t first = 0; first < total; first += UZ_RAMP_DATA_MAX_VALUES) {
        const int32_t count = std::min(UZ_RAMP_DATA_MAX_VALUES, total - first);
        uint8_t damaged = 0;
        const int32_t err = ur_send_ramp_data(info, ramp.points + first, count, &damaged);
        if (err != NO_ERROR) return err;
        if (damaged != 0) return ERR_RAMP_LOAD;
    }
    return NO_ERROR;
}

}  // namespace

int32_t scan_board_load(sys_info* info, const rr_ramp_t& ramp, uint8_t slot) {
    ramp_commands c{};
    if (!commands_of(info->instrBdType, &c)) return ERR_WRONG_INSTR_BOARD;
    scan_ramp_setup setup{};
    if (const int32_t err = scan_setup_of(ramp.hdr, &setup)) return err;
    const uint8_t id = static_cast<uint8_t>(ramp.hdr.rampID);
    if (const int32_t err = send_load(info, c.load, slot, id, setup)) return err;
    if (const int32_t err = send_data(info, ramp)) return err;
    return ur_send_cmd(info, request_length(info->instrBdType, c.complete), c.complete);
}

int32_t scan_board_start(sys_info* info, uint8_t slot) {
    ramp_commands c{};
    if (!commands_of(info->instrBdType, &c)) return ERR_WRONG_INSTR_BOARD;
    return ur_send_byte(info, request_length(info->instrBdType, c.start), c.start, slot);
}

int32_t scan_board_stop(sys_info* info) {
    ramp_commands c{};
    if (!commands_of(info->instrBdType, &c)) return ERR_WRONG_INSTR_BOARD;
    if (c.abort == 0) return NO_ERROR;
    return ur_send_cmd(info, request_length(info->instrBdType, c.abort), c.abort);
}

int32_t scan_board_idle(sys_info* info, int32_t* idle) {
    ramp_commands c{};
    if (!commands_of(info->instrBdType, &c)) return ERR_WRONG_INSTR_BOARD;
    uint8_t response[UZ_FRAME_BUFFER_SIZE];
    const int32_t err = ur_query(info, request_length(info->instrBdType, c.idle), c.idle, response,
                                 static_cast<int32_t>(sizeof response));
    if (err == NO_ERROR) *idle = response[1] != 0 ? 1 : 0;
    return err;
}
