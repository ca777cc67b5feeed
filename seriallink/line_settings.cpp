// Line set-up: the full set-up of sio_init and the single-field changes.
#include <cstdint>

#include "errors/errors.h"
#include "seriallink/control_update.h"
#include "seriallink/seriallink.h"
#include "seriallink/settings_text.h"
#include "seriallink/wait_bounds.h"

namespace {

// Read: at most 2 s in all, a gap over 100 ms after a byte ends it early.
// Write: at most 1 s.
constexpr plat::serial_timeouts kInitTimeouts = {100, 0, 2000, 0, 1000};

// The defaults or the parsed text, into the fetched record.
int32_t take_line_fields(const char* settings, plat::serial_control* control, bool* silent) {
    *silent = false;
    if (settings == nullptr) {
        seriallink::set_default_line(control);
        return NO_ERROR;
    }
    if (seriallink::is_ignored_settings_text(settings)) {
        gl_PrintFunc("Com Settings Parameter: %s is ignored.\n", settings);
        seriallink::set_default_line(control);
        return NO_ERROR;
    }
    return seriallink::parse_settings_text(settings, control, silent);
}

void set_common_fields(plat::serial_control* control, bool xonxoff) {
    seriallink::set_xonxoff(control, xonxoff);
    control->dtr_control = plat::kDtrControlEnable;
    control->outx_cts_flow = !xonxoff;
    control->rts_control = plat::kRtsControlHandshake;
    control->abort_on_error = !xonxoff;
    control->binary = true;
}

}  // namespace

int32_t sio_init(plat::port_handle port, const char* settings, uint8_t flow_control) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    int32_t result = NO_ERROR;
    bool silent = false;
    plat::serial_control control{};
    if (!plat::serial_get_control(port, &control)) {
        result = ERR_CANT_GET_SERIAL;
    } else {
        result = take_line_fields(settings, &control, &silent);
        if (result == NO_ERROR) {
            set_common_fields(&control, flow_control != 0);
            plat::serial_timeouts timeouts = kInitTimeouts;
            timeouts.read_interval = seriallink::scaled_read_ms(timeouts.read_interval);
            timeouts.read_total_constant = seriallink::scaled_read_ms(timeouts.read_total_constant);
            plat::serial_set_timeouts(port, timeouts);
            result = plat::serial_set_control(port, control) ? NO_ERROR : ERR_CANT_SET_SERIAL;
            plat::serial_set_dtr(port, true);  // fails on lines without modem control
        }
    }
    if (result != NO_ERROR && !silent) {
        gl_PrintFunc("Com Settings Parameter: %s is Invalid.\n",
                     settings != nullptr ? settings : "(none)");
    }
    return result;
}

int32_t sio_init_xonxoff(plat::port_handle port, const char* settings) {
    return sio_init(port, settings, 1);
}

int32_t sio_set_baud(plat::port_handle port, int32_t baud) {
    // Taken as given: a rate the line cannot run gives ERR_CANT_SET_SERIAL.
    return seriallink::update_control(
        port, [baud](plat::serial_control& c) { c.baud_rate = static_cast<uint32_t>(baud); });
}

int32_t sio_set_parity(plat::port_handle port, int32_t parity) {
    return seriallink::update_control(port, [parity](plat::serial_control& c) {
        // A value the byte-wide field cannot hold is kept invalid rather than
        // folded onto a valid parity, so the line refuses it.
        c.parity = parity >= 0 && parity <= 0xFF ? static_cast<uint8_t>(parity) : 0xFF;
        c.parity_check = parity != 0;
    });
}

int32_t sio_set_data_bits(plat::port_handle port, uint8_t data_bits) {
    return seriallink::update_control(
        port, [data_bits](plat::serial_control& c) { c.byte_size = data_bits; });
}

int32_t sio_xonxoff_on(plat::port_handle port) {
    return seriallink::update_control(
        port, [](plat::serial_control& c) { seriallink::set_xonxoff(&c, true); });
}

int32_t sio_xonxoff_off(plat::port_handle port) {
    return seriallink::update_control(
        port, [](plat::serial_control& c) { seriallink::set_xonxoff(&c, false); });
}

int32_t sio_get_state(plat::port_handle port, sio_control* control) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    if (control == nullptr) return ERR_INVALID_PARAM;
    return plat::serial_get_control(port, control) ? NO_ERROR : ERR_CANT_GET_SERIAL;
}

int32_t sio_set_state(plat::port_handle port, const sio_control* control) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    if (control == nullptr) return ERR_INVALID_PARAM;
    return plat::serial_set_control(port, *control) ? NO_ERROR : ERR_CANT_SET_SERIAL;
}
