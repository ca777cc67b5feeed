// The board-specific halves of scan/: the serial boards' commands and the
// CAN ramp generator's entries. Internal to scan/.
#pragma once

#include <cstdint>

#include "ramps/ramps.h"
#include "scan/scan.h"

// The set-up a ramp gives the board, checked to fit the ramp load's fields:
// ERR_PARAM_OUT_OF_RANGE when a value does not.
int32_t scan_setup_of(const rr_ramp_hdr_t& hdr, scan_ramp_setup* setup);

int32_t scan_board_load(sys_info* info, const rr_ramp_t& ramp, uint8_t slot);
int32_t scan_board_start(sys_info* info, uint8_t slot);
int32_t scan_board_stop(sys_info* info);
int32_t scan_board_idle(sys_info* info, int32_t* idle);

int32_t scan_can_load(sys_info* info, const rr_ramp_t& ramp, uint8_t slot);
int32_t scan_can_start(sys_info* info, const rr_ramp_t& ramp, uint8_t slot);
int32_t scan_can_stop(sys_info* info);
int32_t scan_can_idle(sys_info* info, int32_t* idle);
