// The device-control record on Windows: the portable record is the DCB field
// for field, fetched with GetCommState and written with SetCommState, which
// also holds the fields the line itself does not use. Fields a driver does
// not take as written are kept here and read back as written, except the
// rate: a rate the driver does not run is refused.
#include <mutex>
#include <unordered_map>

#include "platform/serial_port.h"
#include "platform/win32/serial_kept.h"
#include "platform/win32/windows_api.h"

namespace plat {

// The portable codes are the system's own.
static_assert(kParityNone == NOPARITY && kParityOdd == ODDPARITY && kParityEven == EVENPARITY &&
              kParityMark == MARKPARITY && kParitySpace == SPACEPARITY);
static_assert(kOneStopBit == ONESTOPBIT && kOneAndHalfStopBits == ONE5STOPBITS &&
              kTwoStopBits == TWOSTOPBITS);
static_assert(kDtrControlDisable == DTR_CONTROL_DISABLE &&
              kDtrControlEnable == DTR_CONTROL_ENABLE &&
              kDtrControlHandshake == DTR_CONTROL_HANDSHAKE);
static_assert(kRtsControlDisable == RTS_CONTROL_DISABLE &&
              kRtsControlEnable == RTS_CONTROL_ENABLE &&
              kRtsControlHandshake == RTS_CONTROL_HANDSHAKE &&
              kRtsControlToggle == RTS_CONTROL_TOGGLE);

namespace {

// The same checks as on every backend, so a record is refused alike
// everywhere; the driver then refuses what its hardware cannot do.
bool valid(const serial_control& control) {
    if (control.byte_size < 5 || control.byte_size > 8) return false;
    if (control.parity > kParitySpace || control.stop_bits > kTwoStopBits) return false;
    if (control.dtr_control > kDtrControlHandshake) return false;
    if (control.rts_control > kRtsControlToggle) return false;
    if ((control.in_x || control.out_x) && control.xon_char == control.xoff_char) return false;
    return true;
}

struct kept_record {
    serial_control written;
    serial_control held;  // as the driver reported it right after the write
};

// Shared by a port's owner and the device manager's polling thread.
struct kept_table {
    std::mutex lock;
    std::unordered_map<port_handle, kept_record> ports;
};

// Each listed field the driver did not hold as written is reported as written.
template <typename... Fields>
void keep_unheld(const kept_record& k, serial_control* control, Fields... fields) {
    ((k.held.*fields != k.written.*fields ? void(control->*fields = k.written.*fields) : void()),
     ...);
}

kept_table& kept() {
    static auto* table = new kept_table;  // outlives threads still polling at exit
    return *table;
}

bool read_control(port_handle port, serial_control* control) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(win32::to_handle(port), &dcb)) return false;
    control->baud_rate = dcb.BaudRate;
    control->binary = dcb.fBinary != 0;
    control->parity_check = dcb.fParity != 0;
    control->outx_cts_flow = dcb.fOutxCtsFlow != 0;
    control->outx_dsr_flow = dcb.fOutxDsrFlow != 0;
    control->dtr_control = static_cast<uint8_t>(dcb.fDtrControl);
    control->dsr_sensitivity = dcb.fDsrSensitivity != 0;
    control->tx_continue_on_xoff = dcb.fTXContinueOnXoff != 0;
    control->out_x = dcb.fOutX != 0;
    control->in_x = dcb.fInX != 0;
    control->error_char_on = dcb.fErrorChar != 0;
    control->null_strip = dcb.fNull != 0;
    control->rts_control = static_cast<uint8_t>(dcb.fRtsControl);
    control->abort_on_error = dcb.fAbortOnError != 0;
    control->xon_limit = dcb.XonLim;
    control->xoff_limit = dcb.XoffLim;
    control->byte_size = dcb.ByteSize;
    control->parity = dcb.Parity;
    control->stop_bits = dcb.StopBits;
    control->xon_char = dcb.XonChar;
    control->xoff_char = dcb.XoffChar;
    control->error_char = dcb.ErrorChar;
    control->eof_char = dcb.EofChar;
    control->event_char = dcb.EvtChar;
    return true;
}

}  // namespace

namespace win32 {

void keep_control(port_handle port, const serial_control& written, const serial_control& held) {
    kept_table& table = kept();
    const std::lock_guard<std::mutex> guard(table.lock);
    table.ports.insert_or_assign(port, kept_record{written, held});
}

void apply_kept_control(port_handle port, serial_control* control) {
    kept_table& table = kept();
    const std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.ports.find(port);
    if (found == table.ports.end()) return;
    const kept_record& k = found->second;
    using c = serial_control;
    keep_unheld(k, control, &c::baud_rate, &c::binary, &c::parity_check, &c::outx_cts_flow,
                &c::outx_dsr_flow, &c::dtr_control, &c::dsr_sensitivity, &c::tx_continue_on_xoff,
                &c::out_x, &c::in_x, &c::error_char_on, &c::null_strip, &c::rts_control,
                &c::abort_on_error, &c::xon_limit, &c::xoff_limit, &c::byte_size, &c::parity,
                &c::stop_bits, &c::xon_char, &c::xoff_char, &c::error_char, &c::eof_char,
                &c::event_char);
}

void forget_kept_control(port_handle port) {
    kept_table& table = kept();
    const std::lock_guard<std::mutex> guard(table.lock);
    table.ports.erase(port);
}

}  // namespace win32

bool serial_get_control(port_handle port, serial_control* control) {
    if (control == nullptr || port == kInvalidPort || !read_control(port, control)) return false;
    win32::apply_kept_control(port, control);
    return true;
}

bool serial_set_control(port_handle port, const serial_control& control) {
    if (port == kInvalidPort || !valid(control)) return false;
    HANDLE handle = win32::to_handle(port);
    // Fetched first, so that the fields the record does not carry keep
    // their values.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) return false;
    DCB before = dcb;
    dcb.BaudRate = control.baud_rate;
    dcb.fBinary = control.binary;
    dcb.fParity = control.parity_check;
    dcb.fOutxCtsFlow = control.outx_cts_flow;
    dcb.fOutxDsrFlow = control.outx_dsr_flow;
    dcb.fDtrControl = control.dtr_control & 3u;
    dcb.fDsrSensitivity = control.dsr_sensitivity;
    dcb.fTXContinueOnXoff = control.tx_continue_on_xoff;
    dcb.fOutX = control.out_x;
    dcb.fInX = control.in_x;
    dcb.fErrorChar = control.error_char_on;
    dcb.fNull = control.null_strip;
    dcb.fRtsControl = control.rts_control & 3u;
    dcb.fAbortOnError = control.abort_on_error;
    dcb.XonLim = control.xon_limit;
    dcb.XoffLim = control.xoff_limit;
    dcb.ByteSize = control.byte_size;
    dcb.Parity = control.parity;
    dcb.StopBits = control.stop_bits;
    dcb.XonChar = control.xon_char;
    dcb.XoffChar = control.xoff_char;
    dcb.ErrorChar = control.error_char;
    dcb.EofChar = control.eof_char;
    dcb.EvtChar = control.event_char;
    if (!::SetCommState(handle, &dcb)) return false;
    serial_control held{};
    if (!read_control(port, &held)) return true;
    // A rate the driver did not take is refused, and the line goes back to
    // what it was; Windows' own drivers refuse it in SetCommState already.
    if (held.baud_rate != control.baud_rate) {
        ::SetCommState(handle, &before);
        return false;
    }
    win32::keep_control(port, control, held);
    return true;
}

}  // namespace plat
