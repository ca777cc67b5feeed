// Opening and closing serial ports on POSIX, and the per-port operations that
// need no time-outs: event mask, queue sizes, purge and DTR.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/serial_registry.h"
#include "platform/serial_port.h"

namespace plat {
namespace {

bool to_fd(port_handle port, int* fd) {
    if (port < 0 || port > INT32_MAX) return false;
    *fd = static_cast<int>(port);
    return true;
}

bool is_port(port_handle port) {
    int fd = -1;
    return to_fd(port, &fd) && ::isatty(fd) == 1;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The number n of a "COMn" name (1 to 9999, no leading zero), else 0.
int com_number(const char* name) {
    if (lower(name[0]) != 'c' || lower(name[1]) != 'o' || lower(name[2]) != 'm') return 0;
    const char* digits = name + 3;
    if (digits[0] < '1' || digits[0] > '9') return 0;
    int n = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || p - digits >= 4) return 0;
        n = n * 10 + (*p - '0');
    }
    return n;
}

// The terminal becomes a plain byte pipe: no line editing, echo, signals or
// output processing; reads return what is there (time-outs are ours).
void make_raw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXANY | IMAXBEL);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag |= static_cast<tcflag_t>(CREAD | CLOCAL);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &settings);
}

}  // namespace

bool serial_device_path(const char* name, char* path, size_t size) {
    if (name == nullptr || path == nullptr || size == 0) return false;
    const char* device_prefix = "\\\\.\\";
    const char* bare = std::strncmp(name, device_prefix, 4) == 0 ? name + 4 : name;
    const int n = com_number(bare);
    const int written = n > 0 ? std::snprintf(path, size, "/dev/ttyS%d", n - 1)
                              : std::snprintf(path, size, "%s", name);
    return written >= 0 && static_cast<size_t>(written) < size;
}

port_handle serial_open(const char* name) {
    char path[4096];
    if (!serial_device_path(name, path, sizeof path)) return kInvalidPort;
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kInvalidPort;
    // Keep other openers out: flock holds even against root, TIOCEXCL also
    // against programs that do not take the lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return kInvalidPort;
    }
    if (::isatty(fd) == 1) {
        ::ioctl(fd, TIOCEXCL);
        make_raw(fd);
    }
    posix_serial::register_port(fd);
    posix_serial::take_line_errors(fd, true);
    return fd;
}

bool serial_set_event_mask(port_handle port, uint32_t events) {
    if (!is_port(port)) return false;
    posix_serial::change_state(static_cast<int>(port),
                               [&](posix_serial::port_state& state) { state.event_mask = events; });
    return true;
}

bool serial_setup_queues(port_handle port, uint32_t in_size, uint32_t out_size) {
    if (!is_port(port)) return false;
    posix_serial::change_state(static_cast<int>(port), [&](posix_serial::port_state& state) {
        state.in_queue_size = in_size;
        state.out_queue_size = out_size;
    });
    return true;
}

bool serial_purge(port_handle port, uint32_t flags) {
    constexpr uint32_t all = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;
    if (flags == 0 || (flags & ~all) != 0 || !is_port(port)) return false;
    // Transfers are synchronous, so there is nothing pending to abort.
    const bool in = (flags & kPurgeRxClear) != 0;
    const bool out = (flags & kPurgeTxClear) != 0;
    if (!in && !out) return true;
    const int queue = in && out ? TCIOFLUSH : (in ? TCIFLUSH : TCOFLUSH);
    return ::tcflush(static_cast<int>(port), queue) == 0;
}

bool serial_set_dtr(port_handle port, bool raised) {
    int fd = -1;
    if (!to_fd(port, &fd)) return false;
    int bits = TIOCM_DTR;
    return ::ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool serial_close(port_handle port) {
    int fd = -1;
    if (!to_fd(port, &fd)) return false;
    if (::fcntl(fd, F_GETFD) < 0) return false;
    posix_serial::forget_port(fd);
    // The pseudo-terminal's other side may keep the device alive; the
    // exclusive flag would then lock out the next opener.
    if (::isatty(fd) == 1) ::ioctl(fd, TIOCNXCL);
    // On Linux the descriptor is released whatever close reports.
    return ::close(fd) == 0 || errno != EBADF;
}

}  // namespace plat
