#include "seriallink/byte_reads.h"

#include "errors/errors.h"
#include "seriallink/seriallink.h"

bool sio_read_one(plat::port_handle port, uint8_t* byte) {
    uint32_t got = 0;
    return sio_read_data(port, byte, 1, &got) == 0 && got == 1;
}

int32_t sio_read_first_byte(plat::port_handle port, int32_t wait_s, uint8_t* byte, bool* came) {
    *came = false;
    int32_t saved = 0;
    int32_t code = sio_get_timeout(port, &saved);
    if (code != NO_ERROR) return code;
    if (wait_s != saved) {
        code = sio_set_timeout(port, wait_s);
        if (code != NO_ERROR) return code;
    }
    *came = sio_read_one(port, byte);
    // Nothing better to do than go on when the old time-out cannot be put back.
    if (wait_s != saved) sio_set_timeout(port, saved);
    return NO_ERROR;
}
