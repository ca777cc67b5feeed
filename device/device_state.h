// State shared by the device manager's files.
#pragma once

#include <atomic>

#include "device/device.h"

// Process-wide manager state; plain data, so it is never torn down at exit
// while the monitor thread may still run.
extern dev_cntrl_state g_DevCntrl;

// Set by dev_close_cntrl to make the monitor thread return.
extern std::atomic<bool> g_DevQuit;

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
