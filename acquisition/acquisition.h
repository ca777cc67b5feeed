// The frame-grabber binding: loads the closed frame-grabber library
// (KvAcq.dll) and the live-display library, makes sure only one process
// drives the acquisition system, and discovers its devices, cameras and
// modes into the instrument record.
#pragma once

#include <cstdint>

#include "instrument/instrument.h"
#include "platform/dynamic_library.h"
#include "platform/events.h"
#include "platform/named_mutex.h"

inline constexpr const char* ACQ_LIBRARY = "KvAcq.dll";
inline constexpr const char* ACQ_INI_FILE = "KvAcq.ini";
inline constexpr const char* ACQ_MUTEX_NAME = "ZODUVODOD";
// How long acq_mgrinit waits for another process to give up the system.
inline constexpr int64_t ACQ_MUTEX_WAIT_MS = 500;
// The live-display library when the INI file names none.
inline constexpr const char* ACQ_LD_DEFAULT_MODULE = "pulsaracq.dll";
inline constexpr int ACQ_LD_MODULE_SIZE = 256;  // 255 characters and a terminator
// The INI echo reads lines into a buffer of this size.
inline constexpr int ACQ_INI_LINE_SIZE = 512;

// One pointer per entry point; null when not resolved.
struct acq_kv_table {
#define KV_ENTRY(name, result, params) result(*name) params;
#include "acquisition/kv_acq_entry_points.inc"
#undef KV_ENTRY
};
struct acq_ld_table {
#define LD_ENTRY(name, result, params) result(*name) params;
#include "acquisition/live_display_entry_points.inc"
#undef LD_ENTRY
};

extern acq_kv_table gl_Kv;
extern acq_ld_table gl_KvLd;
extern plat::library_handle gl_AcqLibrary;    // null when not loaded
extern plat::library_handle gl_KvLdLibrary;   // null when not bound
extern plat::named_mutex_handle gl_AcqMutex;  // held while the system is ours
extern plat::event_handle gl_AcqCopyEvent;    // serialises frame copies
extern int32_t gl_AcqCopyPending;             // 1 while a frame copy is under way

// The steps of the set-up that belong to frame grabbing. Each answers an
// error code; the defaults do nothing and succeed.
struct acq_hooks {
    int32_t (*setupDevice)(sys_info* info, int32_t mode);  // modes 1 and 2
    int32_t (*updateSysInfo)(sys_info* info);
    int32_t (*setModeFlags)(sys_info* info);  // per camera type, after discovery
};
extern acq_hooks gl_AcqHooks;
void acq_default_hooks();

// Full initialisation of the acquisition system of gl_SysInfo[system]: reads
// the calibration file, takes the mutex, opens the library, discovers the
// devices and reports them. A system initialised before is closed first; any
// failure after the mutex closes the library and releases the mutex.
int32_t acq_mgrinit(int32_t system, int32_t camera, const char* cal_file);

// Loads and initialises the frame-grabber library (unloading one loaded
// before), binds the live-display library and creates the frame-copy event.
int32_t acq_mgropen(const char* ini_file);

// Unloads both libraries and closes the frame-copy event; with info, also
// releases the mutex and marks the system not ready.
void acq_mgrclose(sys_info* info);

int32_t acq_getdevices(sys_info* info);
int32_t acq_getinputdev(sys_info* info);
int32_t acq_getinputmodes(sys_info* info);

// Reads, reports and translates the library's last error; 0 when none.
int32_t acq_last_error();
// The text and error code of a library error number (unknown numbers give
// "Unknown\n" and ERR_UNKNOWN).
const char* acq_error_text(int32_t library_error);
int32_t acq_error_code(int32_t library_error);

// Binds the live-display library named by the INI file; 0 when all five
// entry points are bound, else ERR_ACQ_INVALID_DLL.
int32_t kv_ld_init();
void kv_ld_close();

// The name of a camera type; types outside 0..ACQ_CAMERA_TYPE_COUNT-1 give
// the name of type 0.
inline constexpr int ACQ_CAMERA_TYPE_COUNT = 33;
const char* acq_camera_type_name(int32_t type);
