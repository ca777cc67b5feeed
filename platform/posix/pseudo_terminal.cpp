// Pseudo-terminal pairs on POSIX. The peer keeps a handle on the device side
// open so that the device lives while the port under test is closed and
// reopened, and so that the peer never reads a hang-up in between.
#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace plat {
namespace {

bool to_fd(port_handle port, int* fd) {
    if (port < 0 || port > INT32_MAX) return false;
    *fd = static_cast<int>(port);
    return true;
}

bool make_device_raw(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return false;
    ::cfmakeraw(&settings);
    settings.c_cflag |= static_cast<tcflag_t>(CREAD | CLOCAL);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetospeed(&settings, B9600) != 0 || ::cfsetispeed(&settings, B9600) != 0) return false;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Whether the device side keeps a byte size and parity once set.
bool holds_framing(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return false;
    termios probe = settings;
    probe.c_cflag = (probe.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB;
    if (::tcsetattr(fd, TCSANOW, &probe) != 0) return false;
    termios seen{};
    const bool held = ::tcgetattr(fd, &seen) == 0 && (seen.c_cflag & CSIZE) == CS7 &&
                      (seen.c_cflag & PARENB) != 0;
    ::tcsetattr(fd, TCSANOW, &settings);
    return held;
}

uint32_t baud_of(speed_t code) {
    struct entry {
        speed_t code;
        uint32_t baud;
    };
    static constexpr entry kRates[] = {
        {B50, 50},       {B75, 75},         {B110, 110},      {B134, 134},     {B150, 150},
        {B200, 200},     {B300, 300},       {B600, 600},      {B1200, 1200},   {B1800, 1800},
        {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200}, {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    for (const entry& e : kRates) {
        if (e.code == code) return e.baud;
    }
    return 0;
}

}  // namespace

bool pty_open(pty_pair* pair) {
    if (pair == nullptr) return false;
    *pair = pty_pair{};
    const int peer = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (peer < 0) return false;
    char path[sizeof pair->device_path];
    if (::grantpt(peer) != 0 || ::unlockpt(peer) != 0 ||
        ::ptsname_r(peer, path, sizeof path) != 0) {
        ::close(peer);
        return false;
    }
    const int anchor = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (anchor < 0 || !make_device_raw(anchor)) {
        if (anchor >= 0) ::close(anchor);
        ::close(peer);
        return false;
    }
    pair->holds_framing = holds_framing(anchor);
    pair->peer = peer;
    pair->anchor = anchor;
    std::snprintf(pair->device_path, sizeof pair->device_path, "%s", path);
    return true;
}

void pty_close(pty_pair* pair) {
    if (pair == nullptr) return;
    int fd = -1;
    if (to_fd(pair->anchor, &fd)) ::close(fd);
    if (to_fd(pair->peer, &fd)) ::close(fd);
    *pair = pty_pair{};
}

int64_t pty_read(port_handle peer, void* buffer, size_t size, int wait_ms) {
    int fd = -1;
    if (!to_fd(peer, &fd) || buffer == nullptr) return -1;
    pollfd entry{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, wait_ms);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    if (ready == 0) return 0;
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return n;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

int64_t pty_write(port_handle peer, const void* bytes, size_t size) {
    int fd = -1;
    if (!to_fd(peer, &fd) || (bytes == nullptr && size > 0)) return -1;
    const ssize_t n = ::write(fd, bytes, size);
    if (n >= 0) return n;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

bool pty_get_line_settings(const pty_pair& pair, pty_line_settings* settings) {
    int fd = -1;
    if (settings == nullptr || !to_fd(pair.peer, &fd)) return false;
    // On the driving side the terminal requests act on the device side.
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    settings->baud = baud_of(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            settings->data_bits = 5;
            break;
        case CS6:
            settings->data_bits = 6;
            break;
        case CS7:
            settings->data_bits = 7;
            break;
        default:
            settings->data_bits = 8;
            break;
    }
    const bool odd = (t.c_cflag & PARODD) != 0;
    bool stick = false;
#ifdef CMSPAR
    stick = (t.c_cflag & CMSPAR) != 0;
#endif
    if ((t.c_cflag & PARENB) == 0) {
        settings->parity = 'N';
    } else if (stick) {
        settings->parity = odd ? 'M' : 'S';
    } else {
        settings->parity = odd ? 'O' : 'E';
    }
    settings->parity_check = (t.c_iflag & INPCK) != 0;
    settings->stop_bits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    settings->xon_xoff_out = (t.c_iflag & IXON) != 0;
    settings->xon_xoff_in = (t.c_iflag & IXOFF) != 0;
    settings->cts_flow = (t.c_cflag & CRTSCTS) != 0;
    settings->xon_char = t.c_cc[VSTART];
    settings->xoff_char = t.c_cc[VSTOP];
    settings->raw = (t.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (t.c_oflag & OPOST) == 0;
    settings->framing_known = pair.holds_framing;
    return true;
}

}  // namespace plat
