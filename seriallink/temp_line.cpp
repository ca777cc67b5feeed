// The temperature sensor's line: opening and closing.
#include "errors/errors.h"
#include "seriallink/seriallink.h"

int32_t temp_comm_open(plat::port_handle* handle, const char* port_name) {
    if (handle == nullptr || port_name == nullptr) return ERR_INVALID_PARAM;
    int32_t code = sio_open(port_name, handle);
    if (code == NO_ERROR) code = sio_setup_peer_line(*handle, SIO_LINE_TEMP_SENSOR);
    if (code == NO_ERROR) return NO_ERROR;
    gl_PrintFunc("temp_comm_open: error initializing device %s: %s\n", port_name, u_err_name(code));
    if (code != ERR_CANT_OPEN_SERIAL) sio_close(handle);
    return ERR_TEMP_SENSOR_COMM;
}

int32_t temp_comm_close(plat::port_handle* handle) {
    if (handle == nullptr) return NO_ERROR;
    const int32_t code = sio_close(handle);
    if (code == NO_ERROR) return NO_ERROR;
    gl_PrintFunc("temp_comm_close: sio_close failed: %s\n", u_err_name(code));
    return ERR_TEMP_SENSOR_COMM;
}
