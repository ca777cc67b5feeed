// What the frame-grab thread shares with the thread that waits for it.
// Internal to acquisition/.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/events.h"

namespace acquisition {

struct grab_run {
    int32_t deviceId = 0;
    uint16_t* frames = nullptr;  // frame k at frames + k * pixels
    int64_t pixels = 0;          // of one frame
    int32_t count = 0;
    plat::event_handle progress = nullptr;  // set after each frame and at the end

    std::atomic<int32_t> framesDone{0};
    std::atomic<bool> stop{false};  // set by the waiting thread
    std::atomic<bool> finished{false};
    // The thread's outcome, read once it is joined. readFailed: ReadDevice
    // itself failed, and the device's last error says why.
    int32_t result = 0;
    bool readFailed = false;
};

// The frame-grab thread: reads run->count frames in order, each checked
// against its frame number, until a failure or the stop.
void grab_thread(void* run);

// NO_ERROR when a frame's number is the expected one; ERR_LOST_FRAME when it
// is later (frames were skipped), ERR_FRAME_DATA_CORRUPT when it is earlier
// or no whole number.
int32_t check_frame_number(double number, int32_t expected);

}  // namespace acquisition
