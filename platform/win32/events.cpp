// Events on Windows: the system's event objects (CreateEventA, SetEvent,
// ResetEvent, WaitForMultipleObjects). Their names live in the session's
// namespace, so each name is taken under a prefix with this process's number,
// which keeps it from every other process as the interface promises.
#include "platform/events.h"

#include <new>
#include <string>

#include "platform/win32/windows_api.h"

namespace plat {
namespace {

HANDLE to_handle(event_handle event) {
    return reinterpret_cast<HANDLE>(event);
}

// "Local\gridtext-events.<process>.<name>"; the name's backslashes, which
// the namespace would take as folders, are written as %5C (and % as %25).
std::string system_name(const char* name) {
    std::string text = "Local\\gridtext-events." + std::to_string(::GetCurrentProcessId()) + ".";
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\') {
            text += "%5C";
        } else if (*p == '%') {
            text += "%25";
        } else {
            text += *p;
        }
    }
    return text;
}

// WaitForMultipleObjects takes at most INFINITE - 1 milliseconds; longer
// waits are made of several.
constexpr int64_t kLongestWait = INFINITE - 1;

}  // namespace

event_handle create_event(const char* name, bool manual_reset, bool initially_set, bool* existed) {
    const bool named = name != nullptr && name[0] != '\0';
    HANDLE event = nullptr;
    try {
        const std::string full_name = named ? system_name(name) : std::string();
        event = ::CreateEventA(nullptr, manual_reset ? TRUE : FALSE, initially_set ? TRUE : FALSE,
                               named ? full_name.c_str() : nullptr);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (event == nullptr) return nullptr;
    if (existed != nullptr) *existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return reinterpret_cast<event_handle>(event);
}

bool close_event(event_handle event) {
    return event != nullptr && ::CloseHandle(to_handle(event)) != 0;
}

bool set_event(event_handle event) {
    return event != nullptr && ::SetEvent(to_handle(event)) != 0;
}

bool reset_event(event_handle event) {
    return event != nullptr && ::ResetEvent(to_handle(event)) != 0;
}

int wait_any(const event_handle* events, size_t count, int64_t timeout_ms) {
    if (events == nullptr || count == 0 || count > MAXIMUM_WAIT_OBJECTS) return kWaitAnyFailed;
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (size_t i = 0; i < count; ++i) {
        if (events[i] == nullptr) return kWaitAnyFailed;
        handles[i] = to_handle(events[i]);
    }
    const auto handle_count = static_cast<DWORD>(count);
    const bool forever = timeout_ms < 0;
    int64_t left = forever ? 0 : timeout_ms;
    for (;;) {
        const int64_t step = left < kLongestWait ? left : kLongestWait;
        const DWORD wait = forever ? INFINITE : static_cast<DWORD>(step);
        // Not all: the lowest signalled index is returned, and only that
        // event is released.
        const DWORD result = ::WaitForMultipleObjects(handle_count, handles, FALSE, wait);
        if (result < WAIT_OBJECT_0 + handle_count) return static_cast<int>(result - WAIT_OBJECT_0);
        if (result != WAIT_TIMEOUT) return kWaitAnyFailed;
        left -= step;
        if (!forever && left <= 0) return kWaitAnyTimedOut;
    }
}

wait_result wait_event(event_handle event, int64_t timeout_ms) {
    const int result = wait_any(&event, 1, timeout_ms);
    if (result == 0) return wait_result::signalled;
    if (result == kWaitAnyTimedOut) return wait_result::timed_out;
    return wait_result::failed;
}

}  // namespace plat
