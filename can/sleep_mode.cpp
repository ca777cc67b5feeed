// The sleep mode timer: a thread that posts a sleep event once a second
// after the instrument has stayed idle for its sleep timeout.
//
// The timer is the time limit of the thread's wait for its exit and activity
// events. Each run's events are created before its thread starts and are
// owned jointly by the thread and by the timer: a thread that stop abandons
// still holds its own events, sees its exit event set and ends, and the
// events are closed by whichever lets go of them last.
#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "can/can.h"
#include "errors/errors.h"
#include "platform/events.h"
#include "platform/thread.h"

namespace {

constexpr int64_t kStopWaitMs = 5000;

// One run of the thread: its events, its timeout and whether it finished.
struct sleep_run {
    plat::event_handle exit_event = nullptr;
    plat::event_handle activity_event = nullptr;
    uint16_t timeout_seconds = 0;
    std::atomic<bool> finished{false};

    sleep_run() = default;
    sleep_run(const sleep_run&) = delete;
    sleep_run& operator=(const sleep_run&) = delete;
    ~sleep_run() {
        plat::close_event(exit_event);
        plat::close_event(activity_event);
    }
};

// The running thread and its run; owned by the instrument thread. The run
// is also reachable from sleep_mode_activity, under g_activity_lock.
plat::thread_handle g_thread = nullptr;
std::shared_ptr<sleep_run> g_run;
std::mutex g_activity_lock;

std::atomic<int64_t> g_second_ms{1000};
std::atomic<int64_t> g_stop_wait_ms{kStopWaitMs};
std::atomic<int32_t> g_exit_code{0};
std::atomic<int32_t> g_live_threads{0};
std::atomic<uint64_t> g_posts{0};

void post_sleep_event() {
    g_posts.fetch_add(1);
    can_event event{};
    event.type = CAN_EVENT_SLEEP;
    can_post_event(&event);
}

int32_t run_timer(sleep_run& run, int64_t second) {
    const plat::event_handle events[2] = {run.exit_event, run.activity_event};
    for (;;) {
        if (plat::wait_event(run.exit_event, 0) == plat::wait_result::signalled) return NO_ERROR;
        const int which = plat::wait_any(events, 2, int64_t{run.timeout_seconds} * second);
        if (which == 0) continue;  // exit: the next pass leaves
        if (which == 1) {
            plat::reset_event(run.activity_event);  // activity: count from the full timeout again
            continue;
        }
        if (which == plat::kWaitAnyFailed) {
            gl_PrintFunc("Error setting Sleep Mode timer (%d)\n", 0);
            return ERR_SLEEP_TIMER_SET;
        }
        // Idle for the whole timeout: report sleep every second until told to
        // stop. A wait that fails ends the thread rather than posting without pause.
        plat::wait_result waited = plat::wait_result::timed_out;
        do {
            post_sleep_event();
            waited = plat::wait_event(run.exit_event, second);
        } while (waited == plat::wait_result::timed_out);
        if (waited == plat::wait_result::failed) return ERR_SLEEP_TIMER_SET;
    }
}

void sleep_thread(void* argument) {
    // The thread's share of its run, handed over by sleep_mode_start.
    std::shared_ptr<sleep_run> run(std::move(*static_cast<std::shared_ptr<sleep_run>*>(argument)));
    delete static_cast<std::shared_ptr<sleep_run>*>(argument);
    g_exit_code.store(run_timer(*run, g_second_ms.load()));
    run->finished.store(true);
    run.reset();
    g_live_threads.fetch_sub(1);
}

std::shared_ptr<sleep_run> create_run(const sys_info* info) {
    auto run = std::make_shared<sleep_run>();
    run->timeout_seconds = info->sleep.timeoutSeconds;
    run->exit_event = plat::create_event(nullptr, true, false);
    if (run->exit_event == nullptr) {
        gl_PrintFunc("Error creating Sleep Mode Exit Event (%d)\n", 0);
        return nullptr;
    }
    run->activity_event = plat::create_event(nullptr, true, false);
    if (run->activity_event == nullptr) {
        gl_PrintFunc("Error creating Sleep Mode Reset Event (%d)\n", 0);
        return nullptr;
    }
    return run;
}

void set_current_run(std::shared_ptr<sleep_run> run) {
    const std::lock_guard<std::mutex> guard(g_activity_lock);
    g_run = std::move(run);
}

}  // namespace

void sleep_mode_start(const sys_info* info) {
    if (g_thread != nullptr || info == nullptr) return;
    std::shared_ptr<sleep_run> run;
    std::shared_ptr<sleep_run>* share = nullptr;
    try {
        run = create_run(info);
        if (!run) return;
        share = new std::shared_ptr<sleep_run>(run);
    } catch (const std::bad_alloc&) {
        gl_PrintFunc("Failed to start Sleep Mode thread\n");
        return;
    }
    g_live_threads.fetch_add(1);
    g_thread = plat::start_thread(sleep_thread, share);
    if (g_thread == nullptr) {
        g_live_threads.fetch_sub(1);
        delete share;
        gl_PrintFunc("Failed to start Sleep Mode thread\n");
        return;
    }
    set_current_run(std::move(run));
}

bool sleep_mode_stop() {
    if (g_thread == nullptr) return false;
    std::shared_ptr<sleep_run> run;
    {
        const std::lock_guard<std::mutex> guard(g_activity_lock);
        run = std::move(g_run);
    }
    plat::set_event(run->exit_event);
    // The thread gets a bounded time; one that does not finish is abandoned
    // and ends on its own once it sees the exit event.
    const int64_t step = 10;
    const int64_t limit = g_stop_wait_ms.load();
    for (int64_t waited = 0; !run->finished.load() && waited < limit; waited += step)
        plat::sleep_ms(step);
    if (run->finished.load()) plat::join_thread(g_thread);
    plat::close_thread(g_thread);
    g_thread = nullptr;
    return true;
}

void sleep_mode_activity() {
    const std::lock_guard<std::mutex> guard(g_activity_lock);
    if (g_run) plat::set_event(g_run->activity_event);
}

void sleep_mode_set_second(int64_t milliseconds) { g_second_ms.store(milliseconds > 0 ? milliseconds : 1000); }

void sleep_mode_set_stop_wait(int64_t milliseconds) {
    g_stop_wait_ms.store(milliseconds >= 0 ? milliseconds : kStopWaitMs);
}

int32_t sleep_mode_exit_code() { return g_exit_code.load(); }

int32_t sleep_mode_live_threads() { return g_live_threads.load(); }

uint64_t sleep_mode_posts() { return g_posts.load(); }
