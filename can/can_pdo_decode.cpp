// PDO registrations and decoders by system type.
#include "can/can_pdo_decode.h"

#include "can/can_locks.h"
#include "platform/events.h"

namespace {

enum class pdo_group { none, brush_motor, bridge_nodes };

pdo_group group_of(int32_t system_type) {
    switch (system_type) {
        case 11: case 13: case 22: case 29: case 31: case 35:
            return pdo_group::brush_motor;
        case 23: case 25: case 26: case 30: case 32: case 33:
            return pdo_group::bridge_nodes;
        default:
            return pdo_group::none;
    }
}

bool has_focus_event(int32_t system_type) {
    return system_type == 23 || system_type == 30 || system_type == 32 || system_type == 33;
}

constexpr int32_t kTpdo1 = 0x180;
constexpr int32_t kTpdo2 = 0x280;
constexpr uint32_t kZoomProduct = 0x267215D5;
constexpr uint32_t kZoomProductEncoded = 0x267215D7;
constexpr uint8_t kUnknownZoom = 255;
// The drive's zoom position byte to the zoom position.
constexpr uint8_t kZoomPositions[8] = {0, 6, 5, 4, 3, 2, 1, 7};

// The decoders' process-wide state; touched only under the event lock.
struct decoder_state {
    int32_t zoom_state = 0;
    uint8_t last_zoom = kUnknownZoom;
    uint8_t wheel_status = 0;  // bits 0x18 and 0x02 of the wheel's last PDO
    bool wheel_moving = false;
};
decoder_state g_state;

void register_pdo(int32_t identifier) {
    can_pdo_record pdo{};
    pdo.identifier = identifier;
    CAN_RegisterPDO(&pdo);
}

bool zoom_pdo_wanted(const sys_can_info& can) {
    const bool motorized = can.zoomChangerType == SYS_ZOOM_MOTORIZED && can.node63ProductCode == kZoomProduct;
    const bool encoded = can.zoomChangerType == SYS_ZOOM_ENCODED &&
                         (can.node63ProductCode == kZoomProduct || can.node63ProductCode == kZoomProductEncoded);
    return motorized || encoded;
}

struct event_list {
    int32_t* types;
    size_t count = 0;
    void add(int32_t type) {
        if (count < CAN_MAX_PDO_EVENTS) types[count++] = type;
    }
};

// Node 63, the dual brush motor: objective turret and zoom changer.
void decode_brush_motor(sys_info& info, int32_t node, int32_t function, const uint8_t* data,
                        event_list& out) {
    if (node != 63) return;
    if (function == kTpdo1 && info.can.objectiveTurretType == SYS_TURRET_ENCODED) {
        if (data[0] != info.can.lastTurretPosition) {
            out.add(CAN_EVENT_TURRET);
            info.can.lastTurretPosition = data[0];
        }
    }
    if (function != kTpdo2) return;
    decoder_state& s = g_state;
    if (s.zoom_state == 2 && (data[0] & 0x20) == 0) {
        out.add(CAN_EVENT_ZOOM_STOPPED);
        s.zoom_state = 0;
    } else if (s.zoom_state == 1) {
        s.zoom_state = (data[0] & 0x08) != 0 ? 1 : 2;
    }
    if ((data[0] & 0x08) != 0) {
        out.add(CAN_EVENT_ZOOM_MOVING);
        s.zoom_state = 1;
    }
    // A position byte outside the table is no position: no event.
    uint8_t position = 0;
    if (can_zoom_position(data[1], &position)) {
        if (position != s.last_zoom) {
            s.last_zoom = position;
            out.add(CAN_EVENT_ZOOM_POSITION);
        }
    }
}

void signal_wheel_stopped() {
    bool existed = false;
    const plat::event_handle stopped = plat::create_event(CAN_NDWHEEL_STOPPED_EVENT, true, false, &existed);
    if (stopped == nullptr) return;
    if (existed) plat::set_event(stopped);  // nobody waits on an event nobody created
    plat::close_event(stopped);
}

void decode_bridge_nodes(int32_t system_type, int32_t node, int32_t function, const uint8_t* data,
                         event_list& out) {
    if ((node == 0x48 || node == 0x49) && function == kTpdo1) {
        if (data[0] == 1) out.add(CAN_EVENT_KEY_1);
        if (data[0] == 2) out.add(CAN_EVENT_KEY_2);
        if (data[0] == 3) out.add(CAN_EVENT_KEY_3);
    }
    if (node == 0x40 && function == kTpdo2) {
        decoder_state& s = g_state;
        s.wheel_status = static_cast<uint8_t>(data[0] & 0x1A);
        const bool moving = (data[0] & 0x02) != 0;
        if (s.wheel_moving && !moving) signal_wheel_stopped();
        s.wheel_moving = moving;
    }
    if (system_type != 26 && node == 0x44 && function == kTpdo2 && (data[0] & 0x02) == 0) {
        if (data[2] == 1) out.add(CAN_EVENT_RING_SPOT_1);
        if (data[2] == 2) out.add(CAN_EVENT_RING_SPOT_2);
    }
    if (has_focus_event(system_type) && node == 0x40 && function == kTpdo1) out.add(CAN_EVENT_FOCUS);
}

// Runs fn under the event lock when the lock exists; without it no delivery
// can run, so the state is the caller's alone.
template <typename Fn>
void with_event_lock(Fn fn) {
    const bool locked = can_lock_take(can_event_lock());
    fn();
    if (locked) can_lock_release(can_event_lock());
}

}  // namespace

