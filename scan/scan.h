// Scans: a ramp of the instrument's ramp table (ramps/ramps.h) loaded into
// the instrument and started, so that the scanner moves through the ramp's
// samples at its sample clock and the board triggers the camera.
//
// Serial boards (UZ1, UZ2, NIF, FTP), in board commands:
//   ramp load      slot, ramp ID and the set-up below (SCAN_BOARD_SETUP_SIZE
//                  bytes), in the board's 15-byte ramp load request;
//   ramp data      the samples in as many ramp data frames as needed, at most
//                  UZ_RAMP_DATA_MAX_VALUES each; a frame the board reports
//                  as damaged gives ERR_RAMP_LOAD;
//   ramp complete  the ramp is whole;
//   ramp start     slot; ramp idle answers one byte, 1 once the ramp is done.
// CAN instruments, in entries of node 127 (values little-endian):
//   SCAN_CAN_RAMP_INDEX + slot, subindex 5: the samples, one transfer of at
//        most SCAN_CAN_MAX_RAMP_BYTES;
//   subindex 4: the sample clock, float32 kHz; subindex 2: the trigger
//        start sample, 16 bits;
//   then at the start: ramp select (slot), the frame-grabber trigger (the
//   layout below), ramp start 1. Ramp start 0 stops the ramp.
//
// Every failure leaves the scanner stopped (a stop is sent where a start
// may have gone out); a failed load leaves the ramp in no slot of the record.
#pragma once

#include <cstdint>
#include <cstring>

#include "instrument/instrument.h"

// ---- the set-up a serial board's ramp load carries ------------------------------
//
// After slot and ramp ID, big-endian:
//   0-1  updateRate (the sample clock is 4000 / (65536 - updateRate) kHz)
//   2-3  trigStartAddr (the sample of the first camera trigger)
//   4-5  nBuckets (the number of camera triggers)
//   6-7  cameraRate in hundredths of a hertz
//   8-9  offset (the sample value of the scanner's zero)
//   10   rampType in bits 0-4, grabSkip in bits 5-7
inline constexpr int SCAN_BOARD_SETUP_SIZE = 11;

struct scan_ramp_setup {
    uint16_t updateRate;
    uint16_t trigStartAddr;
    uint16_t nBuckets;
    uint16_t cameraRateCentiHz;
    uint16_t offset;
    uint8_t rampType;  // 0 to 31
    uint8_t grabSkip;  // 0 to 7
};

inline void scan_pack_board_setup(const scan_ramp_setup& setup,
                                  uint8_t bytes[SCAN_BOARD_SETUP_SIZE]) {
    const uint16_t words[5] = {setup.updateRate, setup.trigStartAddr, setup.nBuckets,
                               setup.cameraRateCentiHz, setup.offset};
    for (int i = 0; i < 5; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(words[i] >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(words[i]);
    }
    bytes[10] = static_cast<uint8_t>((setup.rampType & 0x1F) | (setup.grabSkip << 5));
}

inline scan_ramp_setup scan_unpack_board_setup(const uint8_t bytes[SCAN_BOARD_SETUP_SIZE]) {
    auto word = [bytes](int i) {
        return static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    };
    return {word(0),
            word(1),
            word(2),
            word(3),
            word(4),
            static_cast<uint8_t>(bytes[10] & 0x1F),
            static_cast<uint8_t>(bytes[10] >> 5)};
}

// ---- the CAN frame-grabber trigger --------------------------------------------
//
// Written to the bridge's frame-grabber trigger entry at the start,
// little-endian: nBuckets (16 bits), grabSkip (16 bits), cameraRate (float32
// Hz), offset (16 bits), rampType (8 bits), 0.
inline constexpr int SCAN_CAN_TRIGGER_SIZE = 12;
inline constexpr uint16_t SCAN_CAN_RAMP_INDEX = 0x2100;  // + slot
inline constexpr uint8_t SCAN_CAN_RAMP_TRIGGER_SUB = 2;
inline constexpr uint8_t SCAN_CAN_RAMP_RATE_SUB = 4;
inline constexpr uint8_t SCAN_CAN_RAMP_DATA_SUB = 5;
inline constexpr uint32_t SCAN_CAN_MAX_RAMP_BYTES = 32768;

struct scan_can_trigger {
    uint16_t nBuckets;
    uint16_t grabSkip;
    float cameraRate;
    uint16_t offset;
    uint8_t rampType;
};

inline void scan_pack_can_trigger(const scan_can_trigger& t, uint8_t bytes[SCAN_CAN_TRIGGER_SIZE]) {
    uint32_t rate = 0;
    static_assert(sizeof rate == sizeof t.cameraRate);
    std::memcpy(&rate, &t.cameraRate, sizeof rate);
    const uint32_t fields[] = {t.nBuckets, t.grabSkip};
    for (int i = 0; i < 2; ++i) {
        bytes[2 * i] = static_cast<uint8_t>(fields[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(fields[i] >> 8);
    }
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(rate >> (8 * i));
    bytes[8] = static_cast<uint8_t>(t.offset);
    bytes[9] = static_cast<uint8_t>(t.offset >> 8);
    bytes[10] = t.rampType;
    bytes[11] = 0;
}

inline scan_can_trigger scan_unpack_can_trigger(const uint8_t bytes[SCAN_CAN_TRIGGER_SIZE]) {
    uint32_t rate = 0;
    for (int i = 0; i < 4; ++i) rate |= uint32_t{bytes[4 + i]} << (8 * i);
    scan_can_trigger t{};
    t.nBuckets = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    t.grabSkip = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    std::memcpy(&t.cameraRate, &rate, sizeof rate);
    t.offset = static_cast<uint16_t>(bytes[8] | bytes[9] << 8);
    t.rampType = bytes[10];
    return t;
}

// ---- loading, starting and stopping ---------------------------------------------

// Loads the table ramp at ramp_index into a ramp slot of the instrument:
// the slot that holds its ramp ID, else an empty one, else slot 0. On
// success the ramp's instrSlot and the record's slot table name the slot.
// Returns NO_ERROR, ERR_INVALID_PARAM (no record), ERR_NO_RAMP_INFO (no
// table, or a ramp without samples), ERR_INVALID_RAMP_INDEX,
// ERR_WRONG_INSTR_BOARD, ERR_PARAM_OUT_OF_RANGE (a ramp ID outside 0 to
// 254, or a set-up or samples the board cannot take), ERR_RAMP_LOAD, or the
// link's error.
int32_t scan_load_ramp(sys_info* info, int32_t ramp_index);

// Starts the ramp at ramp_index, loading it first when no slot holds it.
// The same results as scan_load_ramp.
int32_t scan_start_ramp(sys_info* info, int32_t ramp_index);

// Stops a running ramp: the board's ramp abort (UZ1 and FTP; UZ2 and NIF
// boards end a ramp on their own and are sent nothing), ramp start 0 on a
// CAN instrument. NO_ERROR, ERR_INVALID_PARAM, ERR_WRONG_INSTR_BOARD or the
// link's error.
int32_t scan_stop_ramp(sys_info* info);

// Whether the instrument's ramp has ended (*idle 1) or still runs (0):
// the board's ramp idle query, or the CAN ramp status (0 when idle).
int32_t scan_ramp_idle(sys_info* info, int32_t* idle);

// For a caller that starts the scan through a hook of the shape
// int32_t (*)(void* context), such as frame grabbing: context is a
// scan_start_request; the result is scan_start_ramp's, or
// ERR_INVALID_PARAM for no context.
struct scan_start_request {
    sys_info* info;
    int32_t rampIndex;
};
int32_t scan_start_hook(void* context);
