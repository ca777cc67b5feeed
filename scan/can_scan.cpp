// A ramp on a CAN instrument: the samples, sample clock and trigger start
// in the ramp's entries of the bridge's ramp generator, then ramp select,
// the frame-grabber trigger and ramp start.
#include "can/can.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "errors/errors.h"
#include "scan/scan_internal.h"

namespace {

constexpr const char* kCaller = "scan_load_ramp";

int32_t write_entry(uint16_t index, uint8_t subindex, const void* bytes, uint32_t length) {
    return can_sdo_write2(CAN_NODE_ID_BRIDGE, index, subindex, bytes, length, 1,
                          ERR_CAN_SDO_RAMP_ERROR, kCaller);
}

bool fits16(int64_t value) {
    return value >= 0 && value <= 0xFFFF;
}

}  // namespace

int32_t scan_can_load(sys_info* info, const rr_ramp_t& ramp, uint8_t slot) {
    if (info->instrBdType != INSTR_BD_CAN) return ERR_WRONG_INSTR_BOARD;
    const rr_ramp_hdr_t& hdr = ramp.hdr;
    const uint64_t bytes = 2 * static_cast<uint64_t>(hdr.nPoints);
    if (bytes > SCAN_CAN_MAX_RAMP_BYTES || !fits16(hdr.trigStartAddr) || !(hdr.sampleClkFreq > 0) ||
        !std::isfinite(hdr.sampleClkFreq)) {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    // The bus carries the samples little-endian.
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    for (size_t i = 0; i < data.size() / 2; ++i) {
        data[2 * i] = static_cast<uint8_t>(ramp.points[i]);
        data[2 * i + 1] = static_cast<uint8_t>(ramp.points[i] >> 8);
    }
    const uint16_t index = static_cast<uint16_t>(SCAN_CAN_RAMP_INDEX + slot);
    if (const int32_t err = write_entry(index, SCAN_CAN_RAMP_DATA_SUB, data.data(),
                                        static_cast<uint32_t>(data.size()))) {
        return err;
    }
    uint32_t rate = 0;
    std::memcpy(&rate, &hdr.sampleClkFreq, sizeof rate);
    const uint8_t rate_bytes[4] = {static_cast<uint8_t>(rate), static_cast<uint8_t>(rate >> 8),
                                   static_cast<uint8_t>(rate >> 16),
                                   static_cast<uint8_t>(rate >> 24)};
    if (const int32_t err = write_entry(index, SCAN_CAN_RAMP_RATE_SUB, rate_bytes, 4)) return err;
    const uint8_t trigger[2] = {static_cast<uint8_t>(hdr.trigStartAddr),
                                static_cast<uint8_t>(hdr.trigStartAddr >> 8)};
    return write_entry(index, SCAN_CAN_RAMP_TRIGGER_SUB, trigger, 2);
}

int32_t scan_can_start(sys_info* info, const rr_ramp_t& ramp, uint8_t slot) {
    const rr_ramp_hdr_t& hdr = ramp.hdr;
    if (hdr.nBuckets < 1 || !fits16(hdr.nBuckets) || !fits16(hdr.grabSkip) || !fits16(hdr.offset) ||
        hdr.rampType < 0 || hdr.rampType > 0xFF) {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    const scan_can_trigger trigger{
        static_cast<uint16_t>(hdr.nBuckets), static_cast<uint16_t>(hdr.grabSkip), hdr.cameraRate,
        static_cast<uint16_t>(hdr.offset), static_cast<uint8_t>(hdr.rampType)};
    uint8_t bytes[SCAN_CAN_TRIGGER_SIZE];
    scan_pack_can_trigger(trigger, bytes);
    if (const int32_t err = can_write_ramp_select(info, slot)) return err;
    if (const int32_t err = can_write_fg_trigger(info, bytes, sizeof bytes)) return err;
    return can_ramp_start(info, 1);
}

int32_t scan_can_stop(sys_info* info) {
    return can_ramp_start(info, 0);
}

int32_t scan_can_idle(sys_info* info, int32_t* idle) {
    uint8_t status = 0;
    const int32_t err = can_read_ramp_status(info, &status);
    if (err == NO_ERROR) *idle = status == 0 ? 1 : 0;
    return err;
}
