// Grabs against a camera that answers at random: failures with any error
// number, frames that come at once or never, frame numbers that skip, repeat
// or make no sense, frame sizes that are nonsense. Every grab ends with one
// of the grab's codes, writes nothing outside its buffers (the sanitizer
// build checks), and leaves the device closed and no thread behind; once the
// camera behaves again, a grab works.
#include <algorithm>
#include <set>

#include "grab_fixture.h"

namespace acq_test {
namespace {

using AcqGrabHostile = GrabTest;

TEST_F(AcqGrabHostile, EveryGrabEndsWithACodeAndLeavesTheDeviceIdle) {
    const std::set<int32_t> allowed = {NO_ERROR,
                                       ERR_ACQ_TIMEOUT,
                                       ERR_LOST_FRAME,
                                       ERR_ACQ_READ,
                                       ERR_FRAME_DATA_CORRUPT,
                                       ERR_ACQ_DEVICE_OPEN,
                                       ERR_ACQ_CMD,
                                       ERR_ACQ_DEVICE_BUSY,
                                       ERR_ACQ_DEVICE_CLOSE,
                                       ERR_ACQ_INVALID_MODE,
                                       ERR_ACQ_CFGFILE_INVALID,
                                       ERR_CANT_OPEN_FILE,
                                       ERR_UNKNOWN,
                                       ERR_DATASET_DIM_TOO_LARGE};
    state_->camera.timeoutMs = 5;
    acquisition::bounds().frame_timeout_ms = 50;
    std::set<int32_t> seen;
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        state_->camera.hostileSeed = seed;
        scan_ = quarter_fringe_scan(seed, RR_RAMP_PMI, 6);
        const int32_t result = grab(6);
        ASSERT_TRUE(allowed.count(result) == 1) << "seed " << seed << ": " << u_err_name(result);
        seen.insert(result);
        EXPECT_EQ(state_->camera.isOpen, 0) << "seed " << seed;
        EXPECT_EQ(state_->camera.isAcquiring, 0) << "seed " << seed;
        if (result == NO_ERROR) {
            EXPECT_EQ(frames_.n_buckets, 6);
            EXPECT_EQ(int64_t{frames_.window.width} * frames_.window.height * 6, frames_.size);
        } else {
            EXPECT_EQ(frames_.matrix, nullptr) << "seed " << seed;
        }
        intens_matrix_free(&frames_);
    }
    expect_no_thread_left();
    EXPECT_GE(seen.size(), 4u);  // the answers reached several ways out

    state_->camera.hostileSeed = 0;
    scan_ = quarter_fringe_scan(1000, RR_RAMP_PMI, 6);
    ASSERT_EQ(grab(6), NO_ERROR);
    EXPECT_EQ(grabbed_frame(5), expected_frame(5, optics::monochromatic_source()));
}

}  // namespace
}  // namespace acq_test
