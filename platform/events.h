// Events: process-local signal objects, optionally found by name.
//
// A manual-reset event stays signalled until it is reset; an automatic-reset
// event is reset by the wait that it releases, so it releases one waiter per
// set. Creating an event under a name that is already in use in this process
// opens that event instead (its reset kind and state stay as they are). Other
// processes do not see these names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

struct event_object;
// An open event; null when none.
using event_handle = event_object*;

// Time-out of the waits, in milliseconds; kWaitForever waits without limit.
inline constexpr int64_t kWaitForever = -1;

enum class wait_result { signalled, timed_out, failed };

// Creates an event, or opens the existing one of that name. name may be null
// for an unnamed event. existed, when given, tells whether it was opened.
// Null on failure.
event_handle create_event(const char* name, bool manual_reset, bool initially_set,
                          bool* existed = nullptr);

// Releases the handle; the event ends with its last handle, and its name is
// free again. False for a null handle.
bool close_event(event_handle event);

bool set_event(event_handle event);
bool reset_event(event_handle event);

// Waits until the event is signalled or timeout_ms has passed (0 only tests
// it). Fails for a null handle.
wait_result wait_event(event_handle event, int64_t timeout_ms);

// The result of wait_any when no event was signalled in time, or on failure.
inline constexpr int kWaitAnyTimedOut = -1;
inline constexpr int kWaitAnyFailed = -2;

// Waits for the first of count events (at least one, none null) to be
// signalled, or until timeout_ms has passed. Returns the index of the
// signalled event, the lowest when several are, after releasing it as a
// single wait would; otherwise kWaitAnyTimedOut or kWaitAnyFailed.
int wait_any(const event_handle* events, size_t count, int64_t timeout_ms);

}  // namespace plat
