// Events on POSIX: process-local objects under one registry lock, with one
// condition variable that every change of state wakes.
//
// A single lock and condition variable make waiting for any of several events
// simple and race-free; the library has a handful of events, so waking every
// waiter on each change costs nothing that matters.
#include "platform/events.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

namespace plat {

struct event_object {
    std::string name;  // empty for an unnamed event
    bool manual_reset = false;
    bool signalled = false;
    int handles = 0;  // open handles
    int waits = 0;    // waits in progress; they keep the object alive
};

namespace {

struct event_registry {
    std::mutex lock;
    std::condition_variable changed;
    std::unordered_map<std::string, event_object*> by_name;
};

// Never destroyed: a thread may still wait on an event while the process
// ends, and it must not find the lock gone.
event_registry& registry() {
    static auto* instance = new event_registry;
    return *instance;
}

// Deletes the object once nothing refers to it; the registry lock is held.
void release_if_unused(event_object* event) {
    if (event->handles == 0 && event->waits == 0) delete event;
}

// Waits longer than this are waits without limit (the deadline arithmetic
// would overflow long before).
constexpr int64_t kLongestTimedWait = int64_t{1} << 40;

}  // namespace

event_handle create_event(const char* name, bool manual_reset, bool initially_set, bool* existed) {
    event_registry& reg = registry();
    const std::lock_guard<std::mutex> guard(reg.lock);
    const bool named = name != nullptr && name[0] != '\0';
    if (named) {
        const auto found = reg.by_name.find(name);
        if (found != reg.by_name.end()) {
            ++found->second->handles;
            if (existed != nullptr) *existed = true;
            return found->second;
        }
    }
    auto* event = new (std::nothrow) event_object;
    if (event == nullptr) return nullptr;
    event->manual_reset = manual_reset;
    event->signalled = initially_set;
    event->handles = 1;
    if (named) {
        try {
            event->name = name;
            reg.by_name.emplace(event->name, event);
        } catch (const std::bad_alloc&) {
            delete event;
            return nullptr;
        }
    }
    if (existed != nullptr) *existed = false;
    return event;
}

bool close_event(event_handle event) {
    if (event == nullptr) return false;
    event_registry& reg = registry();
    const std::lock_guard<std::mutex> guard(reg.lock);
    if (event->handles <= 0) return false;
    if (--event->handles == 0 && !event->name.empty()) reg.by_name.erase(event->name);
    release_if_unused(event);
    return true;
}

bool set_event(event_handle event) {
    if (event == nullptr) return false;
    event_registry& reg = registry();
    {
        const std::lock_guard<std::mutex> guard(reg.lock);
        event->signalled = true;
    }
    reg.changed.notify_all();
    return true;
}

bool reset_event(event_handle event) {
    if (event == nullptr) return false;
    const std::lock_guard<std::mutex> guard(registry().lock);
    event->signalled = false;
    return true;
}

int wait_any(const event_handle* events, size_t count, int64_t timeout_ms) {
    if (events == nullptr || count == 0) return kWaitAnyFailed;
    for (size_t i = 0; i < count; ++i) {
        if (events[i] == nullptr) return kWaitAnyFailed;
    }
    const bool forever = timeout_ms < 0 || timeout_ms > kLongestTimedWait;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : timeout_ms);

    event_registry& reg = registry();
    std::unique_lock<std::mutex> guard(reg.lock);
    for (size_t i = 0; i < count; ++i) ++events[i]->waits;

    int result = kWaitAnyTimedOut;
    for (;;) {
        for (size_t i = 0; i < count; ++i) {
            event_object* event = events[i];
            if (event->signalled) {
                if (!event->manual_reset) event->signalled = false;
                result = static_cast<int>(i);
                break;
            }
        }
        if (result != kWaitAnyTimedOut) break;
        if (forever) {
            reg.changed.wait(guard);
        } else if (reg.changed.wait_until(guard, deadline) == std::cv_status::timeout) {
            // One last look: the state may have changed just at the deadline.
            for (size_t i = 0; i < count && result == kWaitAnyTimedOut; ++i) {
                if (events[i]->signalled) {
                    if (!events[i]->manual_reset) events[i]->signalled = false;
                    result = static_cast<int>(i);
                }
            }
            break;
        }
    }

    for (size_t i = 0; i < count; ++i) {
        --events[i]->waits;
        release_if_unused(events[i]);
    }
    return result;
}

wait_result wait_event(event_handle event, int64_t timeout_ms) {
    const int result = wait_any(&event, 1, timeout_ms);
    if (result == 0) return wait_result::signalled;
    if (result == kWaitAnyTimedOut) return wait_result::timed_out;
    return wait_result::failed;
}

}  // namespace plat
