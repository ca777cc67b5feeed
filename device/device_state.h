// State shared by the device manager's files.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/device.h"

// Process-wide manager state; plain data, so it is never torn down at exit
// while the monitor thread may still run.
extern dev_cntrl_state g_DevCntrl;

// Set by dev_close_cntrl to make the monitor thread return.
extern std::atomic<bool> g_DevQuit;

// How long a request's attempt waits for the thread's answer, and how long the
// thread pauses between two sweeps of a run. Tests shorten them.
struct dev_wait_times {
    std::atomic<int64_t> attempt_ms{100};
    std::atomic<int64_t> sweep_pause_ms{50};
};
extern dev_wait_times g_DevWaits;

// Frees every entry and sets the device count to 0.
void dev_clear_table();

// The monitor thread's body.
void dev_monitor_thread(void* argument);

// Poll operations, chosen at registration.
int32_t dev_serial_input_check(int64_t handle, void* context);
int32_t dev_event_check(int64_t handle, void* context);
int32_t dev_wrapper_check(int64_t handle, void* context);
int32_t dev_can_queue_check(int64_t handle, void* context);

// The console check: whether console input waits and, if so, the index of the
// console's entry.
bool dev_console_check(int* index);
