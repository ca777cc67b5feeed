// Loading and starting a table ramp: the slot it goes to, the record's slot
// table, and a stopped scanner after every failure.
#include "errors/errors.h"
#include "ramps/ramps.h"
#include "scan/scan_internal.h"
#include "seriallink/seriallink.h"

namespace {

bool is_can(const sys_info* info) {
    return info->instrBdType == INSTR_BD_CAN;
}

// The table ramp at index, or the error that there is none.
int32_t ramp_at(sys_info* info, int32_t index, rr_ramp_t** ramp) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (info->ramps.rampTable == nullptr || info->ramps.rampCount <= 0) return ERR_NO_RAMP_INFO;
    if (index < 0 || index >= info->ramps.rampCount) return ERR_INVALID_RAMP_INDEX;
    if (!is_can(info) && !ur_is_uz_board(info)) return ERR_WRONG_INSTR_BOARD;
    *ramp = &info->ramps.rampTable[index];
    if ((*ramp)->points == nullptr || (*ramp)->hdr.nPoints <= 0) return ERR_NO_RAMP_INFO;
    return NO_ERROR;
}

// The slot that holds the ramp's ID, else the first empty one, else 0.
int32_t slot_for(const sys_info* info, const rr_ramp_t& ramp, uint8_t* slot) {
    const int32_t slots = rr_get_max_num_instr_ramps(info);
    if (slots <= 0) return ERR_WRONG_INSTR_BOARD;
    const int32_t usable = slots < SYS_INSTR_RAMP_SLOTS ? slots : SYS_INSTR_RAMP_SLOTS;
    const uint8_t* ids = info->ramps.instrSlots;
    int32_t chosen = -1;
    for (int32_t s = 0; s < usable && chosen < 0; ++s)
        if (ids[s] == static_cast<uint8_t>(ramp.hdr.rampID)) chosen = s;
    for (int32_t s = 0; s < usable && chosen < 0; ++s)
        if (ids[s] == SYS_EMPTY_RAMP_SLOT) chosen = s;
    *slot = static_cast<uint8_t>(chosen < 0 ? 0 : chosen);
    return NO_ERROR;
}

// Forgets which table ramps sit in the slot.
void empty_slot(sys_info* info, uint8_t slot) {
    if (slot < SYS_INSTR_RAMP_SLOTS) info->ramps.instrSlots[slot] = SYS_EMPTY_RAMP_SLOT;
    for (int32_t i = 0; i < info->ramps.rampCount; ++i) {
        if (info->ramps.rampTable[i].instrSlot == slot)
            info->ramps.rampTable[i].instrSlot = RR_NO_INSTR_SLOT;
    }
}

int32_t stop(sys_info* info) {
    return is_can(info) ? scan_can_stop(info) : scan_board_stop(info);
}

}  // namespace

int32_t scan_load_ramp(sys_info* info, int32_t ramp_index) {
    rr_ramp_t* ramp = nullptr;
    if (const int32_t err = ramp_at(info, ramp_index, &ramp)) return err;
    // The slot table marks an empty slot with the ID byte 255.
    if (ramp->hdr.rampID < 0 || ramp->hdr.rampID >= SYS_EMPTY_RAMP_SLOT)
        return ERR_PARAM_OUT_OF_RANGE;
    uint8_t slot = 0;
    if (const int32_t err = slot_for(info, *ramp, &slot)) return err;
    // Whatever the slot held is gone once the load begins.
    empty_slot(info, slot);
    const int32_t err =
        is_can(info) ? scan_can_load(info, *ramp, slot) : scan_board_load(info, *ramp, slot);
    if (err != NO_ERROR) return err;
    info->ramps.instrSlots[slot] = static_cast<uint8_t>(ramp->hdr.rampID);
    ramp->instrSlot = slot;
    return NO_ERROR;
}

int32_t scan_start_ramp(sys_info* info, int32_t ramp_index) {
    rr_ramp_t* ramp = nullptr;
    if (const int32_t err = ramp_at(info, ramp_index, &ramp)) return err;
    const bool loaded =
        ramp->instrSlot < SYS_INSTR_RAMP_SLOTS &&
        info->ramps.instrSlots[ramp->instrSlot] == static_cast<uint8_t>(ramp->hdr.rampID);
    if (!loaded) {
        if (const int32_t err = scan_load_ramp(info, ramp_index)) return err;
    }
    const uint8_t slot = ramp->instrSlot;
    const int32_t err =
        is_can(info) ? scan_can_start(info, *ramp, slot) : scan_board_start(info, slot);
    if (err != NO_ERROR) {
        // A start may have reached the scanner though its answer did not come back.
        stop(info);
        return err;
    }
    return NO_ERROR;
}

int32_t scan_stop_ramp(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (!is_can(info) && !ur_is_uz_board(info)) return ERR_WRONG_INSTR_BOARD;
    return stop(info);
}

int32_t scan_ramp_idle(sys_info* info, int32_t* idle) {
    if (info == nullptr || idle == nullptr) return ERR_INVALID_PARAM;
    if (!is_can(info) && !ur_is_uz_board(info)) return ERR_WRONG_INSTR_BOARD;
    return is_can(info) ? scan_can_idle(info, idle) : scan_board_idle(info, idle);
}

int32_t scan_start_hook(void* context) {
    if (context == nullptr) return ERR_INVALID_PARAM;
    const scan_start_request* request = static_cast<const scan_start_request*>(context);
    return scan_start_ramp(request->info, request->rampIndex);
}
