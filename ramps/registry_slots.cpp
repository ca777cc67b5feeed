// Reconciling the new ramp table with the ramps the instrument board holds
// in its slots: the slots are emptied, or, when the environment asks to
// keep loaded ramps, the slots whose ramp the table still has are kept and
// that ramp learns its slot.
#include <cstring>

#include "platform/environment.h"
#include "ramps/registry.h"

namespace {

// The first ramp of the table with a name and this ramp ID; -1 for none.
int32_t ramp_with_id(const sys_ramp_info& ramps, uint8_t id) {
    for (int32_t i = 0; i < ramps.rampCount; ++i) {
        const rr_ramp_t& ramp = ramps.rampTable[i];
        if (ramp.name[0] != '\0' && ramp.hdr.rampID == id) return i;
    }
    return -1;
}

int32_t delete_slot(sys_info* info, int32_t slot) {
    const int32_t err = rr_ramp_delete(info, slot);
    if (err != NO_ERROR) {
        gl_PrintFunc("rr_ramp_delete failed: %s\n", u_err_name(err));
        return err;
    }
    info->ramps.instrSlots[slot] = SYS_EMPTY_RAMP_SLOT;
    return NO_ERROR;
}

int32_t keep_loaded_ramps(sys_info* info, int32_t slots) {
    sys_ramp_info& ramps = info->ramps;
    uint8_t ids[SYS_INSTR_RAMP_SLOTS];
    const int32_t err = uz_ramp_request(info, ids);
    if (err != NO_ERROR) {
        gl_PrintFunc("uz_ramp_request failed: %s\n", u_err_name(err));
        return NO_ERROR;
    }
    for (int32_t slot = 0; slot < slots; ++slot) {
        ramps.instrSlots[slot] = ids[slot];
        if (ids[slot] == SYS_EMPTY_RAMP_SLOT || ramp_with_id(ramps, ids[slot]) >= 0) continue;
        const int32_t deleted = delete_slot(info, slot);
        if (deleted != NO_ERROR) return deleted;
    }
    // Only the first ramp with a slot's ID is in that slot: a derived ramp
    // shares its base's ID but not its samples.
    for (int32_t slot = 0; slot < slots; ++slot) {
        const uint8_t id = ramps.instrSlots[slot];
        if (id == SYS_EMPTY_RAMP_SLOT) continue;
        const int32_t index = ramp_with_id(ramps, id);
        if (index < 0) continue;
        ramps.rampTable[index].instrSlot = static_cast<uint8_t>(slot);
        gl_PrintFunc("Ramp ID %d already loaded in instr\n", id);
    }
    return NO_ERROR;
}

}  // namespace

int32_t registry_reconcile_slots(sys_info* info) {
    sys_ramp_info& ramps = info->ramps;
    if (info->instrBdType == INSTR_BD_CAN) {
        if (!ramps.hasDigitalScanner) {
            for (int32_t i = 0; i < ramps.rampCount; ++i) {
                ramps.rampTable[i].instrSlot = SYS_EMPTY_RAMP_SLOT;
            }
        }
        return NO_ERROR;
    }
    if (info->instrBdType == INSTR_BD_NOT_SERIAL) return NO_ERROR;
    // Only the slots the board has; the slot table holds at most the 12 of
    // the largest board.
    int32_t slots = rr_get_max_num_instr_ramps(info);
    if (slots > SYS_INSTR_RAMP_SLOTS) slots = SYS_INSTR_RAMP_SLOTS;
    if (plat::get_environment(RR_KEEP_RAMPS_ENV) != nullptr) return keep_loaded_ramps(info, slots);
    for (int32_t slot = 0; slot < slots; ++slot) {
        const int32_t err = delete_slot(info, slot);
        if (err != NO_ERROR) return err;
    }
    return NO_ERROR;
}
