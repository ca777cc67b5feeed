// Finding nodes, waiting for them to become operational, and the bridge's
// power and supply status.
#include "can/can.h"
#include "can/can_pause.h"
#include "errors/errors.h"

namespace {

constexpr int kStatePolls = 10;
constexpr int32_t kStatePauseMs = 200;
constexpr uint32_t kNodeAnswered = 2;

}  // namespace

bool find_node(uint8_t node, const char* name) {
    uint32_t status = 0;
    const int32_t r = CAN_FindNode(node, &status);
    if (r != CAN_OK) {
        u_print_stamped("%s: Error finding node %s: CAN_FindNode canErr = %d\n", "find_node", name, r);
        return false;
    }
    if (status != kNodeAnswered) {
        u_print_stamped("%s: Error finding node %s: CAN_FindNode status = %d\n", "find_node", name,
                        static_cast<int>(status));
        return false;
    }
    return true;
}

bool wait_for_node_operational(uint8_t node, const char* name) {
    uint32_t state = 0;
    for (int poll = 0; poll < kStatePolls; ++poll) {
        if (poll > 0) can_pause(kStatePauseMs);
        const int32_t r = CAN_GetNodeState(node, &state);
        if (r != CAN_OK) {
            u_print_stamped("%s: Error waiting for node %s operational: CAN_GetNodeState canErr = %d\n",
                            "wait_for_node_operational", name, r);
            return false;
        }
        if (state == CAN_NODE_OPERATIONAL) return true;
    }
    u_print_stamped("%s: Timeout waiting for node %s operational: CAN_GetNodeState status = %d\n",
                    "wait_for_node_operational", name, static_cast<int>(state));
    return false;
}

bool get_operational_node(uint8_t node, const char* name, uint32_t* product_id) {
    if (!find_node(node, name) || !wait_for_node_operational(node, name)) return false;
    const int32_t err = can_read_productID(node, product_id);
    if (err != NO_ERROR) {
        u_print_stamped("%s: Error getting node %s product ID: %s\n", "get_operational_node", name,
                        u_err_name(err));
        return false;
    }
    return true;
}

int32_t can_check_bridge_status(const sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    uint8_t status = 0;
    if (const int32_t err = can_read_bridge_status(&status)) return err;
    const char* fault = nullptr;
    if ((status & 0x08) == 0)
        fault = "Bridge Status: External 12V power fault\n";
    else if ((status & 0x04) != 0)
        fault = "Bridge Status: -12V power trip\n";
    else if ((status & 0x02) != 0)
        fault = "Bridge Status: +12V power trip\n";
    if (fault == nullptr && info != nullptr && info->can.triplePztNodeId != 0) {
        uint8_t node_status = 0;
        const int32_t err =
            can_sdo_read2(info->can.triplePztNodeId, 0x2000, 0, &node_status, 1, 1,
                          ERR_CAN_SDO_PZT_ERROR, "can_check_bridge_status");
        if (err != NO_ERROR) return err;
        static constexpr struct {
            uint8_t bit;
            const char* text;
        } kNodeFaults[] = {
            {0x01, "Triple PZT node: Large aperture channel A fault\n"},
            {0x02, "Triple PZT node: Large aperture channel B fault\n"},
            {0x04, "Triple PZT node: Large aperture channel C fault\n"},
            {0x10, "Triple PZT node: High voltage supply under-voltage fault\n"},
            {0x20, "Triple PZT node: High voltage supply over-voltage fault\n"},
            {0x40, "Triple PZT node: VSync lost\n"},
        };
        for (const auto& f : kNodeFaults)
            if ((node_status & f.bit) != 0) {
                fault = f.text;
                break;
            }
    }
    if (fault == nullptr) return NO_ERROR;
    gl_PrintFunc("%s", fault);
    return ERR_INST_POWER;
}
