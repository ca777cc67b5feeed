// The wave monitor link against the simulated wave monitor: the laser switch
// and its wait, both switch-on sequences, each injected fault and the
// recovery after it, and a hostile device.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "device_test_support.h"
#include "util/util.h"

namespace serial_test {
namespace {

class WmSimulated : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test_device::available()) GTEST_SKIP() << kNoPeer;
        ASSERT_TRUE(device.is_open());
        sys_info_clear(&info);
        std::snprintf(info.waveMonitor.line.portName, sizeof info.waveMonitor.line.portName, "%s",
                      device.device_path());
        info.waveMonitor.clValue = 0.5;
        info.waveMonitor.systemGain = 2.5f;
    }
    void TearDown() override {
        if (handle() != plat::kInvalidPort) {
            EXPECT_EQ(wm_comm_close(&handle()), NO_ERROR);
        }
    }

    plat::port_handle& handle() { return info.waveMonitor.line.portHandle; }

    // Opens the line as the switch-on does, with a port time-out of one
    // second for the bytes after the first.
    void open() {
        ASSERT_EQ(wm_comm_open_fd(&handle(), device.device_path()), NO_ERROR);
        ASSERT_EQ(sio_set_timeout(handle(), 1), NO_ERROR);
    }

    // The commands the device has taken, carriage returns shown as '|'.
    std::string commands() const {
        std::string text;
        for (const uint8_t byte : device.received()) text += byte == 0x0D ? '|' : static_cast<char>(byte);
        return text;
    }

    int count(const char* name) const { return std::atoi(device.get(name).c_str()); }

    print_capture capture;
    short_waits waits;
    test_device device{"wave_monitor"};
    sys_info info{};
};

// ---- the laser ----------------------------------------------------------------

TEST_F(WmSimulated, LaserFollowsOnTheThirdPoll) {
    ASSERT_TRUE(device.set("laser", "0"));
    ASSERT_TRUE(device.set("laser_polls", "3"));
    open();
    EXPECT_EQ(wm_set_laser_with_wait(&handle(), 1), NO_ERROR);
    EXPECT_EQ(count("lo_queries"), 3);
    EXPECT_EQ(device.get("laser"), "1");
    EXPECT_EQ(commands(), "LO=1|LO?|LO?|LO?|");
    // Any wanted state but 1 is off, and the wait looks for off.
    device.clear_received();
    EXPECT_EQ(wm_set_laser_with_wait(&handle(), 2), NO_ERROR);
    EXPECT_EQ(device.get("laser"), "0");
    EXPECT_EQ(commands(), "LO=0|LO?|LO?|LO?|");
    EXPECT_EQ(printed(), "");
}

TEST_F(WmSimulated, LaserThatNeverFollowsTimesOut) {
    ASSERT_TRUE(device.set("laser", "0"));
    ASSERT_TRUE(device.set("laser_polls", "100"));
    open();
    EXPECT_EQ(wm_set_laser_with_wait(&handle(), 1), ERR_WM_LASER_CONTROL_TIMEOUT);
    EXPECT_EQ(count("lo_queries"), 10);
    EXPECT_EQ(printed(), "wm_set_laser_with_wait: timeout waiting for laser to switch ON\n");
}

int g_abort_calls = 0;
int abort_on_second_call() {
    return ++g_abort_calls >= 2 ? 1 : 0;
}

TEST_F(WmSimulated, AbortHookEndsTheWait) {
    ASSERT_TRUE(device.set("laser", "1"));
    ASSERT_TRUE(device.set("laser_polls", "100"));
    open();
    int (*saved)() = gl_AbortFunc;
    gl_AbortFunc = abort_on_second_call;
    g_abort_calls = 0;
    EXPECT_EQ(wm_set_laser_with_wait(&handle(), 0), ERR_SUNWELL_ABORTED);
    gl_AbortFunc = saved;
    EXPECT_EQ(g_abort_calls, 2);
    EXPECT_EQ(count("lo_queries"), 2);
}

// ---- switching on ---------------------------------------------------------------

