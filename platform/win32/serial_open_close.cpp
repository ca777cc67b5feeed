// Opening and closing serial ports on Windows, and the per-port operations
// that need no time-outs: CreateFileA, SetCommMask, SetupComm, PurgeComm,
// EscapeCommFunction and CloseHandle.
//
// The invalid handle is refused before any call: its bits are also those of
// the current-process pseudo-handle, which CloseHandle would accept.
#include <cstdio>
#include <cstring>

#include "platform/serial_port.h"
#include "platform/win32/serial_kept.h"
#include "platform/win32/windows_api.h"

namespace plat {

// The portable flags are the system's own.
static_assert(kPurgeTxAbort == PURGE_TXABORT && kPurgeRxAbort == PURGE_RXABORT &&
              kPurgeTxClear == PURGE_TXCLEAR && kPurgeRxClear == PURGE_RXCLEAR);
static_assert(kEventRxChar == EV_RXCHAR);

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether a name is "COMn" with n from 1 to 9999 and no leading zero.
bool is_com_name(const char* name) {
    if (lower(name[0]) != 'c' || lower(name[1]) != 'o' || lower(name[2]) != 'm') return false;
    const char* digits = name + 3;
    if (digits[0] < '1' || digits[0] > '9') return false;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || p - digits >= 4) return false;
    }
    return true;
}

}  // namespace

bool serial_device_path(const char* name, char* path, size_t size) {
    if (name == nullptr || path == nullptr || size == 0) return false;
    // Only COM1 to COM9 have a plain name in every namespace; the device
    // name reaches every port.
    const char* device_prefix = "\\\\.\\";
    const char* bare = std::strncmp(name, device_prefix, 4) == 0 ? name + 4 : name;
    const int written = is_com_name(bare) ? std::snprintf(path, size, "%s%s", device_prefix, bare)
                                          : std::snprintf(path, size, "%s", name);
    return written >= 0 && static_cast<size_t>(written) < size;
}

port_handle serial_open(const char* name) {
    char path[MAX_PATH];
    if (!serial_device_path(name, path, sizeof path)) return kInvalidPort;
    // No sharing: the port is kept from every other opener.
    HANDLE handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return kInvalidPort;
    const port_handle port = win32::from_handle(handle);
    win32::forget_kept_control(port);  // left by an earlier port with this handle
    return port;
}

bool serial_set_event_mask(port_handle port, uint32_t events) {
    return port != kInvalidPort && ::SetCommMask(win32::to_handle(port), events) != 0;
}

bool serial_setup_queues(port_handle port, uint32_t in_size, uint32_t out_size) {
    return port != kInvalidPort && ::SetupComm(win32::to_handle(port), in_size, out_size) != 0;
}

bool serial_purge(port_handle port, uint32_t flags) {
    constexpr uint32_t all = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;
    if (flags == 0 || (flags & ~all) != 0 || port == kInvalidPort) return false;
    return ::PurgeComm(win32::to_handle(port), flags) != 0;
}

bool serial_set_dtr(port_handle port, bool raised) {
    if (port == kInvalidPort) return false;
    return ::EscapeCommFunction(win32::to_handle(port), raised ? SETDTR : CLRDTR) != 0;
}

bool serial_close(port_handle port) {
    if (port == kInvalidPort) return false;
    win32::forget_kept_control(port);
    return ::CloseHandle(win32::to_handle(port)) != 0;
}

}  // namespace plat
