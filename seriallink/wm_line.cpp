// The wave monitor's line: opening, closing, flushing and sending a command.
#include <cstring>

#include "errors/errors.h"
#include "seriallink/seriallink.h"

int32_t wm_comm_open_fd(plat::port_handle* handle, const char* port_name) {
    if (handle == nullptr || port_name == nullptr) return ERR_INVALID_PARAM;
    int32_t code = sio_open(port_name, handle);
    if (code == NO_ERROR) code = sio_setup_peer_line(*handle, SIO_LINE_WAVE_MONITOR);
    if (code == NO_ERROR) return NO_ERROR;
    gl_PrintFunc("%s: error initializing device %s: %s\n", "wm_comm_open_fd", port_name,
                 u_err_name(code));
    if (code != ERR_CANT_OPEN_SERIAL) sio_close(handle);
    return ERR_WM_COMM;
}

int32_t wm_comm_close(plat::port_handle* handle) {
    if (handle == nullptr) return NO_ERROR;
    return sio_close(handle);
}

int32_t wm_flush_inp(plat::port_handle* handle) {
    if (handle == nullptr) return ERR_INVALID_PARAM;
    if (sio_clear_buffer(*handle) == NO_ERROR) return NO_ERROR;
    gl_PrintFunc("%s: sio_clear_buffer failed\n", "wm_flush_inp");
    return ERR_WM_COMM;
}

int32_t wm_comm_write(plat::port_handle* handle, const char* command) {
    if (handle == nullptr || command == nullptr) return ERR_INVALID_PARAM;
    const size_t length = std::strlen(command);
    if (length > INT32_MAX) return ERR_INVALID_PARAM;
    const auto count = static_cast<int32_t>(length);
    uint32_t written = 0;
    if (sio_send_data(*handle, command, count, &written) != 0) {
        gl_PrintFunc("%s: sio_send_data failed, sendPacket = \"%s\", nbytes = %d\n",
                     "wm_comm_write", command, count);
        return ERR_WM_COMM;
    }
    if (sio_send_data(*handle, &WM_COMMAND_END, 1, &written) != 0) {
        gl_PrintFunc("%s: sio_send_data failed, nbytes = 1\n", "wm_comm_write");
        return ERR_WM_COMM;
    }
    return NO_ERROR;
}
