// The instrument board's line: opening it with the board's settings and
// registering it with the device manager, closing it, draining it.
#include "device/device.h"
#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

// Closes a line left open by an earlier initialisation, unregistering it
// first when the device manager knows it.
int32_t close_open_line(plat::port_handle* port) {
    if (dev_device_exists(*port)) return ur_closeUZ(port);
    return sio_close(port);
}

}  // namespace

int32_t ur_initUZ(sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    plat::port_handle* port = &info->board.line.portHandle;
    int32_t result = NO_ERROR;
    bool opened = false;
    if (!ur_is_uz_board(info)) {
        result = ERR_WRONG_INSTR_BOARD;
    } else if (*port != plat::kInvalidPort) {
        result = close_open_line(port);
    }
    if (result == NO_ERROR) {
        result = sio_open(info->board.line.portName, port);
        opened = result != ERR_CANT_OPEN_SERIAL;
    }
    if (result == NO_ERROR) result = sio_setup_peer_line(*port, SIO_LINE_INSTRUMENT_BOARD);
    if (result == NO_ERROR) result = dev_add_device(DEV_INSTR_BOARD, *port, info);
    if (result == NO_ERROR) return NO_ERROR;

    gl_PrintFunc("ur_initUZ: error initializing %s: %s\n", info->board.line.portName,
                 u_err_name(result));
    if (opened) sio_close(port);
    return ERR_UZ_COMM;
}

int32_t ur_closeUZ(plat::port_handle* port) {
    if (port == nullptr || *port == plat::kInvalidPort) return ERR_INVALID_PARAM;
    const int32_t result = dev_remove_device(*port);
    if (result != NO_ERROR) return result;
    return sio_close(port);
}

int32_t ur_flushUZ(plat::port_handle* port) {
    if (port == nullptr) return ERR_INVALID_PARAM;
    if (sio_clear_buffer(*port) != 0) {
        gl_PrintFunc("sio_clear_buffer failed.");
        return ERR_UZ_COMM;
    }
    return NO_ERROR;
}
