// A grab: the device opened in the scan's mode, acquisition started, the
// scan started by the caller, the frames read on the frame-grab thread while
// this thread watches the time-out and the abort hook, and everything undone
// again on every way out.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "acquisition/acquisition.h"
#include "acquisition/grab_bounds.h"
#include "acquisition/grab_run.h"
#include "errors/errors.h"
#include "platform/thread.h"
#include "ramps/ramps.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr const char* kGrab = "acq_grab_frames";

// A failing call's translated last error, or fallback when the device names none.
int32_t last_error_or(int32_t fallback) {
    const int32_t result = acq_last_error();
    return result != NO_ERROR ? result : fallback;
}

// A failing read: the device's own word for a time-out or lost frames
// stands; any other failure is a failing read.
int32_t read_failure() {
    const int32_t result = acq_last_error();
    if (result == ERR_ACQ_TIMEOUT || result == ERR_LOST_FRAME || result == ERR_FRAME_DATA_CORRUPT) {
        return result;
    }
    return ERR_ACQ_READ;
}

bool aborted() {
    return gl_AbortFunc != nullptr && gl_AbortFunc() != 0;
}

// A frame dimension as the device reports it, else the mode's; 0 when it
// makes no sense for a matrix (not a whole number of 1 .. 32767).
int16_t frame_dimension(const char* parameter, uint16_t mode_value) {
    double value = mode_value;
    gl_Kv.AcqDeviceQuery(parameter, &value);
    if (!std::isfinite(value) || value != std::floor(value) || value < 1 || value > INT16_MAX)
        return 0;
    return static_cast<int16_t>(value);
}

uint16_t full_scale(int32_t bits) {
    if (bits >= 16) return UINT16_MAX;
    return static_cast<uint16_t>((1u << std::max(bits, 1)) - 1u);
}

// The acquisition device the primary camera belongs to.
int32_t camera_device(const sys_acq_info& acq) {
    return acq.primaryCameraDeviceId != 0 ? acq.primaryCameraDeviceId : acq.primaryDeviceId;
}

// Selects the primary camera and its mode.
int32_t select_camera(const sys_acq_info& acq, const sys_acq_mode& mode) {
    if (gl_Kv.SetCurrentAcqDevice(camera_device(acq)) == 0 ||
        gl_Kv.SetCurrentInputDevice(acq.primaryCameraId) == 0) {
        gl_PrintFunc("%s: Cannot set selected input device\n", kGrab);
        return ERR_ACQ_INVALID_DEVICE;
    }
    if (gl_Kv.SetCurrentInputMode(mode.modeId) == 0) {
        gl_PrintFunc("%s: Cannot set selected input mode\n", kGrab);
        return ERR_ACQ_INVALID_MODE;
    }
    return NO_ERROR;
}

// The matrix for the frames, as large as the device says a frame is.
int32_t allocate_frames(const sys_acq_mode& mode, int32_t count, intens_matrix* frames) {
    const int16_t width = frame_dimension("WIDTH", mode.userWidth);
    const int16_t height = frame_dimension("HEIGHT", mode.userHeight);
    if (width == 0 || height == 0) {
        gl_PrintFunc("%s: the device reports no usable frame size\n", kGrab);
        return ERR_FRAME_DATA_CORRUPT;
    }
    const int32_t result = intens_matrix_resize(frames, matrix_window{0, 0, width, height},
                                                static_cast<int16_t>(count), false);
    if (result != NO_ERROR) {
        intens_matrix_free(frames);
        return result;
    }
    frames->range = full_scale(mode.dataResolution);
    return NO_ERROR;
}

