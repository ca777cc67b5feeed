#include "instrument/instrument.h"

#include <cstring>

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
}

sys_info* sys_info_find_board_port(plat::port_handle port) {
    if (port == plat::kInvalidPort) return nullptr;
    for (sys_info& info : gl_SysInfo)
        if (info.board.line.portHandle == port) return &info;
    return nullptr;
}
