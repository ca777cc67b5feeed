// The manager's life cycle, the monitor thread and the request that hands
// work to it.
//
// The caller and the monitor thread are sequenced by four manual-reset
// events: "StartEvent" (caller: begin a run), "DoneEvent1" (thread: data
// found, or the single sweep is over), "StopEvent" (caller: end the run) and
// "DoneEvent2" (thread: the run has ended and the ready fields are final).
#include <atomic>

#include "device/device.h"
#include "device/device_state.h"
#include "errors/errors.h"
#include "platform/events.h"
#include "platform/thread.h"

dev_cntrl_state g_DevCntrl = {0, 0, 0, 0, 0, -1, nullptr, nullptr, nullptr, nullptr, nullptr};
std::atomic<bool> g_DevQuit{false};
dev_wait_times g_DevWaits;

namespace {

bool stop_requested() {
    return plat::wait_event(g_DevCntrl.stop_event, 0) == plat::wait_result::signalled;
}

// One run: sweeps the table until a device reports data, the single sweep is
// over, nothing is eligible, or the caller asks to stop.
void run_sweeps() {
    for (;;) {
        int polled = 0;
        for (int i = 0; i < DEV_MAX_DEVICES; ++i) {
            if (i > 0 && stop_requested()) return;
            const dev_info& entry = gl_DevInfo[i];
            if (entry.status != DEV_IN_USE || entry.enabled == 0 ||
                (entry.type & g_DevCntrl.type_mask) == 0 || entry.poll == nullptr) {
                continue;
            }
            ++polled;
            if (entry.poll(entry.handle, entry.context) != 0) {
                g_DevCntrl.ready_type = entry.type;
                g_DevCntrl.ready_index = i;
                plat::set_event(g_DevCntrl.done_event1);
                return;
            }
        }
        if (g_DevCntrl.single_pass == 1) {
            plat::set_event(g_DevCntrl.done_event1);
            return;
        }
        // Nothing to poll: the caller's attempt runs out and starts anew.
        if (polled == 0) return;
        if (plat::wait_event(g_DevCntrl.stop_event, g_DevWaits.sweep_pause_ms.load()) ==
            plat::wait_result::signalled) {
            return;
        }
    }
}

int32_t create_objects() {
    struct named_event {
        plat::event_handle* handle;
        const char* name;
    };
    const named_event events[] = {{&g_DevCntrl.start_event, "StartEvent"},
                                  {&g_DevCntrl.stop_event, "StopEvent"},
                                  {&g_DevCntrl.done_event1, "DoneEvent1"},
                                  {&g_DevCntrl.done_event2, "DoneEvent2"}};
    for (const named_event& event : events) {
        if (*event.handle != nullptr) continue;
        *event.handle = plat::create_event(event.name, true, false);
        if (*event.handle == nullptr) return ERR_DEV_CNTRL;
    }
    if (g_DevCntrl.thread == nullptr) {
        g_DevQuit.store(false);
        g_DevCntrl.thread = plat::start_thread(dev_monitor_thread, nullptr);
        if (g_DevCntrl.thread == nullptr) return ERR_DEV_CNTRL;
    }
    return NO_ERROR;
}

// One attempt: starts a run, waits a bounded time for the thread's answer,
// then stops the run and waits until the thread confirms its end, after which
// the ready fields are final. Returns how the bounded wait ended.
plat::wait_result run_attempt(int32_t wait) {
    plat::reset_event(g_DevCntrl.done_event1);
    plat::reset_event(g_DevCntrl.done_event2);
    plat::reset_event(g_DevCntrl.stop_event);
    g_DevCntrl.single_pass = wait == 0 ? 1 : 0;
    plat::set_event(g_DevCntrl.start_event);
    const plat::wait_result answer =
        plat::wait_event(g_DevCntrl.done_event1, g_DevWaits.attempt_ms.load());
    plat::set_event(g_DevCntrl.stop_event);
    plat::wait_event(g_DevCntrl.done_event2, plat::kWaitForever);
    return answer;
}

void copy_entry(int index, dev_info* device) {
    if (device == nullptr || index < 0 || index >= DEV_MAX_DEVICES) return;
    const dev_info& entry = gl_DevInfo[index];
    device->handle = entry.handle;
    device->status = entry.status;
    device->type = entry.type;
    device->context = entry.context;
}

}  // namespace

