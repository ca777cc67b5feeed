// The frame-grabber binding: loads the closed frame-grabber library
// (KvAcq.dll) and the live-display library, makes sure only one process
// drives the acquisition system, discovers its devices, cameras and modes
// into the instrument record, and grabs the frames of a scan.
#pragma once

#include <cstdint>

#include "datafile/datafile.h"
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

// ---- frame grabbing -----------------------------------------------------------
//
// A grab opens the primary camera's device in the mode the scan needs, starts
// acquisition, has the caller start the scan, reads every frame on a
// frame-grab thread into a matrix the library allocates, then stops
// acquisition, joins the thread and closes the device, on every way out.

// Starts the scan once the camera waits for its frames; answers an error
// code (NO_ERROR to go on).
using acq_start_scan_func = int32_t (*)(void* context);

// How long a frame may take: from the start-scan call's return to the first
// frame, and from each frame to the next.
inline constexpr int64_t ACQ_FRAME_TIMEOUT_MS = 10000;
// How often the wait for frames asks gl_AbortFunc.
inline constexpr int64_t ACQ_ABORT_POLL_MS = 50;
// A mode serves a frame rate when its data rate falls short by no more than this.
inline constexpr double ACQ_RATE_TOLERANCE = 0.1;

// The index of the primary camera mode for a scan at frame_rate (Hz): of the
// modes whose data rate serves it, the one of the largest frame (user width
// x height), among those the slowest, then the first; -1 when none serves it.
int32_t acq_pick_mode(const sys_info* info, double frame_rate);

struct acq_grab_request {
    double frameRate;               // Hz the camera is triggered at
    int32_t frames;                 // frames to read, 1 .. 32767
    acq_start_scan_func startScan;  // null: the scan starts on its own
    void* context;                  // handed to startScan
};

// Grabs request->frames frames of the primary camera of a ready system into
// *frames, which must hold no buffer: on success it holds width x height x
// frames counts (n_buckets = frames, range = the mode's full scale), the size
// the device reports ("WIDTH", "HEIGHT"; else the mode's). Frame k must carry
// the frame number k. Results: NO_ERROR; ERR_INVALID_PARAM (no system, request
// or matrix, a matrix with a buffer, a frame count or rate out of range, a
// system not ready); ERR_ACQ_INVALID_MODE (no mode serves the rate);
// ERR_ACQ_INVALID_DEVICE (the camera cannot be selected); the translated error
// of a failing open or start (else ERR_ACQ_DEVICE_OPEN, ERR_ACQ_CMD);
// ERR_FRAME_DATA_CORRUPT (a frame size or number that makes no sense);
// ERR_DATASET_DIM_TOO_LARGE or ERR_NO_MEM (no room for the frames);
// ERR_UNKNOWN (no frame-grab thread); the start-scan call's error;
// ERR_ACQ_TIMEOUT (a frame did not come within the frame time-out, or the
// device timed out); ERR_LOST_FRAME (a frame number skipped, or the device
// missed a frame); ERR_ACQ_READ (any other failing read);
// ERR_SUNWELL_ABORTED (gl_AbortFunc answered non-zero). On failure *frames
// holds no buffer.
int32_t acq_grab_frames(sys_info* info, const acq_grab_request* request, intens_matrix* frames);

// Grabs the frames of the ramp at ramp_index of the instrument's ramp table:
// its camera rate and nBuckets frames. ERR_INVALID_PARAM for an index
// outside the table; otherwise as acq_grab_frames.
int32_t acq_grab_ramp(sys_info* info, int32_t ramp_index, acq_start_scan_func start_scan,
                      void* context, intens_matrix* frames);
