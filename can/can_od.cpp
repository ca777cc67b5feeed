// Object-dictionary entries at fixed coordinates: each operation is one SDO
// transfer of an unsigned value, described by one row of a table.
#include "can/can.h"
#include "can/can_le.h"
#include "can/can_pdo_decode.h"
#include "errors/errors.h"

namespace {

enum class unit { bridge, led, brush_motor, dmi, z_clm, rof, zoom_dd, focus_ndw, enc_zoom };

struct od_entry {
    const char* name;
    uint8_t node;
    uint16_t index;
    uint8_t subindex;
    uint32_t length;
    int32_t abort_error;
    unit owner;
};

constexpr int32_t kBridge = ERR_CAN_SDO_BRIDGE_ERROR;
constexpr int32_t kRamp = ERR_CAN_SDO_RAMP_ERROR;
constexpr int32_t kLed = ERR_CAN_SDO_LED_ERROR;
constexpr int32_t kBrMotor = ERR_CAN_SDO_BRMOTOR_ERROR;
constexpr int32_t kDmi = ERR_CAN_SDO_DMI_ERROR;
constexpr int32_t kDmd = ERR_CAN_SDO_DMD_ERROR;

constexpr od_entry kReadBridgeStatus{"can_read_bridge_status", 127, 0x2010, 1, 1, kBridge, unit::bridge};
constexpr od_entry kBridgeReadConfig{"can_bridge_read_config", 127, 0x2010, 2, 2, kRamp, unit::bridge};
constexpr od_entry kBridgeWriteConfig{"can_bridge_write_config", 127, 0x2010, 2, 2, kRamp, unit::bridge};
constexpr od_entry kFgTrigger{"can_write_fg_trigger", 127, 0x2010, 5, 0, kRamp, unit::bridge};
constexpr od_entry kRampStatus{"can_read_ramp_status", 127, 0x2000, 0, 1, kRamp, unit::bridge};
constexpr od_entry kRampStart{"can_ramp_start", 127, 0x2000, 0, 1, kRamp, unit::bridge};
constexpr od_entry kRampSelect{"can_write_ramp_select", 127, 0x2001, 0, 1, kRamp, unit::bridge};
constexpr od_entry kPifocOffset{"can_write_pifoc_offset", 127, 0x2009, 1, 2, kRamp, unit::bridge};
constexpr od_entry kSyncgen{"can_write_syncgen", 127, 0x2030, 0, 4, kRamp, unit::bridge};
constexpr od_entry kPiRampSelect{"can_write_pi_ramp_select", 127, 0x2041, 1, 1, kRamp, unit::bridge};
constexpr od_entry kPiAmplitude{"can_read_pi_ramp_amplitude", 127, 0x2041, 2, 4, kRamp, unit::bridge};
constexpr od_entry kPiVelocity{"can_read_pi_ramp_velocity", 127, 0x2041, 3, 4, kRamp, unit::bridge};
constexpr od_entry kPiRampStart{"can_pi_ramp_start", 127, 0x2041, 6, 1, kRamp, unit::bridge};
constexpr od_entry kPiDdlTables{"can_pi_load_ddl_tables", 127, 0x2041, 19, 1, kRamp, unit::bridge};
constexpr od_entry kPiSerial{"can_read_pi_serial_integer", 127, 0x2041, 20, 2, kRamp, unit::bridge};
constexpr od_entry kReadDigitalOut{"can_bridge_read_digitalout", 127, 0x6200, 1, 1, kBridge, unit::bridge};
constexpr od_entry kWriteDigitalOut{"can_bridge_write_digitalout", 127, 0x6200, 1, 1, kBridge, unit::bridge};
constexpr od_entry kAlignDiode1{"can_set_align_illumination_diode", 127, 0x6220, 1, 1, kBridge, unit::bridge};
constexpr od_entry kAlignDiode2{"can_set_align_illumination_diode", 127, 0x6240, 1, 1, kBridge, unit::bridge};
constexpr od_entry kLedSetup{"can_write_led_setup", 61, 0x2000, 0, 1, kLed, unit::led};
constexpr od_entry kReadLlc{"can_read_llc", 61, 0x2001, 0, 2, kLed, unit::led};
constexpr od_entry kWriteLlc{"can_write_llc", 61, 0x2001, 0, 2, kLed, unit::led};
constexpr od_entry kLlcAvgCur{"can_write_llc_avgcurlmt", 61, 0x2002, 0, 2, kLed, unit::led};
constexpr od_entry kLlcFwdVlt{"can_write_llc_fwdvlt", 61, 0x2004, 0, 2, kLed, unit::led};
constexpr od_entry kLlcPwmFreq{"can_write_llc_pwmfreq", 61, 0x2006, 0, 4, kLed, unit::led};
constexpr od_entry kTurretStatus{"can_read_turret_status", 63, 0x2001, 0, 1, kBrMotor, unit::brush_motor};
constexpr od_entry kTurret{"can_read_turret", 63, 0x2002, 0, 1, kBrMotor, unit::brush_motor};
constexpr od_entry kZoom{"can_read_zoom", 63, 0x2012, 0, 1, kBrMotor, unit::brush_motor};
constexpr od_entry kAllZoom{"can_read_all_zoom", 63, 0x2015, 0, 6, kBrMotor, unit::brush_motor};
constexpr od_entry kBrmtrConfig{"can_get_brmtr_config", 63, 0x2020, 1, 2, kBrMotor, unit::brush_motor};
constexpr od_entry kDmiStatus{"can_dmi_read_all_status", 48, 0x1002, 0, 4, kDmi, unit::dmi};
constexpr od_entry kDmiResetRead{"can_dmi_reset", 48, 0x2000, 0, 1, kDmi, unit::dmi};
constexpr od_entry kDmiResetWrite{"can_dmi_reset", 48, 0x2100, 0, 2, kDmi, unit::dmi};
constexpr od_entry kDmiHomeRequired{"can_dmi_reset_home_required", 48, 0x2100, 0, 2, kDmi, unit::dmi};
constexpr od_entry kDmiCaptureCount{"can_dmi_read_capture_buffer_count", 48, 0x2002, 3, 4, kDmi, unit::dmi};
constexpr od_entry kDmiCaptureArray{"can_dmi_read_capture_buffer_array", 48, 0x2002, 4, 4, kDmi, unit::dmi};
constexpr od_entry kDmiPreset{"can_dmi_preset_pos", 48, 0x6010, 1, 4, kDmi, unit::dmi};
constexpr od_entry kDmiPos{"can_dmi_read_pos", 48, 0x6020, 1, 4, kDmi, unit::dmi};
constexpr od_entry kZClosedLoop{"mc_set_z_external_closed_loop_enabled", 20, 0x21D6, 0, 2,
                                ERR_CAN_SDO_CLM_ERROR, unit::z_clm};
constexpr od_entry kRofMotor1{"can_rof_write_motor1_control", CAN_NODE_ID_ROF, 0x2000, 0, 1, kDmd, unit::rof};
constexpr od_entry kZoomDdMotor1{"can_zoom_dd_write_motor1_control", CAN_NODE_ID_ZOOM_DD, 0x2000, 0, 1, kDmd, unit::zoom_dd};
constexpr od_entry kNdwMotor1{"can_ndw_write_motor1_control", CAN_NODE_ID_FOCUS_NDW, 0x2000, 0, 1, kDmd, unit::focus_ndw};

// The checks before a transfer: the CAN board, and an optional unit that
// the bring-up found.
int32_t check_unit(const sys_info* info, const od_entry& e) {
    if (info == nullptr || info->instrBdType != INSTR_BD_CAN) return ERR_WRONG_INSTR_BOARD;
    const char* missing = nullptr;
    if (e.owner == unit::rof && info->can.hasRofNode == 0)
        missing = "%s: CAN Ring-of-Fire and Diffuser Disk node is not available\n";
    else if (e.owner == unit::zoom_dd && info->can.hasZoomDdNode == 0)
        missing = "%s: CAN Zoom and Diffuser Disk node is not available\n";
    else if (e.owner == unit::focus_ndw && info->can.hasFocusNdwNode == 0)
        missing = "%s: CAN Focus and ND Wheel node is not available\n";
    if (missing == nullptr) return NO_ERROR;
    gl_PrintFunc(missing, e.name);
    return ERR_CAN_NODE_NOT_AVAIL;
}

// The dual motor drives share one abort error; each unit reports its own.
int32_t unit_error(const od_entry& e, int32_t err) {
    if (err != ERR_CAN_SDO_DMD_ERROR) return err;
    switch (e.owner) {
        case unit::rof:
            return ERR_CAN_SDO_ROF_ERROR;
        case unit::zoom_dd:
            return ERR_CAN_SDO_ZOOM_ERROR;
        case unit::focus_ndw:
            return ERR_CAN_SDO_NDW_ERROR;
        default:
            return err;
    }
}

int32_t od_read(const sys_info* info, const od_entry& e, uint32_t* value, uint8_t subindex = 0) {
    if (const int32_t err = check_unit(info, e)) return err;
    uint8_t bytes[4] = {};
    const int32_t err = can_sdo_read2(e.node, e.index, subindex != 0 ? subindex : e.subindex,
                                      bytes, e.length, 1, e.abort_error, e.name);
    if (err == NO_ERROR) *value = can_le_get(bytes, e.length);
    return unit_error(e, err);
}

int32_t od_write(const sys_info* info, const od_entry& e, uint32_t value, uint8_t subindex = 0) {
    if (const int32_t err = check_unit(info, e)) return err;
    uint8_t bytes[4] = {};
    can_le_put(bytes, e.length, value);
    return unit_error(e, can_sdo_write2(e.node, e.index, subindex != 0 ? subindex : e.subindex,
                                        bytes, e.length, 1, e.abort_error, e.name));
}

template <typename T>
int32_t read_as(const sys_info* info, const od_entry& e, T* out) {
    if (out == nullptr) return ERR_INVALID_PARAM;
    uint32_t value = 0;
    const int32_t err = od_read(info, e, &value);
    if (err == NO_ERROR) *out = static_cast<T>(value);
    return err;
}

// The identity object belongs to every node; it is read with its own
// abort error and needs no board check (the bridge search reads it too).
int32_t read_identity(uint8_t node, uint8_t subindex, const char* caller, uint32_t* value) {
    if (value == nullptr) return ERR_INVALID_PARAM;
    uint8_t bytes[4] = {};
    const int32_t err = can_sdo_read2(node, 0x1018, subindex, bytes, 4, 1, ERR_CAN_ERROR, caller);
    if (err == NO_ERROR) *value = can_le_get(bytes, 4);
    return err;
}

// Only the bridge status read is done before the record is known to be a
// CAN instrument, so it has no record to check.
const sys_info* any_can_instrument() {
    static sys_info info = [] {
        sys_info i{};
        i.instrBdType = INSTR_BD_CAN;
        return i;
    }();
    return &info;
}

}  // namespace