TEST_F(WmSimulated, BoardSwitchOnOfSystem19SendsTheClValue) {
    info.systemType = 19;
    ASSERT_TRUE(device.set("cal_age", "60"));
    EXPECT_EQ(wm_board_switch_on(&info), NO_ERROR);
    EXPECT_EQ(commands(), "CL=5000000|MS?|CC?|");
    EXPECT_EQ(device.get("cl"), "5000000");
    const sys_wave_monitor_state& s = info.waveMonitor.state;
    EXPECT_EQ(s.calibrated, 1);
    EXPECT_EQ(s.systemGain, 2.5f);   // the device's
    EXPECT_EQ(s.adcOffset[3], 65535);
    EXPECT_EQ(s.limits.maxRate, 40e6);
    char when[U_TIME_STAMP_SIZE];
    u_format_time(s.calTime, when);
    EXPECT_EQ(printed().rfind(std::string("Wave monitor calibrated ") + when + "\nADC Gain A : 1.500000\n", 0),
              0u)
        << printed();
    EXPECT_NE(printed().find("System Gain: 2.500000\n"), std::string::npos);
    // The ramp set-up that follows later in the switch-on.
    EXPECT_EQ(wm_init_ramp_info(&info), NO_ERROR);
}

TEST_F(WmSimulated, BoardSwitchOnOfSystem27SendsTheSystemGain) {
    info.systemType = 27;
    info.waveMonitor.systemGain = 0.75f;
    ASSERT_TRUE(device.set("calibrated", "0"));
    ASSERT_TRUE(device.set("ss", "0"));
    EXPECT_EQ(wm_board_switch_on(&info), NO_ERROR);
    EXPECT_EQ(commands(), "SS=0.750000|MS?|");
    EXPECT_EQ(device.get("ss"), "0.75");
    EXPECT_EQ(printed(), "Wave monitor not calibrated\n");
    EXPECT_NE(handle(), plat::kInvalidPort);
    // A second switch-on starts from a fresh line.
    EXPECT_EQ(wm_board_switch_on(&info), NO_ERROR);
}

TEST_F(WmSimulated, BoardSwitchOnSkipsOtherSystemsAndClosesOnFailure) {
    info.systemType = 5;
    EXPECT_EQ(wm_board_switch_on(&info), NO_ERROR);
    EXPECT_EQ(handle(), plat::kInvalidPort);
    EXPECT_TRUE(device.received().empty());

    info.systemType = 19;
    device.inject(sim::device_fault::silence, 1);
    {
        const first_byte_timeout silent;
        EXPECT_EQ(wm_board_switch_on(&info), ERR_WM_TIMEOUT);
    }
    EXPECT_EQ(handle(), plat::kInvalidPort);

    std::snprintf(info.waveMonitor.line.portName, sizeof info.waveMonitor.line.portName, "%s",
                  "no-such-port");
    printed().clear();
    EXPECT_EQ(wm_board_switch_on(&info), ERR_WM_COMM);
    EXPECT_EQ(printed(),
              "wm_comm_open_fd: error initializing device no-such-port: ERR_CANT_OPEN_SERIAL\n");
    EXPECT_EQ(handle(), plat::kInvalidPort);
    EXPECT_EQ(wm_board_switch_on(nullptr), ERR_INVALID_PARAM);
}

TEST_F(WmSimulated, CanSwitchOnOfSystem30SwitchesTheLaserOn) {
    info.systemType = 30;
    ASSERT_TRUE(device.set("laser", "0"));
    ASSERT_TRUE(device.set("laser_polls", "2"));
    ASSERT_TRUE(device.set("full_cal", "0"));
    ASSERT_TRUE(device.set("no_second_query", "1"));
    EXPECT_EQ(wm_can_switch_on(&info), NO_ERROR);
    EXPECT_EQ(commands(), "MS?|LO=1|LO?|LO?|CL=5000000|MS?|CC?|");
    EXPECT_EQ(info.waveMonitor.state.statusFlags & WM_FLAG_LASER_ON, WM_FLAG_LASER_ON);
    EXPECT_EQ(info.waveMonitor.state.adcGain[0], 0.0f);  // the short record
}

