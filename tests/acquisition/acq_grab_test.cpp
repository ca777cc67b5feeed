// Grabbing the frames of a scan against the simulated camera: the frames it
// renders, the mode chosen, and every way a grab fails, each of which leaves
// the device stopped and closed and no frame-grab thread behind.
#include <cmath>
#include <limits>

#include "grab_fixture.h"

namespace acq_test {
namespace {

using AcqGrab = GrabTest;

TEST_F(AcqGrab, ReadsEveryFrameOfTheScanAtItsScannerPosition) {
    ASSERT_EQ(grab(5), NO_ERROR);
    EXPECT_EQ(frames_.window.width, 16);
    EXPECT_EQ(frames_.window.height, 12);
    EXPECT_EQ(frames_.n_buckets, 5);
    EXPECT_EQ(frames_.range, 4095);  // the 12-bit mode
    for (int32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(grabbed_frame(k), expected_frame(k, optics::monochromatic_source()))
            << "frame " << k;
    }
    EXPECT_EQ(hook_calls_, 1);
    EXPECT_EQ(state_->camera.openMode, kFullModeId);
    EXPECT_EQ(state_->camera.framesDelivered, 5);
    expect_left_idle(true);
}

TEST_F(AcqGrab, ScanningRampsAreLitByTheBroadBandSource) {
    scan_ = quarter_fringe_scan(1, RR_RAMP_SWLI, 3);
    ASSERT_EQ(grab(3), NO_ERROR);
    EXPECT_EQ(grabbed_frame(2), expected_frame(2, optics::broadband_source()));
    EXPECT_NE(grabbed_frame(2), expected_frame(2, optics::monochromatic_source()));
}

// The scan that was there before acquisition started is an old one.
TEST_F(AcqGrab, TakesOnlyTheScanPublishedAfterTheStart) {
    sim::scan_state old_scan = quarter_fringe_scan(7, RR_RAMP_PMI, 4);
    for (sim::scan_trigger& trigger : old_scan.triggers) trigger.position_nm += 40;
    ASSERT_TRUE(sim::write_scan_state(scan_file_.str(), old_scan));
    scan_ = quarter_fringe_scan(8, RR_RAMP_PMI, 4);
    ASSERT_EQ(grab(4), NO_ERROR);
    EXPECT_EQ(grabbed_frame(3), expected_frame(3, optics::monochromatic_source()));
}

TEST_F(AcqGrab, GrabsTheRampOfTheTableAtItsRateAndBuckets) {
    rr_ramp_t ramp{};
    rr_init_ramp(&ramp);
    ramp.hdr.cameraRate = 25;
    ramp.hdr.nBuckets = 6;
    gl_SysInfo[0].ramps.rampTable = &ramp;
    gl_SysInfo[0].ramps.rampCount = 1;
    scan_ = quarter_fringe_scan(1, RR_RAMP_PMI, 6);
    EXPECT_EQ(acq_grab_ramp(&gl_SysInfo[0], 1, publish_scan, this, &frames_), ERR_INVALID_PARAM);
    EXPECT_EQ(acq_grab_ramp(&gl_SysInfo[0], 0, publish_scan, this, &frames_), NO_ERROR);
    EXPECT_EQ(frames_.n_buckets, 6);
    gl_SysInfo[0].ramps.rampTable = nullptr;
    gl_SysInfo[0].ramps.rampCount = 0;
}

// Under virtual-instrument the camera finds the scan, the surface and its
// faults through the environment.
TEST_F(AcqGrab, FollowsTheEnvironmentOfTheVirtualInstrument) {
    state_->camera.scanFile[0] = state_->camera.surfaceFile[0] = '\0';
    state_->camera.timeScale = 0;
    scoped_env scan("SIM_SCAN_FILE", scan_file_.c_str());
    scoped_env surface("SIM_SURFACE", surface_file_.c_str());
    scoped_env scale("SIM_TIME_SCALE", "1e6");
    scoped_env fault("SIM_CAMERA_FAULT", "drop:0");
    EXPECT_EQ(grab(3), ERR_LOST_FRAME);
    expect_left_idle();
}

TEST_F(AcqGrab, TakesTheCameraNoiseFromTheEnvironment) {
    scoped_env noise("SIM_CAMERA_NOISE", "7.5");
    scoped_env seed("SIM_CAMERA_SEED", "99");
    ASSERT_EQ(grab(3), NO_ERROR);
    optics::camera noisy;
    noisy.noise_sigma = 7.5;
    noisy.seed = 99;
    std::vector<uint16_t> expected(surface_.height_nm.size());
    optics::render_frame(surface_, optics::monochromatic_source(), noisy,
                         scan_.triggers[2].position_nm, 2, expected.data());
    EXPECT_EQ(grabbed_frame(2), expected);
    EXPECT_NE(grabbed_frame(2), expected_frame(2, optics::monochromatic_source()));
}

// The frame of a trigger comes at its time, not before.
TEST_F(AcqGrab, AFrameWhoseTimeHasNotComeTimesTheCameraOut) {
    state_->camera.timeScale = 1;
    state_->camera.timeoutMs = 50;
    scan_ = quarter_fringe_scan(1, RR_RAMP_PMI, 3);
    scan_.start_ns += int64_t{3600} * 1000000000;
    EXPECT_EQ(grab(3), ERR_ACQ_TIMEOUT);
    EXPECT_EQ(state_->camera.framesDelivered, 0);
    expect_left_idle();
}

TEST_F(AcqGrab, NoScanTimesTheCameraOut) {
    publish_ = false;
    state_->camera.timeoutMs = 50;
    EXPECT_EQ(grab(3), ERR_ACQ_TIMEOUT);
    EXPECT_NE(capture_.printed().find("Timed Out Waiting for Frames"), std::string::npos);
    expect_left_idle();
}

TEST_F(AcqGrab, ADroppedFrameIsALostFrame) {
    set_name(state_->camera.fault, "drop:2");
    EXPECT_EQ(grab(5), ERR_LOST_FRAME);
    EXPECT_EQ(state_->camera.framesDelivered, 3);  // frames 0, 1 and 3
    expect_left_idle();
}

// The camera stops answering: the library's own frame time-out ends the
// grab, and the stop ends the read that still waits.
TEST_F(AcqGrab, AStalledCameraTimesOutWithinTheFrameTimeOut) {
    set_name(state_->camera.fault, "stall:2");
    acquisition::bounds().frame_timeout_ms = 100;
    EXPECT_EQ(grab(5), ERR_ACQ_TIMEOUT);
    EXPECT_NE(capture_.printed().find("frame 3 of 5 did not come in time"), std::string::npos);
    EXPECT_EQ(state_->camera.stopCalls, 1);
    expect_left_idle();
}

TEST_F(AcqGrab, AFailingReadIsAReadError) {
    set_name(state_->failures[0].entry, "ReadDevice");
    state_->failures[0].nth = 2;
    EXPECT_EQ(grab(4), ERR_ACQ_READ);
    expect_left_idle();
}

int abort_now() {
    return 1;
}

TEST_F(AcqGrab, AnAbortFromTheHostEndsTheGrab) {
    publish_ = false;  // frames never come: only the abort ends the wait
    gl_AbortFunc = abort_now;
    EXPECT_EQ(grab(4), ERR_SUNWELL_ABORTED);
    expect_left_idle();
}

TEST_F(AcqGrab, AScanThatCannotStartGivesItsError) {
    hook_result_ = ERR_UZ_RECV_TIMEOUT;
    EXPECT_EQ(grab(4), ERR_UZ_RECV_TIMEOUT);
    EXPECT_EQ(state_->camera.stopCalls, 1);
    expect_left_idle();
}

TEST_F(AcqGrab, OpenAndStartFailuresLeaveTheDeviceClosed) {
    set_text(state_->camera.surfaceFile, surface_file_.str() + ".missing");
    EXPECT_EQ(grab(2), ERR_CANT_OPEN_FILE);  // the camera's "Cannot Find File"
    EXPECT_EQ(hook_calls_, 0);
    expect_left_idle();

    set_text(state_->camera.surfaceFile, surface_file_.str());
    set_name(state_->failures[0].entry, "AcquireStart");
    state_->failures[0].nth = 1;
    state_->lastError = 5;
    EXPECT_EQ(grab(2), ERR_ACQ_DEVICE_BUSY);
    EXPECT_EQ(hook_calls_, 0);
    expect_left_idle();
}

TEST_F(AcqGrab, RefusesWhatItCannotGrab) {
    EXPECT_EQ(grab(2, 1000), ERR_ACQ_INVALID_MODE);
    EXPECT_EQ(grab(0), ERR_INVALID_PARAM);
    EXPECT_EQ(grab(32768), ERR_INVALID_PARAM);
    EXPECT_EQ(grab(2, std::numeric_limits<double>::quiet_NaN()), ERR_INVALID_PARAM);
    EXPECT_EQ(state_->camera.openCalls, 0);
    ASSERT_EQ(grab(2), NO_ERROR);
    EXPECT_EQ(grab(2), ERR_INVALID_PARAM);  // the matrix already holds frames
    acq_mgrclose(&gl_SysInfo[0]);
    intens_matrix_free(&frames_);
    EXPECT_EQ(grab(2), ERR_INVALID_PARAM);  // not ready
}

// The simulated camera copies a frame only into a buffer of the frame's size.
TEST_F(AcqGrab, TheCameraRefusesABufferOfAnotherSize) {
    ASSERT_EQ(gl_Kv.OpenDevice(kDeviceId, kFullModeId), 1);
    ASSERT_EQ(gl_Kv.AcquireStart(kDeviceId), 1);
    std::vector<uint16_t> buffer(16 * 12 + 1);
    EXPECT_EQ(gl_Kv.ReadDevice(kDeviceId, buffer.data(), 16 * 12 * 2 - 2), 0);
    EXPECT_EQ(gl_Kv.GetLastAcqError(), SIM_ACQ_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(gl_Kv.ReadDevice(kDeviceId, buffer.data(), 16 * 12 * 2 + 2), 0);
    EXPECT_EQ(gl_Kv.ReadDevice(kDeviceId, nullptr, 16 * 12 * 2), 0);
    EXPECT_EQ(gl_Kv.OpenDevice(kDeviceId, kFullModeId), 0);  // already open
    EXPECT_EQ(gl_Kv.GetLastAcqError(), SIM_ACQ_ERROR_BUSY);
    EXPECT_EQ(gl_Kv.CloseDevice(kDeviceId), 1);
    EXPECT_EQ(gl_Kv.OpenDevice(kDeviceId, 999), 0);
    EXPECT_EQ(gl_Kv.GetLastAcqError(), SIM_ACQ_ERROR_INVALID_MODE);
}

TEST(AcqPickMode, TakesTheLargestFrameThenTheSlowestModeThatKeepsUp) {
    sys_info info{};
    sys_acq_info& acq = info.acq;
    acq.numModes = 4;
    acq.modes[0] = {1, 60, 640, 480, 2, 12, 16};
    acq.modes[1] = {2, 30, 640, 480, 2, 12, 33};
    acq.modes[2] = {3, 120, 320, 240, 2, 12, 8};
    acq.modes[3] = {4, 30, 640, 480, 2, 12, 33};
    EXPECT_EQ(acq_pick_mode(&info, 25), 1);
    EXPECT_EQ(acq_pick_mode(&info, 30.05), 1);  // within the tolerance
    EXPECT_EQ(acq_pick_mode(&info, 45), 0);
    EXPECT_EQ(acq_pick_mode(&info, 100), 2);
    EXPECT_EQ(acq_pick_mode(&info, 121), -1);
    EXPECT_EQ(acq_pick_mode(&info, 0), -1);
    EXPECT_EQ(acq_pick_mode(&info, std::nan("")), -1);
    EXPECT_EQ(acq_pick_mode(nullptr, 25), -1);
}

}  // namespace
}  // namespace acq_test