int32_t can_read_productID(uint8_t node, uint32_t* product_id) {
    return read_identity(node, 2, "can_read_productID", product_id);
}

int32_t can_read_version(uint8_t node, int32_t* major, int32_t* minor) {
    if (major == nullptr || minor == nullptr) return ERR_INVALID_PARAM;
    uint32_t value = 0;
    const int32_t err = read_identity(node, 3, "can_read_version", &value);
    if (err != NO_ERROR) return err;
    *major = static_cast<int32_t>(value >> 16);
    *minor = static_cast<int32_t>(value & 0xFFFF);
    return NO_ERROR;
}

int32_t can_read_bridge_status(uint8_t* status) {
    return read_as(any_can_instrument(), kReadBridgeStatus, status);
}
int32_t can_bridge_read_config(const sys_info* info, uint16_t* value) {
    return read_as(info, kBridgeReadConfig, value);
}
int32_t can_bridge_write_config(const sys_info* info, uint16_t value) {
    return od_write(info, kBridgeWriteConfig, value);
}
int32_t can_write_fg_trigger(const sys_info* info, const void* data, uint32_t length) {
    if (const int32_t err = check_unit(info, kFgTrigger)) return err;
    return can_sdo_write2(kFgTrigger.node, kFgTrigger.index, kFgTrigger.subindex, data, length, 1,
                          kFgTrigger.abort_error, kFgTrigger.name);
}
int32_t can_read_ramp_status(const sys_info* info, uint8_t* status) {
    return read_as(info, kRampStatus, status);
}
int32_t can_ramp_start(const sys_info* info, uint8_t value) { return od_write(info, kRampStart, value); }
int32_t can_write_ramp_select(const sys_info* info, uint8_t ramp) {
    return od_write(info, kRampSelect, ramp);
}
int32_t can_write_pifoc_offset(const sys_info* info, uint16_t offset) {
    return od_write(info, kPifocOffset, offset);
}
int32_t can_write_syncgen(const sys_info* info, uint32_t value) { return od_write(info, kSyncgen, value); }
int32_t can_write_pi_ramp_select(const sys_info* info, uint8_t ramp) {
    return od_write(info, kPiRampSelect, ramp);
}
int32_t can_read_pi_ramp_amplitude(const sys_info* info, uint32_t* amplitude) {
    return read_as(info, kPiAmplitude, amplitude);
}
int32_t can_read_pi_ramp_velocity(const sys_info* info, uint32_t* velocity) {
    return read_as(info, kPiVelocity, velocity);
}
int32_t can_pi_ramp_start(const sys_info* info, uint8_t value) { return od_write(info, kPiRampStart, value); }
int32_t can_pi_load_ddl_tables(const sys_info* info, uint8_t value) {
    return od_write(info, kPiDdlTables, value);
}
int32_t can_read_pi_serial_integer(const sys_info* info, uint16_t* serial) {
    return read_as(info, kPiSerial, serial);
}
int32_t can_bridge_read_digitalout(const sys_info* info, uint8_t* value) {
    return read_as(info, kReadDigitalOut, value);
}
int32_t can_bridge_write_digitalout(const sys_info* info, uint8_t value) {
    return od_write(info, kWriteDigitalOut, value);
}
int32_t can_set_align_illumination_diode(const sys_info* info, uint8_t value) {
    if (const int32_t err = od_write(info, kAlignDiode1, value)) return err;
    return od_write(info, kAlignDiode2, value);
}
int32_t can_write_led_setup(const sys_info* info, uint8_t value) { return od_write(info, kLedSetup, value); }
int32_t can_read_llc(const sys_info* info, uint16_t* level) { return read_as(info, kReadLlc, level); }
int32_t can_write_llc(const sys_info* info, uint16_t level) { return od_write(info, kWriteLlc, level); }
int32_t can_write_llc_avgcurlmt(const sys_info* info, uint16_t limit) {
    return od_write(info, kLlcAvgCur, limit);
}
int32_t can_write_llc_fwdvlt(const sys_info* info, uint16_t voltage) {
    return od_write(info, kLlcFwdVlt, voltage);
}
int32_t can_write_llc_pwmfreq(const sys_info* info, uint32_t frequency) {
    return od_write(info, kLlcPwmFreq, frequency);
}
int32_t can_read_turret_status(const sys_info* info, uint8_t* status) {
    return read_as(info, kTurretStatus, status);
}
int32_t can_read_turret(const sys_info* info, uint8_t* position) { return read_as(info, kTurret, position); }

