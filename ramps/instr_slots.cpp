// The instrument board's ramp slots: how many a board has, which ramp IDs
// they hold, and emptying one; the board commands come from its table.
#include <cstring>

#include "ramps/ramps.h"
#include "seriallink/seriallink.h"

namespace {

constexpr int32_t kSlotsOfSerialBoards = 12;  // UZ1 and FTP boards
constexpr int32_t kSlotsOfOtherBoards = 4;    // UZ2, NIF, non-serial and plain CAN boards

struct slot_commands {
    uint8_t request;
    uint8_t remove;
};

// The ramp request and ramp delete commands of a board of the link.
bool slot_commands_of(int32_t board_type, slot_commands* commands) {
    switch (board_type) {
        case INSTR_BD_UZ1:
            *commands = {UZ1_RAMP_REQUEST_CMD, UZ1_RAMP_DELETE_CMD};
            return true;
        case INSTR_BD_UZ2:
            *commands = {UZ2_RAMP_REQUEST_CMD, UZ2_RAMP_DELETE_CMD};
            return true;
        case INSTR_BD_NIF:
            *commands = {NIF_RAMP_REQUEST_CMD, NIF_RAMP_DELETE_CMD};
            return true;
        case INSTR_BD_FTP:
            *commands = {FTP_RAMP_REQUEST_CMD, FTP_RAMP_DELETE_CMD};
            return true;
        default:
            return false;
    }
}

// The request and response lengths of a command from the board's table.
ur_cmd_lengths lengths_of(int32_t board_type, uint8_t code) {
    int32_t count = 0;
    const ur_cmd_lengths* table = ur_cmd_table(board_type, &count);
    if (table == nullptr || code >= count) return {0, 0};
    return table[code];
}

}  // namespace

int32_t rr_get_max_num_instr_ramps(const sys_info* info) {
    if (info == nullptr) return 0;
    switch (info->instrBdType) {
        case INSTR_BD_UZ1:
        case INSTR_BD_FTP:
            return kSlotsOfSerialBoards;
        case INSTR_BD_UZ2:
        case INSTR_BD_NOT_SERIAL:
        case INSTR_BD_NIF:
            return kSlotsOfOtherBoards;
        case INSTR_BD_CAN: {
            const sys_ramp_info& ramps = info->ramps;
            const bool reports_slots = ramps.hasDigitalScanner &&
                                       (ramps.digitalScannerKind == 1 ||
                                        ramps.digitalScannerKind == 2);
            if (!reports_slots) return kSlotsOfOtherBoards;
            // A slot number must stay a ramp ID byte below the empty mark.
            if (ramps.digitalScannerSlots < 0) return 0;
            if (ramps.digitalScannerSlots > SYS_MAX_RAMPS) return SYS_MAX_RAMPS;
            return ramps.digitalScannerSlots;
        }
        default:
            gl_PrintFunc("%s: unknown instrBdType %d\n", "rr_get_max_num_instr_ramps",
                         info->instrBdType);
            return 0;
    }
}

int32_t uz_ramp_request(sys_info* info, uint8_t ids[SYS_INSTR_RAMP_SLOTS]) {
    if (info == nullptr || ids == nullptr) return ERR_INVALID_PARAM;
    std::memset(ids, SYS_EMPTY_RAMP_SLOT, SYS_INSTR_RAMP_SLOTS);
    slot_commands commands{};
    if (!slot_commands_of(info->instrBdType, &commands)) return ERR_WRONG_INSTR_BOARD;
    const ur_cmd_lengths lengths = lengths_of(info->instrBdType, commands.request);
    // The response: code, one ID per slot, checksum.
    const int32_t slots = lengths.response - 2;
    if (slots < 0 || slots > SYS_INSTR_RAMP_SLOTS) return ERR_WRONG_INSTR_BOARD;
    uint8_t response[UZ_FRAME_BUFFER_SIZE];
    const int32_t err = ur_query(info, lengths.request, commands.request, response,
                                 static_cast<int32_t>(sizeof response));
    if (err != NO_ERROR) return err;
    std::memcpy(ids, response + 1, static_cast<size_t>(slots));
    return NO_ERROR;
}

int32_t rr_ramp_delete(sys_info* info, int32_t slot) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    slot_commands commands{};
    if (!slot_commands_of(info->instrBdType, &commands)) return ERR_WRONG_INSTR_BOARD;
    if (slot < 0 || slot >= rr_get_max_num_instr_ramps(info)) return ERR_INVALID_PARAM;
    const ur_cmd_lengths lengths = lengths_of(info->instrBdType, commands.remove);
    return ur_send_byte(info, lengths.request, commands.remove, static_cast<uint8_t>(slot));
}
