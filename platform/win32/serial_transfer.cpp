// Reads and writes under the port's time-out record on Windows: the record
// is the driver's COMMTIMEOUTS, and ReadFile and WriteFile keep to it
// themselves.
#include "platform/serial_port.h"
#include "platform/win32/windows_api.h"

namespace plat {

static_assert(kTimeoutMax == MAXDWORD);

bool serial_get_timeouts(port_handle port, serial_timeouts* timeouts) {
    if (timeouts == nullptr || port == kInvalidPort) return false;
    COMMTIMEOUTS record{};
    if (!::GetCommTimeouts(win32::to_handle(port), &record)) return false;
    timeouts->read_interval = record.ReadIntervalTimeout;
    timeouts->read_total_multiplier = record.ReadTotalTimeoutMultiplier;
    timeouts->read_total_constant = record.ReadTotalTimeoutConstant;
    timeouts->write_total_multiplier = record.WriteTotalTimeoutMultiplier;
    timeouts->write_total_constant = record.WriteTotalTimeoutConstant;
    return true;
}

bool serial_set_timeouts(port_handle port, const serial_timeouts& timeouts) {
    if (port == kInvalidPort) return false;
    COMMTIMEOUTS record{};
    record.ReadIntervalTimeout = timeouts.read_interval;
    record.ReadTotalTimeoutMultiplier = timeouts.read_total_multiplier;
    record.ReadTotalTimeoutConstant = timeouts.read_total_constant;
    record.WriteTotalTimeoutMultiplier = timeouts.write_total_multiplier;
    record.WriteTotalTimeoutConstant = timeouts.write_total_constant;
    return ::SetCommTimeouts(win32::to_handle(port), &record) != 0;
}

bool serial_read(port_handle port, void* buffer, uint32_t count, uint32_t* count_read) {
    if (count_read != nullptr) *count_read = 0;
    if (port == kInvalidPort || (buffer == nullptr && count > 0)) return false;
    DWORD got = 0;
    const BOOL ok = ::ReadFile(win32::to_handle(port), buffer, count, &got, nullptr);
    if (count_read != nullptr) *count_read = got;
    return ok != 0;
}

bool serial_write(port_handle port, const void* bytes, uint32_t count, uint32_t* count_written) {
    if (count_written != nullptr) *count_written = 0;
    if (port == kInvalidPort || (bytes == nullptr && count > 0)) return false;
    DWORD sent = 0;
    const BOOL ok = ::WriteFile(win32::to_handle(port), bytes, count, &sent, nullptr);
    if (count_written != nullptr) *count_written = sent;
    return ok != 0;
}

}  // namespace plat
