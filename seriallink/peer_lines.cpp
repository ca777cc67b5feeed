// The line set-ups of the library's serial peers, applied after sio_open.
#include "errors/errors.h"
#include "seriallink/seriallink.h"

namespace {

// 8-N-1 at the given rate, XON/XOFF set up and then switched off.
int32_t plain_line(plat::port_handle port, int32_t baud) {
    int32_t result = sio_init_xonxoff(port, nullptr);
    if (result == NO_ERROR) result = sio_set_baud(port, baud);
    return result;
}

}  // namespace

int32_t sio_setup_peer_line(plat::port_handle port, sio_peer_line line) {
    int32_t result = NO_ERROR;
    switch (line) {
        case SIO_LINE_INSTRUMENT_BOARD:
            result = plain_line(port, 38400);
            break;
        case SIO_LINE_WAVE_MONITOR:
            result = plain_line(port, 115200);
            if (result == NO_ERROR) result = sio_set_parity(port, 0);
            break;
        case SIO_LINE_TEMP_SENSOR:
            result = plain_line(port, 9600);
            if (result == NO_ERROR) result = sio_set_parity(port, 2);
            if (result == NO_ERROR) result = sio_set_data_bits(port, 7);
            break;
        case SIO_LINE_LLC:
        case SIO_LINE_LLC_LONG_TIMEOUT:
            result = plain_line(port, 9600);
            break;
        case SIO_LINE_POSITION_INSTRUMENT:
            result = sio_init(port, nullptr, 0);
            if (result == NO_ERROR) result = sio_set_baud(port, 115200);
            if (result == NO_ERROR) result = sio_set_parity(port, 0);
            if (result == NO_ERROR) result = sio_set_data_bits(port, 8);
            return result;
        default:
            return ERR_INVALID_PARAM;
    }
    if (result == NO_ERROR) result = sio_xonxoff_off(port);
    if (result == NO_ERROR && line == SIO_LINE_LLC_LONG_TIMEOUT) result = sio_set_timeout(port, 40);
    return result;
}