// Waits for the frame-grab thread to finish, giving each frame the frame
// time-out and asking the abort hook between. NO_ERROR once the thread has
// finished; ERR_ACQ_TIMEOUT or ERR_SUNWELL_ABORTED when it has not.
int32_t watch(acquisition::grab_run& run) {
    const auto timeout = std::chrono::milliseconds(acquisition::bounds().frame_timeout_ms.load());
    auto deadline = clock_type::now() + timeout;
    int32_t seen = 0;
    while (!run.finished) {
        if (aborted()) return ERR_SUNWELL_ABORTED;
        const auto now = clock_type::now();
        if (const int32_t done = run.framesDone; done != seen) {
            seen = done;
            deadline = now + timeout;
        } else if (now >= deadline) {
            gl_PrintFunc("%s: frame %d of %d did not come in time\n", kGrab, seen + 1, run.count);
            return ERR_ACQ_TIMEOUT;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        plat::wait_event(run.progress, std::clamp<int64_t>(left, 1, ACQ_ABORT_POLL_MS));
    }
    return NO_ERROR;
}

// From acquisition started to stopped: the thread, the scan, the wait. The
// thread is joined before this returns, whatever happens.
int32_t run_acquisition(acquisition::grab_run& run, const acq_grab_request& request) {
    run.progress = plat::create_event(nullptr, false, false);
    plat::thread_handle thread =
        run.progress != nullptr ? plat::start_thread(acquisition::grab_thread, &run) : nullptr;
    if (thread == nullptr) {
        gl_PrintFunc("%s: Cannot start the frame-grab thread\n", kGrab);
        if (run.progress != nullptr) plat::close_event(run.progress);
        gl_Kv.AcquireStop(run.deviceId);
        return ERR_UNKNOWN;
    }

    int32_t result = request.startScan != nullptr ? request.startScan(request.context) : NO_ERROR;
    if (result == NO_ERROR) result = watch(run);
    if (result != NO_ERROR) {
        // A read that waits ends with the stop; the thread reads no further.
        run.stop = true;
        gl_Kv.AcquireStop(run.deviceId);
        plat::join_thread(thread);
    } else {
        plat::join_thread(thread);
        result = run.result;
        // The device's last error belongs to the failed read: read it first.
        if (run.readFailed) result = read_failure();
        gl_Kv.AcquireStop(run.deviceId);
    }
    plat::close_thread(thread);
    plat::close_event(run.progress);
    return result;
}

// The grab once the device is open; the caller closes it.
int32_t grab_open_device(int32_t device, const sys_acq_mode& mode, const acq_grab_request& request,
                         intens_matrix* frames) {
    int32_t result = allocate_frames(mode, request.frames, frames);
    if (result != NO_ERROR) return result;
    if (gl_Kv.AcquireStart(device) == 0) {
        gl_PrintFunc("%s: Cannot start acquisition\n", kGrab);
        return last_error_or(ERR_ACQ_CMD);
    }
    acquisition::grab_run run;
    run.deviceId = device;
    run.frames = frames->matrix;
    run.pixels = int64_t{frames->window.width} * frames->window.height;
    run.count = request.frames;
    return run_acquisition(run, request);
}

bool valid_request(const sys_info* info, const acq_grab_request* request,
                   const intens_matrix* frames) {
    return info != nullptr && request != nullptr && frames != nullptr &&
           frames->matrix == nullptr && info->acq.ready != 0 && gl_AcqLibrary != nullptr &&
           request->frames >= 1 && request->frames <= INT16_MAX &&
           std::isfinite(request->frameRate) && request->frameRate > 0;
}

}  // namespace

int32_t acq_grab_frames(sys_info* info, const acq_grab_request* request, intens_matrix* frames) {
    if (!valid_request(info, request, frames)) return ERR_INVALID_PARAM;
    sys_acq_info& acq = info->acq;
    const int32_t index = acq_pick_mode(info, request->frameRate);
    if (index < 0) {
        gl_PrintFunc("%s: no camera mode for %.1f frames per second\n", kGrab, request->frameRate);
        return ERR_ACQ_INVALID_MODE;
    }
    const sys_acq_mode& mode = acq.modes[index];
    int32_t result = select_camera(acq, mode);
    if (result != NO_ERROR) return result;
    acq.currentMode = index;

    const int32_t device = camera_device(acq);
    if (gl_Kv.OpenDevice(device, mode.modeId) == 0) {
        gl_PrintFunc("%s: Cannot open the acquisition device\n", kGrab);
        return last_error_or(ERR_ACQ_DEVICE_OPEN);
    }
    result = grab_open_device(device, mode, *request, frames);
    gl_Kv.CloseDevice(device);
    if (result != NO_ERROR) intens_matrix_free(frames);
    return result;
}

int32_t acq_grab_ramp(sys_info* info, int32_t ramp_index, acq_start_scan_func start_scan,
                      void* context, intens_matrix* frames) {
    if (info == nullptr || info->ramps.rampTable == nullptr || ramp_index < 0 ||
        ramp_index >= info->ramps.rampCount) {
        return ERR_INVALID_PARAM;
    }
    const rr_ramp_hdr_t& hdr = info->ramps.rampTable[ramp_index].hdr;
    const acq_grab_request request{hdr.cameraRate, hdr.nBuckets, start_scan, context};
    return acq_grab_frames(info, &request, frames);
}
