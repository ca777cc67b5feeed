// The set-up of the grab tests: an initialised acquisition system, a small
// surface under the simulated camera, and a start-scan hook that publishes a
// scan the way the simulated scanner does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <unistd.h>
#endif

#include "acq_fixture.h"
#include "acquisition/grab_bounds.h"
#include "errors/errors.h"
#include "ramps/ramps.h"
#include "sim/optics/optics.h"
#include "sim/optics/surface_file.h"
#include "sim/scanner/scan_state.h"
#include "support/wait_until.h"

namespace acq_test {

// The simulated camera's frames come this much sooner than the scan says.
inline constexpr double kQuickTime = 1e6;
inline constexpr int32_t kFullModeId = 300;

inline void set_text(char* destination, const std::string& text) {
    std::strncpy(destination, text.c_str(), SIM_ACQ_TEXT_SIZE - 1);
}

// The threads of this process; -1 where the system does not list them.
inline int64_t live_threads() {
#ifdef __linux__
    std::error_code failed;
    int64_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", failed), end;
         !failed && it != end; it.increment(failed)) {
        ++count;
    }
    return failed ? -1 : count;
#else
    return -1;
#endif
}

// Starts and joins one thread (a sanitizer may start a thread of its own
// with the first one), then waits until the system no longer lists it: a
// thread joined a moment ago can still be counted until it is reaped.
inline void start_and_reap_one_thread() {
#ifdef __linux__
    pid_t id = 0;
    std::thread([&id] { id = ::gettid(); }).join();
    const std::filesystem::path listed = "/proc/self/task/" + std::to_string(id);
    std::error_code failed;
    wait_until([&] { return !std::filesystem::exists(listed, failed); },
               std::chrono::milliseconds(5000));
#else
    std::thread([] {}).join();
#endif
}

// A scan of `frames` triggers a quarter fringe of the monochromatic source
// apart, 40 ms apart, starting now.
inline sim::scan_state quarter_fringe_scan(uint64_t sequence, int32_t ramp_type, int32_t frames) {
    sim::scan_state scan;
    scan.sequence = sequence;
    scan.ramp_type = ramp_type;
    scan.start_ns = sim::scan_clock_ns();
    for (int32_t k = 0; k < frames; ++k) {
        scan.triggers.push_back({int64_t{k} * 40000000, 79.1 * k});
    }
    return scan;
}

class GrabTest : public AcqTest {
  protected:
    void SetUp() override {
        AcqTest::SetUp();
        surface_ = optics::make_tilt(16, 12, 1.0, 3.0, -2.0);
        std::string error;
        ASSERT_TRUE(optics::save_surface(surface_file_.str(), surface_, &error)) << error;
        set_text(state_->camera.surfaceFile, surface_file_.str());
        set_text(state_->camera.scanFile, scan_file_.str());
        state_->camera.timeScale = kQuickTime;
        start_and_reap_one_thread();
        threads_before_ = live_threads();
        ASSERT_EQ(init(), NO_ERROR);
    }

    void TearDown() override {
        acquisition::bounds().frame_timeout_ms = ACQ_FRAME_TIMEOUT_MS;
        gl_AbortFunc = saved_abort_;
        intens_matrix_free(&frames_);
        AcqTest::TearDown();
    }

    // The hook: publishes the next scan, as a scanner does when its ramp starts.
    static int32_t publish_scan(void* context) {
        auto* test = static_cast<GrabTest*>(context);
        ++test->hook_calls_;
        if (test->hook_result_ != NO_ERROR) return test->hook_result_;
        if (!test->publish_) return NO_ERROR;
        return sim::write_scan_state(test->scan_file_.str(), test->scan_) ? NO_ERROR
                                                                          : ERR_CANT_WRITE_FILE;
    }

    int32_t grab(int32_t frames, double rate = 25) {
        if (scan_.triggers.empty()) scan_ = quarter_fringe_scan(1, RR_RAMP_PMI, frames);
        const acq_grab_request request{rate, frames, publish_scan, this};
        return acq_grab_frames(&gl_SysInfo[0], &request, &frames_);
    }

    // Frame k as the camera must have made it for the scan.
    std::vector<uint16_t> expected_frame(int32_t k, const optics::light_source& source) const {
        std::vector<uint16_t> pixels(surface_.height_nm.size());
        optics::render_frame(surface_, source, optics::camera{},
                             scan_.triggers[static_cast<size_t>(k)].position_nm,
                             static_cast<uint64_t>(k), pixels.data());
        return pixels;
    }
    std::vector<uint16_t> grabbed_frame(int32_t k) const {
        const uint16_t* elements = nullptr;
        if (intens_matrix_frame(&frames_, k, &elements) != NO_ERROR) return {};
        return {elements, elements + surface_.height_nm.size()};
    }

    // Every way out leaves the device stopped and closed, no frames and no thread.
    void expect_left_idle(bool holds_frames = false) {
        EXPECT_EQ(state_->camera.isOpen, 0);
        EXPECT_EQ(state_->camera.isAcquiring, 0);
        EXPECT_EQ(frames_.matrix != nullptr, holds_frames);
        expect_no_thread_left();
    }

    // A joined thread may linger in the system's list for a moment.
    void expect_no_thread_left() const {
        if (threads_before_ < 0) return;
        EXPECT_TRUE(wait_until([this] { return live_threads() == threads_before_; },
                               std::chrono::milliseconds(5000)))
            << live_threads() << " threads, " << threads_before_ << " before";
    }

    temp_file surface_file_{"grab-surface.npy"};
    temp_file scan_file_{"grab-scan.txt"};
    optics::surface surface_;
    sim::scan_state scan_;
    bool publish_ = true;
    int32_t hook_result_ = NO_ERROR;
    int32_t hook_calls_ = 0;
    intens_matrix frames_{};
    int64_t threads_before_ = -1;
    int (*saved_abort_)() = gl_AbortFunc;
    print_capture capture_;
};

}  // namespace acq_test
