// The demo's steps against the simulated CAN library: a CAN instrument
// switched on, its events printed, and a missing bridge.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo_test_support.h"
#include "seriallink/device_test_support.h"
#include "sim/can_library/can_sim.h"

namespace {

using namespace demo_test;

const uint8_t kMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const uint8_t kIp[4] = {10, 0, 0, 7};

void no_pause(int32_t) {}

class DemoCan : public Session {
  protected:
    void SetUp() override {
        Session::SetUp();
        sim_can_reset();
        can_set_sleep_func(no_pause);
        sys_info config = instrument(INSTR_BD_CAN, 0);
        std::copy(kMac, kMac + 6, config.can.bridge.macAddress);
        write_cal_file(config);
        write_ramps();
    }
    void TearDown() override {
        Session::TearDown();
        can_set_sleep_func(nullptr);
        can_set_wave_monitor_hook(nullptr);
        sim_can_reset();
    }
    serial_test::print_capture capture;  // the library's messages
};

TEST_F(DemoCan, InstrumentOnEventsPrintedAndOffAgain) {
    sim_can_add_bridge(kMac, kIp);
    sim_can_set_firmware(2, 7);
    ASSERT_EQ(demo_read_calibration(session(), nullptr, 0), NO_ERROR);
    ASSERT_EQ(demo_switch_on(session()), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(demo_load_ramps(session()), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(demo_read_temperature(session()), NO_ERROR);
    EXPECT_EQ(transcript(), "read calibration file: ok (" + std::string(info()->calFile.path) +
                                ": CAN instrument, system type 0)\n"
                                "start device manager: ok\n"
                                "switch on CAN instrument: ok (bridge 10.0.0.7, firmware 2.7)\n"
                                "switch on wave monitor: none for this system type\n"
                                "switch on temperature sensor: none configured\n"
                                "load ramp table: ok (2 ramps)\n"
                                "read temperature: no sensor\n");

    const uint8_t block[12] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    sim_can_queue_emcy(5, 0x1000, block, 9);
    ASSERT_TRUE(sim_can_wait_delivered(2000));
    EXPECT_EQ(demo_wait_for_reports(session(), 0.5), NO_ERROR);
    EXPECT_EQ(transcript(),
              "  CAN emergency: 5 4096 1 2 3 9\n"
              "wait for reports and events: ok (1 received)\n");

    EXPECT_EQ(demo_switch_off(session()), NO_ERROR);
    EXPECT_EQ(transcript(), "switch off: ok\n");
    EXPECT_TRUE(all_switched_off(*info()));
    EXPECT_EQ(sim_can_is_connected(), 0);
}

TEST_F(DemoCan, WaveMonitorOfASystem32IsSwitchedOnWithTheInstrument) {
    if (!serial_test::peer_available()) GTEST_SKIP() << serial_test::kNoPeer;
    serial_test::short_waits waits;
    serial_test::test_device wave_monitor("wave_monitor");
    sys_info config = instrument(INSTR_BD_CAN, 32);
    std::copy(kMac, kMac + 6, config.can.bridge.macAddress);
    set_port(&config.waveMonitor.line, wave_monitor.device_path());
    config.waveMonitor.systemGain = 1.5f;
    write_cal_file(config);
    sim_can_add_bridge(kMac, kIp);
    ASSERT_TRUE(wave_monitor.set("laser", "0"));

    demo_options options;
    options.seconds = 0.1;
    EXPECT_EQ(demo_run(options, session().out), NO_ERROR) << serial_test::printed();
    const std::string text = transcript();
    EXPECT_NE(
        text.find("switch on wave monitor: ok (" + std::string(wave_monitor.device_path()) + ")\n"),
        std::string::npos)
        << text;
    EXPECT_EQ(wave_monitor.get("laser"), "1");
    EXPECT_EQ(wave_monitor.get("ss"), "1.5");
    EXPECT_TRUE(all_switched_off(*info()));

    // A laser that never follows ends the switch-on, and nothing stays open.
    ASSERT_TRUE(wave_monitor.set("laser", "0"));
    ASSERT_TRUE(wave_monitor.set("laser_polls", "1000"));
    EXPECT_EQ(demo_run(options, session().out), ERR_WM_LASER_CONTROL_TIMEOUT);
    EXPECT_NE(transcript().find("switch on CAN instrument: failed: ERR_WM_LASER_CONTROL_TIMEOUT\n"
                                "switch off: ok\n"),
              std::string::npos);
    EXPECT_TRUE(all_switched_off(*info()));
    EXPECT_EQ(sim_can_is_connected(), 0);
}

TEST_F(DemoCan, MissingBridgeEndsTheDemo) {
    EXPECT_EQ(demo_run(demo_options{}, session().out), ERR_CAN_FINDING_BRIDGE);
    const std::string text = transcript();
    EXPECT_NE(text.find("start device manager: ok\n"
                        "switch on CAN instrument: failed: ERR_CAN_FINDING_BRIDGE\n"
                        "switch off: ok\n"),
              std::string::npos)
        << text;
    EXPECT_TRUE(all_switched_off(*info()));
}

}  // namespace
