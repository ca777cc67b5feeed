// Full initialisation: the record it fills and the summary it prints, the
// ownership mutex against another thread and another process, and repeated
// initialisations that leave nothing behind.
#include <chrono>
#include <string>

#include "acq_fixture.h"
#include "errors/errors.h"
#include "platform/named_mutex.h"
#include "support/mutex_holder.h"

namespace acq_test {
namespace {

using AcqInit = AcqTest;

int64_t elapsed_ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// True when a claimant in another thread gets the mutex at once (the Windows
// mutex would let this thread take it again).
bool mutex_is_free() {
    thread_mutex_holder probe(ACQ_MUTEX_NAME);
    return probe.held();
}

TEST_F(AcqInit, FillsTheRecordAndReportsTheSummary) {
    print_capture capture;
    ASSERT_EQ(init(), NO_ERROR);
    const sys_acq_info& a = acq();
    EXPECT_EQ(a.ready, 1);
    EXPECT_EQ(a.cameraSelection, 1);
    EXPECT_EQ(gl_SysInfo[0].cameraType, 12);
    EXPECT_EQ(a.numDevices, 1);
    EXPECT_EQ(a.primaryDeviceId, kDeviceId);
    EXPECT_EQ(a.numCameras, 1);
    EXPECT_EQ(a.primaryCameraId, kCameraId);
    EXPECT_EQ(a.numModes, 2);
    EXPECT_EQ(a.maxModeIndex, 1);
    EXPECT_EQ(a.numSecondaryModes, 0);
    EXPECT_EQ(a.numGrabBuffers, 4);
    EXPECT_EQ(a.displayType, 3);
    EXPECT_EQ(a.maxDisplayWidth, 1024);
    EXPECT_EQ(a.maxDisplayHeight, 768);
    EXPECT_EQ(a.onboardProc, 1);
    EXPECT_EQ(state_->cfgFilePath, config_dir());
    const std::string summary = std::string("Num acquisition devices    = 1\n") +
                                "Num cameras                = 1\n" +
                                "Num primary camera modes   = 2\n" +
                                "Num secondary camera modes = 0\n" +
                                "Primary camera type        = " + acq_camera_type_name(12) + "\n";
    EXPECT_NE(capture.printed().find(summary), std::string::npos) << capture.printed();
    EXPECT_FALSE(mutex_is_free());
    acq_mgrclose(&gl_SysInfo[0]);
    EXPECT_EQ(acq().ready, 0);
    EXPECT_TRUE(mutex_is_free());
}

TEST_F(AcqInit, DisplaySizeNeedsTheBitAndBothFigures) {
    sim_acq_device& device = state_->devices[0];
    set_params(device.params, &device.numParams, {{"DISPLAY TYPE", 1}, {"MAX DISPLAY WIDTH", 1024},
                                                  {"MAX DISPLAY HEIGHT", 768}});
    ASSERT_EQ(init(), NO_ERROR);
    EXPECT_EQ(acq().maxDisplayWidth, 0);
    EXPECT_EQ(acq().onboardProc, 0);
    EXPECT_EQ(acq().numGrabBuffers, 0);
    set_params(device.params, &device.numParams, {{"DISPLAY TYPE", 2}, {"MAX DISPLAY WIDTH", 1024}});
    ASSERT_EQ(init(), NO_ERROR);
    EXPECT_EQ(acq().maxDisplayWidth, 0);
}

TEST_F(AcqInit, UnknownCameraTypePrintsTypeZero) {
    cal_.write_text("CameraType: 40\n");
    print_capture capture;
    ASSERT_EQ(init(), NO_ERROR);
    EXPECT_NE(capture.printed().find(std::string("Primary camera type        = ") +
                                     acq_camera_type_name(0) + "\n"),
              std::string::npos);
}

TEST_F(AcqInit, CalibrationErrorIsReturnedBeforeTheMutex) {
    const std::string missing = cal_.str() + ".none";
    EXPECT_NE(acq_mgrinit(0, 0, missing.c_str()), NO_ERROR);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_TRUE(mutex_is_free());
    EXPECT_EQ(acq_mgrinit(SYS_INFO_COUNT, 0, cal_.c_str()), ERR_INVALID_PARAM);
}

TEST_F(AcqInit, AFailureReleasesTheMutexForTheNextAttempt) {
    state_->initResult = 0;
    EXPECT_EQ(init(), ERR_ACQ_INIT_DEV);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_EQ(gl_AcqMutex, nullptr);
    EXPECT_TRUE(mutex_is_free());
    state_->initResult = 1;
    state_->deviceCount = 0;  // discovery fails now
    EXPECT_EQ(init(), ERR_ACQ_INIT_DEV);
    EXPECT_EQ(state_->freeCalls, 1);
    EXPECT_TRUE(mutex_is_free());
    state_->deviceCount = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(init(), NO_ERROR);
    EXPECT_LT(elapsed_ms(start), ACQ_MUTEX_WAIT_MS);
}

TEST_F(AcqInit, HookFailureClosesEverything) {
    gl_AcqHooks.setupDevice = [](sys_info*, int32_t mode) -> int32_t {
        return mode == 1 ? ERR_ACQ_INVALID_MODE : NO_ERROR;
    };
    EXPECT_EQ(init(), ERR_ACQ_INVALID_MODE);
    EXPECT_EQ(acq().ready, 0);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_TRUE(mutex_is_free());
}

class AcqInitHeld : public AcqTest {
  protected:
    // With the mutex in the holder's hands, initialisation waits the full
    // time, is refused and leaves nothing open; once released, it succeeds.
    template <class Holder>
    void expect_refused_while_held() {
        Holder holder(ACQ_MUTEX_NAME);
        ASSERT_TRUE(holder.held());
        print_capture capture;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(init(), ERR_ACQ_INIT_DEV);
        EXPECT_GE(elapsed_ms(start), ACQ_MUTEX_WAIT_MS);
        EXPECT_NE(capture.printed().find(
                      "acq_mgrinit: Acquisition system in use by another process\n"),
                  std::string::npos);
        EXPECT_EQ(gl_AcqMutex, nullptr);
        EXPECT_EQ(gl_AcqLibrary, nullptr);
        EXPECT_EQ(state_->initCalls, 0);
        holder.release();
        EXPECT_EQ(init(), NO_ERROR);
    }
};

TEST_F(AcqInitHeld, ByAnotherThread) {
    expect_refused_while_held<thread_mutex_holder>();
}

#if !defined(_WIN32)
TEST_F(AcqInitHeld, ByAnotherProcess) {
    expect_refused_while_held<process_mutex_holder>();
}
#endif

TEST_F(AcqInit, RepeatedInitialisationsLeaveNothingBehind) {
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_EQ(init(), NO_ERROR) << cycle;
        if (cycle % 2 == 0) acq_mgrclose(&gl_SysInfo[0]);  // odd ones are closed by the next init
    }
    acq_mgrclose(&gl_SysInfo[0]);
    EXPECT_EQ(state_->initCalls, 100);
    EXPECT_EQ(state_->freeCalls, 100);
    EXPECT_EQ(gl_AcqLibrary, nullptr);
    EXPECT_EQ(gl_KvLdLibrary, nullptr);
    EXPECT_EQ(gl_AcqMutex, nullptr);
    EXPECT_EQ(gl_AcqCopyEvent, nullptr);
    EXPECT_TRUE(mutex_is_free());
    EXPECT_TRUE(release_and_check_unloaded());
}

}  // namespace
}  // namespace acq_test
