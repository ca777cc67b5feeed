// The instrument record: the configuration and state of one instrument that
// the instrument-control modules share, and the fixed table of four records.
//
// The record is grouped by the module that owns each field: a module adds
// fields to its own group and never touches the others. Records are filled
// from the system calibration file; a record whose `initialised` flag is 0
// is "no system information" (ERR_SYS_INFO_NOT_AVAIL).
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

// Controller board types (`instrBdType`).
enum : int32_t {
    INSTR_BD_NONE = 0,
    INSTR_BD_UZ1 = 1,
    INSTR_BD_UZ2 = 3,
    INSTR_BD_NOT_SERIAL = 5,  // a board not driven over a serial line
    INSTR_BD_NIF = 6,
    INSTR_BD_FTP = 7,
    INSTR_BD_CAN = 8,
};

inline constexpr int SYS_INFO_COUNT = 4;
// Room for a device path such as /dev/pts/12 or \\.\COM12.
inline constexpr int SYS_PORT_NAME_LEN = 256;

// A serial line of the instrument: its port name and, while open, its handle
// (plat::kInvalidPort otherwise).
struct sys_serial_line {
    char portName[SYS_PORT_NAME_LEN];
    plat::port_handle portHandle;
};

// The instrument board and its line.
struct sys_board_info {
    sys_serial_line line;
};

struct sys_info {
    int32_t initialised;  // 1 once filled from a calibration file or by hand
    int32_t instrBdType;  // INSTR_BD_*
    int32_t systemType;   // the instrument's system type number
    int32_t cameraType;
    int32_t lightType;
    sys_board_info board;
};

extern sys_info gl_SysInfo[SYS_INFO_COUNT];

// Sets a record to its empty state: nothing configured, every handle invalid.
void sys_info_clear(sys_info* info);

// The first record whose instrument board line holds
// the given handle; null for plat::kInvalidPort or when none holds it.
sys_info* sys_info_find_board_port(plat::port_handle port);
