// The sleep mode timer: a thread that posts a sleep event once a second
// after the instrument has stayed idle for its sleep timeout.
//
// The timer is the time limit of the thread's wait for its exit and activity
// events. Both events are created before the thread starts and closed only
// after it has finished, so a stop right after a start always ends it, and
// an SDO transfer may signal activity at any moment.
#include <atomic>
#include <mutex>

#include "can/can.h"
#include "errors/errors.h"
#include "platform/events.h"
#include "platform/thread.h"

namespace {

constexpr int64_t kStopWaitMs = 5000;

struct sleep_timer {
    plat::thread_handle thread = nullptr;
    plat::event_handle exit_event = nullptr;
    // Guarded by activity_lock, so that signalling and closing never overlap.
    plat::event_handle activity_event = nullptr;
    uint16_t timeout_seconds = 0;
    std::atomic<bool> finished{false};
};

sleep_timer g_timer;
std::mutex g_activity_lock;
std::atomic<int64_t> g_second_ms{1000};
std::atomic<int32_t> g_exit_code{0};

void post_sleep_event() {
    can_event event{};
    event.type = CAN_EVENT_SLEEP;
    can_post_event(&event);
}

void sleep_thread(void*) {
    sleep_timer& t = g_timer;
    const int64_t second = g_second_ms.load();
    const plat::event_handle events[2] = {t.exit_event, t.activity_event};
    int32_t code = NO_ERROR;
    for (;;) {
        if (plat::wait_event(t.exit_event, 0) == plat::wait_result::signalled) break;
        const int which = plat::wait_any(events, 2, int64_t{t.timeout_seconds} * second);
        if (which == 0) continue;  // exit: the next pass leaves
        if (which == 1) {
            plat::reset_event(t.activity_event);  // activity: count from the full timeout again
            continue;
        }
        if (which == plat::kWaitAnyFailed) {
            gl_PrintFunc("Error setting Sleep Mode timer (%d)\n", 0);
            code = ERR_SLEEP_TIMER_SET;
            break;
        }
        // Idle for the whole timeout: report sleep every second until told to stop.
        do {
            post_sleep_event();
        } while (plat::wait_event(t.exit_event, second) != plat::wait_result::signalled);
    }
    g_exit_code.store(code);
    t.finished.store(true);
}

void close_events() {
    plat::close_event(g_timer.exit_event);
    g_timer.exit_event = nullptr;
    const std::lock_guard<std::mutex> guard(g_activity_lock);
    plat::close_event(g_timer.activity_event);
    g_timer.activity_event = nullptr;
}

}  // namespace

void sleep_mode_start(const sys_info* info) {
    sleep_timer& t = g_timer;
    if (t.thread != nullptr || info == nullptr) return;
    t.timeout_seconds = info->sleep.timeoutSeconds;
    t.finished.store(false);
    if (t.exit_event == nullptr) {
        t.exit_event = plat::create_event(nullptr, true, false);
        if (t.exit_event == nullptr) {
            gl_PrintFunc("Error creating Sleep Mode Exit Event (%d)\n", 0);
            return;
        }
    }
    {
        const std::lock_guard<std::mutex> guard(g_activity_lock);
        if (t.activity_event == nullptr) t.activity_event = plat::create_event(nullptr, true, false);
    }
    if (t.activity_event == nullptr) {
        gl_PrintFunc("Error creating Sleep Mode Reset Event (%d)\n", 0);
        close_events();
        return;
    }
    plat::reset_event(t.exit_event);
    plat::reset_event(t.activity_event);
    t.thread = plat::start_thread(sleep_thread, nullptr);
    if (t.thread == nullptr) {
        gl_PrintFunc("Failed to start Sleep Mode thread\n");
        close_events();
    }
}

bool sleep_mode_stop() {
    sleep_timer& t = g_timer;
    if (t.thread == nullptr) return false;
    plat::set_event(t.exit_event);
    // The thread gets a bounded time; one that does not finish is abandoned
    // together with the events it still uses.
    const int64_t step = 10;
    for (int64_t waited = 0; !t.finished.load() && waited < kStopWaitMs; waited += step)
        plat::sleep_ms(step);
    if (t.finished.load()) {
        plat::join_thread(t.thread);
        close_events();
    } else {
        t.exit_event = nullptr;
        const std::lock_guard<std::mutex> guard(g_activity_lock);
        t.activity_event = nullptr;
    }
    plat::close_thread(t.thread);
    t.thread = nullptr;
    return true;
}

void sleep_mode_activity() {
    const std::lock_guard<std::mutex> guard(g_activity_lock);
    if (g_timer.activity_event != nullptr) plat::set_event(g_timer.activity_event);
}

void sleep_mode_set_second(int64_t milliseconds) { g_second_ms.store(milliseconds > 0 ? milliseconds : 1000); }

int32_t sleep_mode_exit_code() { return g_exit_code.load(); }