TEST_F(WmSimulated, CanSwitchOnOfSystem32LeavesALaserThatIsOn) {
    info.systemType = 32;
    EXPECT_EQ(wm_can_switch_on(&info), NO_ERROR);
    EXPECT_EQ(commands(), "LO?|SS=2.500000|");
    info.systemType = 27;  // not a CAN wave monitor system
    device.clear_received();
    EXPECT_EQ(wm_can_switch_on(&info), NO_ERROR);
    EXPECT_TRUE(device.received().empty());
}

TEST_F(WmSimulated, FailedCanSwitchOnClosesTheLine) {
    info.systemType = 33;
    ASSERT_TRUE(device.set("laser", "0"));
    ASSERT_TRUE(device.set("laser_polls", "1000"));
    EXPECT_EQ(wm_can_switch_on(&info), ERR_WM_LASER_CONTROL_TIMEOUT);
    EXPECT_EQ(handle(), plat::kInvalidPort);
    info.systemType = 30;
    device.inject(sim::device_fault::silence, 1);
    const first_byte_timeout silent;
    EXPECT_EQ(wm_can_switch_on(&info), ERR_WM_TIMEOUT);
    EXPECT_EQ(handle(), plat::kInvalidPort);
}

TEST_F(WmSimulated, SwitchOffClosesTheLineOnce) {
    info.systemType = 27;
    ASSERT_EQ(wm_board_switch_on(&info), NO_ERROR);
    ASSERT_NE(handle(), plat::kInvalidPort);
    EXPECT_EQ(wm_switch_off(&info), NO_ERROR);
    EXPECT_EQ(handle(), plat::kInvalidPort);
    EXPECT_EQ(wm_switch_off(&info), NO_ERROR);
    EXPECT_EQ(wm_switch_off(nullptr), ERR_INVALID_PARAM);
}

// ---- faults -------------------------------------------------------------------

TEST_F(WmSimulated, EachFaultFailsOneExchangeAndTheNextOneWorks) {
    open();
    struct expected {
        sim::device_fault fault;
        int32_t code;
    };
    // A lone NAK where data belong leaves the data missing.
    for (const expected& e : {expected{sim::device_fault::nak, ERR_WM_READ},
                              expected{sim::device_fault::bad_checksum, ERR_WM_READ},
                              expected{sim::device_fault::stray, ERR_WM_READ},
                              expected{sim::device_fault::truncated, ERR_WM_READ},
                              expected{sim::device_fault::silence, ERR_WM_TIMEOUT}}) {
        device.inject(e.fault, 1);
        uint32_t laser = 0;
        {
            std::optional<first_byte_timeout> silent;
            if (e.fault == sim::device_fault::silence) silent.emplace();
            EXPECT_EQ(wm_read_laser(&handle(), &laser), e.code) << sim::device_fault_name(e.fault);
        }
        EXPECT_EQ(wm_read_laser(&handle(), &laser), NO_ERROR) << sim::device_fault_name(e.fault);
        EXPECT_EQ(laser, WM_FLAG_LASER_ON);
    }
    device.inject(sim::device_fault::nak, 1);
    EXPECT_EQ(wm_set_laser(&handle(), 1), ERR_WM_NAK);
    EXPECT_EQ(wm_set_laser(&handle(), 1), NO_ERROR);
}

TEST_F(WmSimulated, OverLongAnswerCostsTheNextExchangeOnly) {
    open();
    device.inject(sim::device_fault::over_long, 1);
    int32_t a = 0;
    int32_t b = 0;
    EXPECT_EQ(wm_query_rr(&handle(), 1, 2, &a, &b), NO_ERROR);
    EXPECT_EQ(wm_query_rr(&handle(), 3, 4, &a, &b), ERR_WM_READ);  // reads the leftovers
    EXPECT_EQ(wm_query_rr(&handle(), 5, 6, &a, &b), NO_ERROR);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 6);
}

