// One line of the ramp configuration file: comment, blank, or a ramp spec
// that is accepted or rejected with a message and a hint. Internal to ramps/.
#pragma once

#include "ramps/ramps.h"

enum class rr_cfg_line_kind { spec, skipped, rejected };

// Why a line was rejected: the message (without its place in the file) and
// the hint, which is empty when the message has none.
struct rr_cfg_rejection {
    char message[128];
    char hint[256];
};

// Parses one line, its carriage return before the line feed already
// removed. A spec fills *spec (cleared first); a rejection fills *why.
rr_cfg_line_kind rr_parse_cfg_line(const char* line, rr_ramp_cfg_t* spec, rr_cfg_rejection* why);

// Whether the reader takes a value of a real field in a spec of the given
// type code (as the reader codes types: 0, 1 or 17). The writer asks these
// of the digits it means to write.
bool rr_cfg_scan_len_ok(float value, int32_t type);
bool rr_cfg_camera_rate_ok(float value, int32_t type);
bool rr_cfg_fringes_per_frame_ok(float value, int32_t type);
bool rr_cfg_ramp_slope_ok(float value, int32_t type);
bool rr_cfg_obj_mag_ok(float value, int32_t type);
bool rr_cfg_scan_cal_ok(float value, int32_t type);
