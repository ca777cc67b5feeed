// Loading and starting ramps on a CAN instrument: the SDO transfers the
// simulated CAN library logs, the scan its ramp generator publishes, and a
// frame-grabber trigger the bridge aborts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "can/can_test_support.h"
#include "platform/environment.h"
#include "scan/scan.h"
#include "scan/scan_test_support.h"

namespace {

using scan_test::ramp_table;

class ScanCan : public can_test {
  protected:
    void SetUp() override {
        can_test::SetUp();
        connect_bridge();
        sim_can_add_node(CAN_NODE_ID_BRIDGE, 0x7F01, 1, 0);
        plat::set_environment(sim::SIM_SCAN_FILE_ENV, scan_file.text.c_str());
        table.add(scan_test::swli_ramp(INSTR_BD_CAN));
        table.install(&info);
        sim_can_clear_log();
    }
    void TearDown() override {
        plat::set_environment(sim::SIM_SCAN_FILE_ENV, nullptr);
        ramp_table::remove(&info);
        can_test::TearDown();
    }
    ramp_table table;
    temp_file scan_file{"can_scan.txt"};
};

TEST_F(ScanCan, TheRampGoesInOneTransferAndTheStartTriggersTheCamera) {
    int32_t idle = -1;
    ASSERT_EQ(scan_ramp_idle(&info, &idle), NO_ERROR);  // nothing started yet
    EXPECT_EQ(idle, 1);
    sim_can_clear_log();
    ASSERT_EQ(scan_start_ramp(&info, 0), NO_ERROR) << printed.printed();
    // Samples (2600 x 2 bytes, the first two little-endian in the log),
    // 1.0f kHz, trigger start 100; then select slot 0, the trigger set-up
    // (50 triggers, grab skip 0), start.
    const std::vector<uint16_t>& v = table.at(0).points;
    const std::vector<std::string> expected = {
        "CAN_SDOWrite 127 0x2100 5 5200 " + std::to_string(uint32_t{v[1]} << 16 | v[0]),
        "CAN_SDOWrite 127 0x2100 4 4 " + std::to_string(0x3F800000u),
        "CAN_SDOWrite 127 0x2100 2 2 100",
        "CAN_SDOWrite 127 0x2001 0 1 0",
        "CAN_SDOWrite 127 0x2010 5 12 50",
        "CAN_SDOWrite 127 0x2000 0 1 1",
    };
    EXPECT_EQ(can_test_log(), expected);
    EXPECT_EQ(table.record(0).instrSlot, 0);

    sim::scan_state scan;
    ASSERT_TRUE(sim::read_scan_state(scan_file.text, &scan));
    ASSERT_EQ(scan.triggers.size(), 50u);
    EXPECT_EQ(scan.triggers[1].time_ns, 140'000'000);
    EXPECT_NEAR(scan.triggers[1].position_nm - scan.triggers[0].position_nm, 81.0, 1e-9);

    ASSERT_EQ(scan_ramp_idle(&info, &idle), NO_ERROR);
    EXPECT_EQ(idle, 0);
    ASSERT_EQ(scan_stop_ramp(&info), NO_ERROR);
    ASSERT_EQ(scan_ramp_idle(&info, &idle), NO_ERROR);
    EXPECT_EQ(idle, 1);
}

TEST_F(ScanCan, TheStartHookStartsTheRequestedRamp) {
    EXPECT_EQ(scan_start_hook(nullptr), ERR_INVALID_PARAM);
    scan_start_request request{&info, 1};
    EXPECT_EQ(scan_start_hook(&request), ERR_INVALID_RAMP_INDEX);
    request.rampIndex = 0;
    ASSERT_EQ(scan_start_hook(&request), NO_ERROR);
    EXPECT_EQ(can_test_log().back(), "CAN_SDOWrite 127 0x2000 0 1 1");
}

TEST_F(ScanCan, AnAbortedTriggerStopsTheRampAndPublishesNoScan) {
    sim_can_set_sdo_abort(CAN_NODE_ID_BRIDGE, 0x2010, 5, 0x06090030);
    EXPECT_EQ(scan_start_ramp(&info, 0), ERR_CAN_SDO_RAMP_ERROR);
    const std::vector<std::string> log = can_test_log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "CAN_SDOWrite 127 0x2000 0 1 0");
    // Data, rate, trigger start, select, trigger, stop: no start in between.
    EXPECT_EQ(sim_can_call_count("CAN_SDOWrite"), 6);
    sim::scan_state scan;
    EXPECT_FALSE(sim::read_scan_state(scan_file.text, &scan));
}

TEST_F(ScanCan, ARampLongerThanOneTransferIsRefusedBeforeAnythingIsSent) {
    ramp_table::remove(&info);
    table = {};
    table.add(scan_test::swli_ramp(INSTR_BD_CAN, 16385, 50));
    table.install(&info);
    EXPECT_EQ(scan_load_ramp(&info, 0), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(sim_can_call_count("CAN_SDOWrite"), 0);
}

TEST_F(ScanCan, AFailedDataTransferLeavesTheRampUnloaded) {
    sim_can_fail_call("CAN_SDOWrite", 1, CAN_ERR_TIMEOUT);
    EXPECT_EQ(scan_start_ramp(&info, 0), ERR_CAN_TIMEOUT);
    EXPECT_EQ(table.record(0).instrSlot, RR_NO_INSTR_SLOT);
    EXPECT_EQ(info.ramps.instrSlots[0], SYS_EMPTY_RAMP_SLOT);
}

}  // namespace