TEST_F(WmSimulated, StalledAnswerFailsAndTheLineIsFlushedAfterIt) {
    open();
    ASSERT_TRUE(device.set("stall_ms", "1500"));
    device.inject(sim::device_fault::stall, 1);
    wm_status status{};
    EXPECT_EQ(wm_read_status(&handle(), &status), ERR_WM_READ);
    EXPECT_NE(without_stamps(printed()).find("WM_RESP_READ_ACK: sio_read_data failed reading "
                                             "response char 19 of 37"),
              std::string::npos)
        << printed();
    ASSERT_TRUE(device.wait_idle(kEventLimit));  // the rest comes late
    EXPECT_EQ(wm_flush_inp(&handle()), NO_ERROR);
    EXPECT_EQ(wm_read_status(&handle(), &status), NO_ERROR);
    EXPECT_EQ(status.word7, 7u);
}

// ---- a hostile device -------------------------------------------------------------

class WmHostile : public WmSimulated, public ::testing::WithParamInterface<uint32_t> {};

// Random commands against random and mutated answers: every call ends with
// one of the link's codes, and once the device behaves, so does the link.
TEST_P(WmHostile, EveryCallEndsWithACodeAndTheLinkRecovers) {
    open();
    const int exchanges = kWineComPort ? 150 : 500;
    const std::set<int32_t> allowed = {NO_ERROR, ERR_WM_NAK, ERR_WM_READ, ERR_WM_TIMEOUT};
    plat::port_handle* h = &handle();
    // Every wait for a byte that never comes is cut short, and the late
    // pieces of answers still come within it.
    std::optional<scaled_read_timeouts> quick(std::in_place, kHostileReadPermille);
    seriallink::bounds().wm_first_byte_s = 1;
    ASSERT_EQ(sio_set_timeout(*h, 1), NO_ERROR);
    ASSERT_TRUE(device.set("late_ms", std::to_string(kHostileLateMs)));
    device.inject(sim::device_fault::hostile, -1, GetParam());
    std::mt19937 pick(GetParam());
    for (int i = 0; i < exchanges; ++i) {
        uint32_t laser = 0;
        wm_status status{};
        wm_cal_record cal{};
        int32_t a = 0;
        int32_t b = 0;
        int32_t code = NO_ERROR;
        switch (pick() % 7) {
            case 0: code = wm_read_laser(h, &laser); break;
            case 1: code = wm_set_laser(h, 1); break;
            case 2: code = wm_read_status(h, &status); break;
            case 3: code = wm_read_cal(h, &cal); break;
            case 4: code = wm_set_cl(h, 0.25); break;
            case 5: code = wm_set_ss(h, 1.5f); break;
            default: code = wm_query_rr(h, i, -i, &a, &b); break;
        }
        ASSERT_TRUE(allowed.count(code) == 1) << "exchange " << i << ": " << u_err_name(code);
    }
    device.inject(sim::device_fault::none, 0);
    quick.reset();
    seriallink::bounds().wm_first_byte_s = seriallink::wait_bounds{}.wm_first_byte_s.load();
    ASSERT_EQ(sio_set_timeout(*h, 1), NO_ERROR);
    // Once the last answers are on the line, the flush takes what is left.
    ASSERT_TRUE(device.wait_idle(kEventLimit));
    printed().clear();
    ASSERT_EQ(wm_flush_inp(h), NO_ERROR);
    // Should one still have come after the flush, it costs one exchange.
    int32_t a = 0;
    int32_t b = 0;
    wm_query_rr(h, 0, 0, &a, &b);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(wm_query_rr(h, i, 1000 - i, &a, &b), NO_ERROR) << i << "\n" << printed();
        EXPECT_EQ(a, i);
        EXPECT_EQ(b, 1000 - i);
    }
    info.systemType = 19;
    EXPECT_EQ(wm_update_status(&info), NO_ERROR);
    EXPECT_EQ(info.waveMonitor.state.adcOffset[2], 300);
}

INSTANTIATE_TEST_SUITE_P(Seeds, WmHostile, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace serial_test