bool can_zoom_position(uint8_t raw, uint8_t* position) {
    if (raw >= sizeof kZoomPositions) return false;
    *position = kZoomPositions[raw];
    return true;
}

void can_register_pdos(const sys_info* info) {
    if (info == nullptr || info->instrBdType != INSTR_BD_CAN) return;
    switch (group_of(info->systemType)) {
        case pdo_group::brush_motor:
            if (info->can.objectiveTurretType == SYS_TURRET_ENCODED) register_pdo(0x1BF);
            if (zoom_pdo_wanted(info->can)) register_pdo(0x2BF);
            return;
        case pdo_group::bridge_nodes:
            if (has_focus_event(info->systemType)) register_pdo(0x1C0);
            register_pdo(0x1C8);
            register_pdo(0x1C9);
            register_pdo(0x2C0);
            if (info->systemType != 26) register_pdo(0x2C4);
            return;
        case pdo_group::none:
            return;
    }
}

size_t can_pdo_events(sys_info* info, const can_pdo_record& pdo,
                      int32_t types[CAN_MAX_PDO_EVENTS]) {
    event_list out{types};
    if (info == nullptr || info->instrBdType != INSTR_BD_CAN) return 0;
    const int32_t node = pdo.identifier & 0x7F;
    const int32_t function = pdo.identifier & 0x780;
    switch (group_of(info->systemType)) {
        case pdo_group::brush_motor:
            decode_brush_motor(*info, node, function, pdo.data, out);
            break;
        case pdo_group::bridge_nodes:
            decode_bridge_nodes(info->systemType, node, function, pdo.data, out);
            break;
        case pdo_group::none:
            break;
    }
    return out.count;
}

void can_decoder_reset() {
    with_event_lock([] {
        g_state.zoom_state = 0;
        g_state.last_zoom = kUnknownZoom;
    });
}

uint8_t can_last_zoom_position() {
    uint8_t position = 0;
    with_event_lock([&] { position = g_state.last_zoom; });
    return position;
}

void can_decoder_note_zoom_position(uint8_t position) {
    with_event_lock([&] {
        if (g_state.last_zoom == kUnknownZoom) g_state.last_zoom = position;
    });
}

uint8_t can_ndwheel_status() {
    uint8_t status = 0;
    with_event_lock([&] { status = g_state.wheel_status; });
    return status;
}
