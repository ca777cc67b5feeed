// The clear-error status query of a serial port on POSIX. A tty has no latched
// error state to clear; the queue counts come from FIONREAD and TIOCOUTQ.
#include <sys/ioctl.h>
#include <termios.h>

#include "platform/serial_port.h"

namespace plat {

bool serial_clear_error(port_handle port, comm_status* status) {
    if (port < 0) return false;
    const int fd = static_cast<int>(port);
    int in = 0;
    int out = 0;
    if (::ioctl(fd, FIONREAD, &in) != 0) return false;
    if (::ioctl(fd, TIOCOUTQ, &out) != 0) out = 0;
    if (status != nullptr) {
        status->errors = 0;
        status->in_queue = static_cast<uint32_t>(in < 0 ? 0 : in);
        status->out_queue = static_cast<uint32_t>(out < 0 ? 0 : out);
    }
    return true;
}

}  // namespace plat