int32_t can_read_zoom(const sys_info* info, uint8_t* position) {
    uint8_t raw = 0;
    if (const int32_t err = read_as(info, kZoom, &raw)) return err;
    if (!can_zoom_position(raw, position)) return ERR_CAN_ZOOM_IDS;  // no such position
    can_decoder_note_zoom_position(*position);
    return NO_ERROR;
}

int32_t can_read_all_zoom(const sys_info* info, uint8_t* values) {
    if (const int32_t err = check_unit(info, kAllZoom)) return err;
    return can_sdo_read2(kAllZoom.node, kAllZoom.index, kAllZoom.subindex, values, kAllZoom.length,
                         1, kAllZoom.abort_error, kAllZoom.name);
}
int32_t can_get_brmtr_config(const sys_info* info, uint16_t* config) {
    return read_as(info, kBrmtrConfig, config);
}
int32_t can_dmi_read_all_status(const sys_info* info, uint32_t* status) {
    return read_as(info, kDmiStatus, status);
}

int32_t can_dmi_reset(const sys_info* info) {
    uint32_t value = 0;
    if (const int32_t err = od_read(info, kDmiResetRead, &value)) return err;
    return od_write(info, kDmiResetWrite, value);
}

int32_t can_dmi_reset_home_required(const sys_info* info, uint16_t value) {
    return od_write(info, kDmiHomeRequired, value);
}
int32_t can_dmi_read_capture_buffer_count(const sys_info* info, uint32_t* count) {
    return read_as(info, kDmiCaptureCount, count);
}

