// The clear-error status query of a serial port on POSIX. The queue counts
// come from FIONREAD and TIOCOUTQ. A tty has no latched error state; where the
// driver counts line errors (TIOCGICOUNT) the errors are those counted since
// the previous query, which this query acknowledges.
#include <sys/ioctl.h>
#include <termios.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "platform/posix/serial_registry.h"
#include "platform/serial_port.h"

namespace plat {
namespace posix_serial {
namespace {

bool read_counters(int fd, line_counters* counters) {
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct icount{};
    if (::ioctl(fd, TIOCGICOUNT, &icount) != 0) return false;
    counters->frame = icount.frame;
    counters->overrun = icount.overrun;
    counters->parity = icount.parity;
    counters->brk = icount.brk;
    counters->buf_overrun = icount.buf_overrun;
    return true;
#else
    (void)fd;
    (void)counters;
    return false;
#endif
}

uint32_t error_bits(const line_counters& now, const line_counters& before) {
    uint32_t bits = 0;
    if (now.buf_overrun != before.buf_overrun) bits |= kCommErrorRxOver;
    if (now.overrun != before.overrun) bits |= kCommErrorOverrun;
    if (now.parity != before.parity) bits |= kCommErrorParity;
    if (now.frame != before.frame) bits |= kCommErrorFrame;
    if (now.brk != before.brk) bits |= kCommErrorBreak;
    return bits;
}

}  // namespace

uint32_t take_line_errors(int fd, bool acknowledge) {
    if (!load_state(fd).counters_supported) return 0;
    line_counters now;
    if (!read_counters(fd, &now)) {
        change_registered(fd, [](port_state& state) { state.counters_supported = false; });
        return 0;
    }
    uint32_t bits = 0;
    change_registered(fd, [&](port_state& state) {
        bits = error_bits(now, state.acknowledged);
        if (acknowledge) state.acknowledged = now;
    });
    return bits;
}

}  // namespace posix_serial

bool serial_clear_error(port_handle port, comm_status* status) {
    if (port < 0 || port > INT32_MAX) return false;
    const int fd = static_cast<int>(port);
    int in = 0;
    int out = 0;
    if (::ioctl(fd, FIONREAD, &in) != 0) return false;
    if (::ioctl(fd, TIOCOUTQ, &out) != 0) out = 0;
    const uint32_t errors = posix_serial::take_line_errors(fd, true);
    if (status != nullptr) {
        status->errors = errors;
        status->in_queue = static_cast<uint32_t>(in < 0 ? 0 : in);
        status->out_queue = static_cast<uint32_t>(out < 0 ? 0 : out);
    }
    return true;
}

}  // namespace plat