const dev_cntrl_state& dev_cntrl() {
    return g_DevCntrl;
}

void dev_monitor_thread(void* /*argument*/) {
    for (;;) {
        if (plat::wait_event(g_DevCntrl.start_event, plat::kWaitForever) !=
            plat::wait_result::signalled) {
            return;
        }
        if (g_DevQuit.load()) return;
        g_DevCntrl.ready_type = 0;
        g_DevCntrl.ready_index = -1;
        run_sweeps();
        plat::wait_event(g_DevCntrl.stop_event, plat::kWaitForever);
        plat::reset_event(g_DevCntrl.start_event);
        plat::set_event(g_DevCntrl.done_event2);
    }
}

int32_t dev_init_cntrl(bool reinitialise) {
    if (g_DevCntrl.initialised != 0 && !reinitialise) return NO_ERROR;
    dev_clear_table();
    g_DevCntrl.ready_type = 0;
    g_DevCntrl.ready_index = -1;
    g_DevCntrl.initialised = 0;
    const int32_t error = create_objects();
    if (error != NO_ERROR) {
        gl_PrintFunc("%s failed: %s\n", "dev_init_cntrl", u_err_name(error));
        return error;
    }
    g_DevCntrl.initialised = 1;
    return NO_ERROR;
}

void dev_close_cntrl() {
    if (g_DevCntrl.thread != nullptr) {
        // The thread waits for "StartEvent" between requests; waking it with
        // the quit flag set makes it return.
        g_DevQuit.store(true);
        plat::set_event(g_DevCntrl.start_event);
        plat::join_thread(g_DevCntrl.thread);
        plat::close_thread(g_DevCntrl.thread);
        g_DevCntrl.thread = nullptr;
        // The events are named and may outlive this close in another
        // holder's hands: the wake-up must not start a run in the next thread.
        plat::reset_event(g_DevCntrl.start_event);
    }
    for (plat::event_handle* event : {&g_DevCntrl.start_event, &g_DevCntrl.stop_event,
                                      &g_DevCntrl.done_event1, &g_DevCntrl.done_event2}) {
        if (*event != nullptr) plat::close_event(*event);
        *event = nullptr;
    }
    dev_clear_table();
    g_DevCntrl.ready_type = 0;
    g_DevCntrl.ready_index = -1;
    g_DevCntrl.initialised = 0;
}

int32_t dev_data_read(int32_t type_mask, dev_info* device, int32_t wait) {
    g_DevCntrl.ready_type = 0;
    g_DevCntrl.ready_index = -1;
    if (g_DevCntrl.initialised == 0 || (type_mask != DEV_ALL_TYPES && !dev_type_valid(type_mask))) {
        gl_PrintFunc("%s: %s\n", "dev_data_read", u_err_name(ERR_DEV_CNTRL));
        return 0;
    }
    g_DevCntrl.type_mask = type_mask;
    const bool console_active = (type_mask & DEV_CONSOLE) != 0;

    for (;;) {
        int console_index = -1;
        if (console_active && dev_console_check(&console_index)) {
            copy_entry(console_index, device);
            return DEV_CONSOLE;
        }
        const plat::wait_result answer = run_attempt(wait);
        // A device that the run found is reported however the wait ended: its
        // poll may have taken the data (an event is reset) just as the wait ran
        // out, and the next run would not see it again.
        if (g_DevCntrl.ready_type != 0) {
            copy_entry(g_DevCntrl.ready_index, device);
            return g_DevCntrl.ready_type;
        }
        if (answer == plat::wait_result::failed || wait == 0) return DEV_NO_DATA;
    }
}
