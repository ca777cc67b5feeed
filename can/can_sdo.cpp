// The CAN library's error numbers, and the two SDO transfers every
// object-dictionary access goes through.
#include "can/can.h"
#include "errors/errors.h"

int32_t can_err_to_error(int32_t can_result) {
    switch (can_result) {
        case CAN_OK:
            return NO_ERROR;
        case CAN_ERR_GENERAL:
            return ERR_CAN_ERROR;
        case CAN_ERR_NOT_CONNECTED:
            return ERR_CAN_NOT_CONNECTED;
        case CAN_ERR_TIMEOUT:
            return ERR_CAN_TIMEOUT;
        case CAN_ERR_TCP:
            return ERR_CAN_TCP_TRANSMISSION_ERROR;
        case CAN_ERR_BUFFER_TOO_SMALL:
            return ERR_CAN_BUFFER_TOO_SMALL;
        case CAN_ERR_NO_PDO:
            return ERR_CAN_NO_PDO;
        default:
            return ERR_UNKNOWN;
    }
}

namespace {

// What follows a transfer: the activity signal, then the library's and the
// node's verdicts. The read form reports through the print hook, the write
// form with a time stamp.
int32_t finish_transfer(const char* op, int32_t call_result, const can_sdo_result& sdo,
                        int32_t activity, int32_t abort_error, const char* caller, bool stamped) {
    if (activity == 1) sleep_mode_activity();
    const auto report = stamped ? u_print_stamped : gl_PrintFunc;
    if (call_result != CAN_OK) {
        const int32_t err = can_err_to_error(call_result);
        report("%s called by %s: err=%s\n", op, caller, u_err_name(err));
        return err;
    }
    if (sdo.result == 1) return NO_ERROR;
    report("%s called by %s: err=%s, result=%d, abortcode=%8.8X\n", op, caller,
           u_err_name(abort_error), sdo.result, sdo.abortCode);
    return abort_error;
}

}  // namespace

int32_t can_sdo_read2(uint8_t node, uint16_t index, uint8_t subindex, void* buffer,
                      uint32_t length, int32_t activity, int32_t abort_error, const char* caller) {
    if (buffer == nullptr && length > 0) return ERR_INVALID_PARAM;
    can_sdo_result sdo{};
    const int32_t r = CAN_SDORead(node, index, subindex, buffer, length, &sdo);
    return finish_transfer("can_sdo_read2", r, sdo, activity, abort_error, caller, false);
}

int32_t can_sdo_write2(uint8_t node, uint16_t index, uint8_t subindex, const void* buffer,
                       uint32_t length, int32_t activity, int32_t abort_error, const char* caller) {
    if (buffer == nullptr && length > 0) return ERR_INVALID_PARAM;
    can_sdo_result sdo{};
    const int32_t r = CAN_SDOWrite(node, index, subindex, buffer, length, &sdo);
    return finish_transfer("can_sdo_write2", r, sdo, activity, abort_error, caller, true);
}
