// Reads and writes under the port's time-out record on POSIX. The descriptor
// is non-blocking; poll() waits for the total deadline, and once a byte has
// come for the gap allowed after it, so the record's figures hold exactly.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>

#include "platform/posix/serial_registry.h"
#include "platform/serial_port.h"

namespace plat {
namespace {

constexpr int64_t kForever = -1;

int64_t now_ms() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool to_fd(port_handle port, int* fd) {
    if (port < 0 || port > INT32_MAX) return false;
    *fd = static_cast<int>(port);
    return true;
}

enum class readiness { ready, timed_out, failed };

// Waits for the descriptor to become ready. wait_ms is kForever or a number
// of milliseconds (0: just look). A hung-up or broken line is a failure.
readiness wait_ready(int fd, short events, int64_t wait_ms) {
    pollfd entry{fd, events, 0};
    const int timeout = wait_ms < 0 ? -1 : static_cast<int>(wait_ms > INT_MAX ? INT_MAX : wait_ms);
    for (;;) {
        entry.revents = 0;
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) {
            if ((entry.revents & events) != 0) return readiness::ready;
            return readiness::failed;
        }
        if (ready == 0) return readiness::timed_out;
        if (errno != EINTR) return readiness::failed;
    }
}

// Time left until a deadline (kForever for none), never negative.
int64_t left_until(int64_t deadline, int64_t now) {
    if (deadline == kForever) return kForever;
    return deadline > now ? deadline - now : 0;
}

int64_t earlier(int64_t a, int64_t b) {
    if (a == kForever) return b;
    if (b == kForever) return a;
    return a < b ? a : b;
}

// One non-blocking read; returns bytes read, 0 when nothing is waiting (a
// raw terminal with no minimum count reads 0 then), -1 on a failed line.
int64_t read_some(int fd, unsigned char* buffer, uint32_t count) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, count);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
    }
}

bool blocked_by_errors(int fd, const posix_serial::port_state& state) {
    return state.kept.abort_on_error && posix_serial::take_line_errors(fd, false) != 0;
}

}  // namespace

bool serial_get_timeouts(port_handle port, serial_timeouts* timeouts) {
    int fd = -1;
    if (timeouts == nullptr || !to_fd(port, &fd) || ::isatty(fd) != 1) return false;
    *timeouts = posix_serial::load_state(fd).timeouts;
    return true;
}

bool serial_set_timeouts(port_handle port, const serial_timeouts& timeouts) {
    int fd = -1;
    if (!to_fd(port, &fd) || ::isatty(fd) != 1) return false;
    posix_serial::change_state(fd,
                               [&](posix_serial::port_state& state) { state.timeouts = timeouts; });
    return true;
}

bool serial_read(port_handle port, void* buffer, uint32_t count, uint32_t* count_read) {
    if (count_read != nullptr) *count_read = 0;
    int fd = -1;
    if (!to_fd(port, &fd) || (buffer == nullptr && count > 0)) return false;
    const posix_serial::port_state state = posix_serial::load_state(fd);
    if (blocked_by_errors(fd, state)) return false;
    auto* bytes = static_cast<unsigned char*>(buffer);
    const serial_timeouts& t = state.timeouts;

    // Return at once with what is waiting.
    const bool at_once = t.read_interval == kTimeoutMax && t.read_total_multiplier == 0 &&
                         t.read_total_constant == 0;
    // Wait up to the constant for a first byte, then return what is waiting.
    const bool first_byte_only = t.read_interval == kTimeoutMax &&
                                 t.read_total_multiplier == kTimeoutMax &&
                                 t.read_total_constant > 0 && t.read_total_constant < kTimeoutMax;

    const int64_t start = now_ms();
    uint32_t got = 0;
    bool ok = true;
    if (at_once || first_byte_only) {
        if (count > 0) {
            int64_t n = read_some(fd, bytes, count);
            if (n == 0 && first_byte_only) {
                const readiness r =
                    wait_ready(fd, POLLIN, static_cast<int64_t>(t.read_total_constant));
                n = r == readiness::ready ? read_some(fd, bytes, count)
                                          : (r == readiness::failed ? -1 : 0);
            }
            ok = n >= 0;
            if (n > 0) got = static_cast<uint32_t>(n);
        }
        if (count_read != nullptr) *count_read = got;
        return ok;
    }

    const bool total_used = t.read_total_multiplier != 0 || t.read_total_constant != 0;
    const int64_t deadline = total_used
                                 ? start + static_cast<int64_t>(t.read_total_multiplier) * count +
                                       static_cast<int64_t>(t.read_total_constant)
                                 : kForever;
    int64_t last_byte = 0;
    while (got < count) {
        const int64_t n = read_some(fd, bytes + got, count - got);
        if (n < 0) {
            ok = false;
            break;
        }
        const int64_t now = now_ms();
        if (n > 0) {
            got += static_cast<uint32_t>(n);
            last_byte = now;
            continue;
        }
        int64_t wait = left_until(deadline, now);
        if (t.read_interval != 0 && got > 0) {
            wait = earlier(wait, left_until(last_byte + t.read_interval, now));
        }
        if (wait == 0) break;
        if (wait_ready(fd, POLLIN, wait) == readiness::failed) {
            ok = false;
            break;
        }
    }
    if (count_read != nullptr) *count_read = got;
    return ok;
}

bool serial_write(port_handle port, const void* bytes, uint32_t count, uint32_t* count_written) {
    if (count_written != nullptr) *count_written = 0;
    int fd = -1;
    if (!to_fd(port, &fd) || (bytes == nullptr && count > 0)) return false;
    const posix_serial::port_state state = posix_serial::load_state(fd);
    if (blocked_by_errors(fd, state)) return false;
    const auto* data = static_cast<const unsigned char*>(bytes);
    const serial_timeouts& t = state.timeouts;
    const bool total_used = t.write_total_multiplier != 0 || t.write_total_constant != 0;
    const int64_t deadline =
        total_used ? now_ms() + static_cast<int64_t>(t.write_total_multiplier) * count +
                         static_cast<int64_t>(t.write_total_constant)
                   : kForever;
    uint32_t sent = 0;
    bool ok = true;
    while (sent < count) {
        const ssize_t n = ::write(fd, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            ok = false;
            break;
        }
        const int64_t wait = left_until(deadline, now_ms());
        if (wait == 0) break;
        if (wait_ready(fd, POLLOUT, wait) == readiness::failed) {
            ok = false;
            break;
        }
    }
    if (count_written != nullptr) *count_written = sent;
    return ok;
}

}  // namespace plat