int32_t can_dmi_read_capture_buffer_array(const sys_info* info, int32_t* values, uint32_t capacity,
                                          uint32_t* count) {
    if (count == nullptr || (values == nullptr && capacity > 0)) return ERR_INVALID_PARAM;
    uint32_t reported = 0;
    if (const int32_t err = can_dmi_read_capture_buffer_count(info, &reported)) return err;
    // The node's count is not trusted to fit the caller's buffer.
    const uint32_t n = reported < capacity ? reported : capacity;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t value = 0;
        if (const int32_t err = od_read(info, kDmiCaptureArray, &value)) return err;
        values[i] = static_cast<int32_t>(value);
    }
    *count = n;
    return NO_ERROR;
}

int32_t can_dmi_preset_pos(const sys_info* info, int32_t axis, int32_t position) {
    if (axis != 1 && axis != 2) return ERR_INVALID_PARAM;
    return od_write(info, kDmiPreset, static_cast<uint32_t>(position), static_cast<uint8_t>(axis));
}

int32_t can_dmi_read_pos(const sys_info* info, int32_t axis, int32_t* position) {
    if ((axis != 1 && axis != 2) || position == nullptr) return ERR_INVALID_PARAM;
    uint32_t value = 0;
    const int32_t err = od_read(info, kDmiPos, &value, static_cast<uint8_t>(axis));
    if (err == NO_ERROR) *position = static_cast<int32_t>(value);
    return err;
}

int32_t mc_set_z_external_closed_loop_enabled(const sys_info* info, uint16_t enabled) {
    return od_write(info, kZClosedLoop, enabled);
}
int32_t can_rof_write_motor1_control(const sys_info* info, uint8_t value) {
    return od_write(info, kRofMotor1, value);
}
int32_t can_zoom_dd_write_motor1_control(const sys_info* info, uint8_t value) {
    return od_write(info, kZoomDdMotor1, value);
}
int32_t can_ndw_write_motor1_control(const sys_info* info, uint8_t value) {
    return od_write(info, kNdwMotor1, value);
}
