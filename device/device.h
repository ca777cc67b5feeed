// The device manager: a fixed table of open instrument devices and one
// monitor thread that polls them, so that a caller can wait for the first
// device that has something to read.
//
// Devices register when their link opens and unregister before it closes.
// dev_data_read hands each request to the monitor thread through four named
// events and returns the type of the device that reported data. The table is
// not locked: registration, removal, the polling switch and dev_data_read all
// belong to the one thread that owns the instruments.
#pragma once

#include <cstdint>

#include "platform/events.h"
#include "platform/thread.h"

// Device types, one bit each. A request may also use DEV_ALL_TYPES.
enum : int32_t {
    DEV_MOTION = 1,       // motion controller; context is an mc_controller
    DEV_INSTR_BOARD = 2,  // instrument board on a serial line
    DEV_SERIAL_4 = 4,     // serial-line devices
    DEV_SERIAL_8 = 8,
    DEV_SERIAL_16 = 16,
    DEV_CONSOLE = 32,        // console input
    DEV_CAN = 64,            // CAN instrument; handle is the bridge handle
    DEV_ALL_TYPES = 0xFFFF,  // request mask: every type
};

// dev_data_read's result when no device had data.
inline constexpr int32_t DEV_NO_DATA = 0x10000;

inline constexpr int DEV_MAX_DEVICES = 10;
// The handle of no device; never accepted as a device.
inline constexpr int64_t DEV_NO_HANDLE = -1;
// Entry status values.
inline constexpr int32_t DEV_IN_USE = 1;
inline constexpr int32_t DEV_FREE = -1;

// A poll operation: nonzero when the device has data waiting. It runs on the
// monitor thread and must not wait for data.
using dev_poll_func = int32_t (*)(int64_t handle, void* context);

// One device entry; also the result record of dev_data_read. A free entry
// holds handle -1, status -1, type 0, enabled 0, no poll and no context.
struct dev_info {
    int64_t handle;
    int32_t status;   // DEV_IN_USE or DEV_FREE
    int32_t type;     // one of the seven device types
    int32_t enabled;  // 1: polled; 0: skipped
    dev_poll_func poll;
    void* context;  // the registering module's record of the device
};

extern dev_info gl_DevInfo[DEV_MAX_DEVICES];

// The manager's state, for inspection: the request fields are written by
// dev_data_read and the monitor thread.
struct dev_cntrl_state {
    int32_t initialised;
    int32_t device_count;
    int32_t type_mask;    // mask of the current or last request
    int32_t single_pass;  // 1 when the request must not wait for data
    int32_t ready_type;   // type of the entry that reported data, 0 if none
    int32_t ready_index;  // its index, -1 if none
    plat::event_handle start_event;
    plat::event_handle stop_event;
    plat::event_handle done_event1;
    plat::event_handle done_event2;
    plat::thread_handle thread;
};
const dev_cntrl_state& dev_cntrl();

// Creates the four events and the monitor thread, each only if it does not
// exist yet, and empties the table (always when reinitialise is true; an
// initialised manager is otherwise left as it is).
int32_t dev_init_cntrl(bool reinitialise);

// Registers a device in the first free entry, enabled, with the poll
// operation that its type (and, for a motion controller, its connection kind)
// calls for.
int32_t dev_add_device(int32_t type, int64_t handle, void* context);

// Frees the first entry that holds the handle.
int32_t dev_remove_device(int64_t handle);

// True when an entry holds the handle. Prints nothing.
bool dev_device_exists(int64_t handle);

// Switches the polling of the first entry that holds the handle on (1) or off (0).
int32_t dev_set_event_state(int64_t handle, int32_t state);

// Waits for the first enabled device whose type is in type_mask to report
// data: with wait 0 after one sweep, otherwise until one does. Returns its type
// and copies its handle, status, type and context into device; DEV_NO_DATA
// when none reported; 0 after an error.
int32_t dev_data_read(int32_t type_mask, dev_info* device, int32_t wait);

// True for the seven device types; prints a message otherwise.
bool dev_type_valid(int32_t type);

// Ends the monitor thread, closes the four events and the thread handle, and
// leaves the manager not initialised with an empty table.
void dev_close_cntrl();

// The CAN queue check belongs to the CAN module, which supplies it here; the
// poll of a type 64 device reports no data while none is supplied.
void dev_set_can_poll(dev_poll_func poll);
