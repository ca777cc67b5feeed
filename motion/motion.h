// The motion wrapper library: the closed plug-in through which one family of
// motion controllers is driven. mc_mwi_load loads it and resolves its entry
// points into gl_Mwi; an optional group of entry points that the library does
// not export completely is left null as a whole, so testing any one pointer of
// a group tells whether the group is usable.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"
#include "platform/events.h"

// The library's file name; the platform layer maps it to its own naming.
inline constexpr const char* MC_MWI_LIBRARY = "MotionWrapperInterface.dll";

// A controller handle as the library hands it out.
using mwi_handle = int64_t;

// One queued controller event (GetEvent_MWI).
struct mwi_event {
    int32_t kind;
    int32_t axis;
    double value;
};

// The CAN message callbacks that RegisterCanEvents_MWI takes: a process data
// object (identifier, third word, eight data bytes) and an emergency message.
using mwi_pdo_func = int32_t (*)(int32_t identifier, int32_t word, const uint8_t* data);
using mwi_emcy_func = int32_t (*)(int32_t first, int32_t second, int32_t third, uint8_t fourth,
                                  const uint8_t* block, uint8_t sixth);

// The entry-point table: one pointer per entry point, null when not resolved.
struct mc_mwi_table {
#define MWI_ENTRY(group, name, result, params) result(*name) params;
#include "motion/mwi_entry_points.inc"
#undef MWI_ENTRY
};

extern mc_mwi_table gl_Mwi;
// The loaded library; null when none is loaded.
extern plat::library_handle gl_MwiLibrary;

// Loads the library and fills gl_Mwi, reporting what is missing through
// gl_PrintFunc. Returns NO_ERROR with the library loaded, ERR_KVX_NO_DLL when
// it cannot be loaded, or ERR_KVX_FUNCTION_MAP when a required entry point or
// a usable position set is missing; a failed load leaves the library unloaded
// and the table null. A library loaded before is unloaded first.
int32_t mc_mwi_load();

// Sets every pointer of gl_Mwi to null.
void mc_mwi_clear();

// Clears the table and unloads the library, if one is loaded.
void mc_mwi_unload();

// ---- motion controllers seen by the device manager ----------------------

// How a motion controller is connected; it decides how the device manager
// polls the controller for data.
enum : int32_t {
    MC_CONN_SERIAL = 1,  // a serial line: the port's input queue
    MC_CONN_EVENT = 2,   // a data-ready event that the controller's code sets
    MC_CONN_MWI = 3,     // the motion wrapper library: HasEvent_MWI
};

// The head of a motion controller's record: what the device manager reads
// from the context of a type 1 device.
struct mc_controller {
    mwi_handle handle;              // passed to the motion wrapper library
    int32_t connection;             // MC_CONN_SERIAL, MC_CONN_EVENT or MC_CONN_MWI
    plat::event_handle data_ready;  // for MC_CONN_EVENT
};
