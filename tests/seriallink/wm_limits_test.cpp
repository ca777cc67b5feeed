// The sweep limits in force for each kind of system, the check of a
// requested sweep at its boundaries and in its order, and the ramp set-up's
// system type check.
#include <limits>

#include "serial_test_support.h"

namespace serial_test {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class WmLimits : public ::testing::Test {
  protected:
    void SetUp() override {
        sys_info_clear(&info);
        info.waveMonitor.configLimits = {10, 1e9, 0, 2e6};
        info.waveMonitor.state.limits = {20, 5e8, 0, 1e6};
        info.waveMonitor.state.calibrated = 1;
        info.acq.currentMode = 1;
        info.acq.modes[1].dataRate = 100;
    }

    sys_sweep_limits limits_of(int32_t system_type) {
        info.systemType = system_type;
        sys_sweep_limits limits{-1, -1, -1, -1};
        EXPECT_EQ(wm_get_ramp_limits(&info, &limits), NO_ERROR);
        return limits;
    }

    // The code of a sweep of range over buckets (rate: range x 100 / buckets).
    int32_t verify(double range, int32_t buckets) {
        const wm_sweep_request request{buckets, range};
        return wm_verify_ramp_in_limits(&info, &request);
    }

    print_capture capture;
    sys_info info{};
};

void expect_limits(const sys_sweep_limits& got, const sys_sweep_limits& want) {
    EXPECT_EQ(got.minRate, want.minRate);
    EXPECT_EQ(got.maxRate, want.maxRate);
    EXPECT_EQ(got.minRange, want.minRange);
    EXPECT_EQ(got.maxRange, want.maxRange);
}

TEST_F(WmLimits, BySystemType) {
    // Configured and narrowed by the wave monitor's own.
    expect_limits(limits_of(19), {20, 5e8, 0, 1e6});
    expect_limits(limits_of(30), {20, 5e8, 0, 1e6});
    // Configured alone.
    for (const int32_t type : {27, 32, 33}) expect_limits(limits_of(type), {10, 1e9, 0, 2e6});
    // No wave monitor: the defaults.
    for (const int32_t type : {0, 18, 31}) expect_limits(limits_of(type), {0, kLargest, 0, 1.5e11});
    sys_sweep_limits limits{};
    EXPECT_EQ(wm_get_ramp_limits(nullptr, &limits), NO_ERROR);
    expect_limits(limits, {0, kLargest, 0, 1.5e11});
    EXPECT_EQ(wm_get_ramp_limits(&info, nullptr), ERR_INVALID_PARAM);

    // Narrowing takes the tighter side of each limit.
    info.waveMonitor.state.limits = {5, 2e9, 1, 3e6};
    expect_limits(limits_of(19), {10, 1e9, 1, 2e6});

    // An uncalibrated wave monitor allows nothing on its systems only.
    info.waveMonitor.state.calibrated = 0;
    expect_limits(limits_of(19), {0, 0, 0, 0});
    expect_limits(limits_of(30), {0, 0, 0, 0});
    expect_limits(limits_of(27), {10, 1e9, 0, 2e6});
}

TEST_F(WmLimits, ChecksInOrderAtTheirBoundaries) {
    info.systemType = 27;  // limits: rate 10 to 1e9, range up to 2e6
    EXPECT_EQ(verify(2e6, 1000), NO_ERROR);
    EXPECT_EQ(verify(2e6 + 0.0009, 1000), NO_ERROR);  // within the tolerance
    EXPECT_EQ(verify(2e6 + 0.01, 1000), ERR_WM_TUNE_RANGE_TOO_LARGE);
    EXPECT_EQ(printed(), "wm_verify_ramp_in_limits: req_range = 2e+06 too large\n");

    // Range before rate, rate before buckets, buckets before slowness.
    EXPECT_EQ(verify(3e6, 5000), ERR_WM_TUNE_RANGE_TOO_LARGE);
    info.waveMonitor.configLimits.maxRate = 50;
    EXPECT_EQ(verify(2000, 3801), ERR_WM_TUNE_RANGE_TOO_LARGE);  // rate 52.6 too fast
    info.waveMonitor.configLimits.maxRate = 1e9;
    printed().clear();
    EXPECT_EQ(verify(1, 3801), ERR_WM_NUM_BUCKETS_TOO_LARGE);  // also too slow
    EXPECT_EQ(printed(), "wm_verify_ramp_in_limits: req_buckets = 3801 is too big\n");
    EXPECT_EQ(verify(1000, 3800), NO_ERROR);  // rate 26.3
    EXPECT_EQ(verify(1000, 3801), ERR_WM_NUM_BUCKETS_TOO_LARGE);

    // The slowest rate must be exceeded by the tolerance.
    printed().clear();
    EXPECT_EQ(verify(100, 1000), ERR_WM_TUNE_RATE_TOO_SLOW);  // rate 10
    EXPECT_EQ(printed(), "wm_verify_ramp_in_limits: req_rate = 10 is too slow\n");
    EXPECT_EQ(verify(100.1, 1000), NO_ERROR);  // rate 10.01

    info.waveMonitor.configLimits.maxRate = 1000;
    printed().clear();
    EXPECT_EQ(verify(20000, 1000), ERR_WM_TUNE_RANGE_TOO_LARGE);  // rate 2000
    EXPECT_EQ(printed(), "wm_verify_ramp_in_limits: req_rate = 2000 too fast\n");
}

TEST_F(WmLimits, UncalibratedWaveMonitorRefusesEverySweep) {
    info.systemType = 19;
    info.waveMonitor.state.calibrated = 0;
    EXPECT_EQ(verify(0.002, 10), ERR_WM_TUNE_RANGE_TOO_LARGE);
    EXPECT_EQ(verify(0.001, 1000), ERR_WM_TUNE_RATE_TOO_SLOW);
}

TEST_F(WmLimits, NotANumberNeverPasses) {
    info.systemType = 19;
    EXPECT_EQ(verify(kNaN, 100), ERR_WM_TUNE_RANGE_TOO_LARGE);
    // A NaN limit from the device survives the narrowing and fails its check.
    info.waveMonitor.state.limits.maxRate = kNaN;
    EXPECT_EQ(verify(1000, 100), ERR_WM_TUNE_RANGE_TOO_LARGE);
    info.waveMonitor.state.limits.maxRate = 5e8;
    info.waveMonitor.state.limits.minRate = kNaN;
    EXPECT_EQ(verify(1000, 100), ERR_WM_TUNE_RATE_TOO_SLOW);
    // So does a NaN data rate.
    info.waveMonitor.state.limits.minRate = 20;
    info.acq.modes[1].dataRate = kNaN;
    EXPECT_EQ(verify(1000, 100), ERR_WM_TUNE_RANGE_TOO_LARGE);
}

TEST_F(WmLimits, RequestsWithoutARate) {
    info.systemType = 27;
    EXPECT_EQ(verify(1000, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(verify(1000, -5), ERR_INVALID_PARAM);
    info.acq.currentMode = SYS_ACQ_MAX_MODES;
    EXPECT_EQ(verify(1000, 100), ERR_INVALID_PARAM);
    info.acq.currentMode = -1;
    EXPECT_EQ(verify(1000, 100), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_verify_ramp_in_limits(nullptr, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_verify_ramp_in_limits(&info, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(printed(), "");
}

TEST_F(WmLimits, RampInfoOnlyForWaveMonitorSystems) {
    for (const int32_t type : {19, 27, 30, 32, 33}) {
        info.systemType = type;
        EXPECT_EQ(wm_init_ramp_info(&info), NO_ERROR);
    }
    EXPECT_EQ(printed(), "");
    info.systemType = 20;
    EXPECT_EQ(wm_init_ramp_info(&info), ERR_UNKNOWN);
    EXPECT_EQ(printed(), "wm_init_ramp_info: invalid system type\n");
}

}  // namespace
}  // namespace serial_test
