// The frame-grab thread: frames from the device into the grab's matrix.
#include <cmath>

#include "acquisition/acquisition.h"
#include "acquisition/grab_run.h"
#include "errors/errors.h"

namespace acquisition {

int32_t check_frame_number(double number, int32_t expected) {
    if (!std::isfinite(number) || number != std::floor(number) || number < expected) {
        return ERR_FRAME_DATA_CORRUPT;
    }
    return number > expected ? ERR_LOST_FRAME : NO_ERROR;
}

namespace {

int32_t read_frames(grab_run* run) {
    const auto bytes = static_cast<int32_t>(run->pixels * 2);
    for (int32_t k = 0; k < run->count && !run->stop; ++k) {
        if (gl_Kv.ReadDevice(run->deviceId, run->frames + k * run->pixels, bytes) == 0) {
            run->readFailed = true;
            return ERR_ACQ_READ;
        }
        double number = -1;
        if (gl_Kv.AcqDeviceQuery("FRAME NUMBER", &number) == 0) return ERR_ACQ_READ;
        if (const int32_t result = check_frame_number(number, k); result != NO_ERROR) return result;
        run->framesDone = k + 1;
        plat::set_event(run->progress);
    }
    return NO_ERROR;
}

}  // namespace

void grab_thread(void* argument) {
    auto* run = static_cast<grab_run*>(argument);
    run->result = read_frames(run);
    run->finished = true;
    plat::set_event(run->progress);
}

}  // namespace acquisition
