#include "instrument/instrument.h"

#include <cstring>

#include "instrument/cal_keywords.h"

namespace {

// Every record starts empty, with its handles invalid, before any code runs.
struct table_init {
    table_init() {
        for (sys_info& info : gl_SysInfo) sys_info_clear(&info);
    }
};

}  // namespace

sys_info gl_SysInfo[SYS_INFO_COUNT];
static const table_init init_table;

void sys_info_clear(sys_info* info) {
    if (info == nullptr) return;
    std::memset(info, 0, sizeof *info);
    info->board.line.portHandle = plat::kInvalidPort;
    info->waveMonitor.line.portHandle = plat::kInvalidPort;
    info->tempSensor.line.portHandle = plat::kInvalidPort;
    // No bridge found yet.
    std::memset(info->can.bridge.ipAddress, 0xFF, sizeof info->can.bridge.ipAddress);
    std::memset(info->ramps.instrSlots, SYS_EMPTY_RAMP_SLOT, sizeof info->ramps.instrSlots);
    cal_set_defaults(info);
}

sys_info* sys_info_find_board_port(plat::port_handle port) {
    if (port == plat::kInvalidPort) return nullptr;
    for (sys_info& info : gl_SysInfo)
        if (info.board.line.portHandle == port) return &info;
    return nullptr;
}
