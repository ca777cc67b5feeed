// Setting up the encoded zoom unit on node 64: firmware check, position
// mode with soft limits, backlash, and the magnification calibration.
#include "can/can.h"
#include "can/can_le.h"
#include "errors/errors.h"

namespace {

constexpr int32_t kMinMajor = 4;
constexpr int32_t kMinMinor = 3;
constexpr uint8_t kPositionMode = 3;

int32_t write_zoom(uint16_t index, uint8_t subindex, uint32_t value, uint32_t length, const char* caller) {
    uint8_t bytes[4] = {};
    can_le_put(bytes, length, value);
    return can_sdo_write2(CAN_NODE_ID_ENC_ZOOM, index, subindex, bytes, length, 1,
                          ERR_CAN_SDO_ENC_ZOOM_ERROR, caller);
}

}  // namespace

int32_t enc_zoom_check_firmware(const sys_info* /*info*/) {
    int32_t major = 0, minor = 0;
    if (const int32_t err = can_read_version(CAN_NODE_ID_ENC_ZOOM, &major, &minor)) return err;
    if (major > kMinMajor || (major == kMinMajor && minor >= kMinMinor)) return NO_ERROR;
    gl_PrintFunc("ORVO encoded zoom firmware version %d.%d is old; version %d.%d or later is required\n",
                 major, minor, kMinMajor, kMinMinor);
    return ERR_ORVO_ENC_ZOOM_FIRMWARE_VERSION_OLD;
}

int32_t orvo_enc_zoom_set_soft_limits(int32_t lower, int32_t upper) {
    const char* caller = "orvo_enc_zoom_set_soft_limits";
    if (const int32_t err = write_zoom(0x607D, 1, static_cast<uint32_t>(lower), 4, caller)) return err;
    return write_zoom(0x607D, 2, static_cast<uint32_t>(upper), 4, caller);
}

int32_t orvo_enc_zoom_set_motion_mode(const sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (const int32_t err = write_zoom(0x2002, 0, kPositionMode, 1, "orvo_enc_zoom_set_motion_mode"))
        return err;
    return orvo_enc_zoom_set_soft_limits(info->encZoom.progLim[0], info->encZoom.progLim[1]);
}

int32_t orvo_enc_zoom_set_backlash(sys_info* info) {
    if (info == nullptr || (info->encZoom.config & 1) == 0) return NO_ERROR;
    if (const int32_t err = enc_zoom_check_firmware(info)) return err;
    if (const int32_t err = orvo_enc_zoom_set_motion_mode(info)) return err;
    if (const int32_t err = write_zoom(0x2019, 0, static_cast<uint32_t>(info->encZoom.backlash), 4,
                                       "orvo_enc_zoom_set_backlash"))
        return err;
    // The instrument works without a calibration table.
    const int32_t err = enc_zoom_load_cal(&info->encZoomCal, info->encZoom.calFile, nullptr, 0);
    return err == ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE ? NO_ERROR : err;
}
