// Finding the bridge, switching the instrument on and off, and finding nodes.
#include "can_test_support.h"

namespace {

using bridge = can_test;

TEST_F(bridge, first_matching_record_wins_and_its_address_is_kept) {
    const uint8_t other[6] = {1, 2, 3, 4, 5, 6};
    const uint8_t ip_other[4] = {10, 0, 0, 1}, ip_second[4] = {10, 0, 0, 2};
    sim_can_add_bridge(other, ip_other);
    sim_can_add_bridge(kTestMac, kTestIp);
    sim_can_add_bridge(kTestMac, ip_second);
    EXPECT_EQ(find_bridge(&info.can.bridge), NO_ERROR);
    EXPECT_EQ(info.can.bridge.ipAddress[3], 40);
    EXPECT_EQ(printed.printed(),
              "Found CAN bridge\nMAC address: 00 50 C2 AB CD EF\nIP  address: 192.168.1.40\n");
    EXPECT_EQ(can_test_pauses(), 0);
}

TEST_F(bridge, absent_mac_is_searched_three_times) {
    const uint8_t other[6] = {0xF0, 2, 3, 4, 5, 6};
    sim_can_add_bridge(other, kTestIp);
    EXPECT_EQ(find_bridge(&info.can.bridge), ERR_CAN_MACADDRESS_ERROR);
    EXPECT_EQ(sim_can_call_count("CAN_EnumerateBridges"), 3);
    EXPECT_EQ(can_test_pauses(), 2);
    EXPECT_EQ(info.can.bridge.ipAddress[0], 255);
    EXPECT_TRUE(can_test_contains(printed.printed(),
                                  " CAN bridge with MAC address 00 50 C2 AB CD EF not found on network\n"));
}

TEST_F(bridge, no_bridges_or_a_failed_enumeration_end_the_search_at_once) {
    EXPECT_EQ(find_bridge(&info.can.bridge), ERR_CAN_FINDING_BRIDGE);
    EXPECT_TRUE(can_test_contains(printed.printed(), " find_bridge: CAN_EnumerateBridges found no CAN bridges\n"));
    sim_can_set_enumerate_result(-4);  // any negative count is a failure
    EXPECT_EQ(find_bridge(&info.can.bridge), ERR_CAN_FINDING_BRIDGE);
    EXPECT_TRUE(can_test_contains(printed.printed(), " find_bridge: CAN_EnumerateBridges failed\n"));
    EXPECT_EQ(sim_can_call_count("CAN_EnumerateBridges"), 2);
    EXPECT_EQ(can_test_pauses(), 0);
}

TEST_F(bridge, a_count_beyond_the_buffer_is_not_trusted) {
    const uint8_t other[6] = {0xF0, 2, 3, 4, 5, 6};
    sim_can_add_bridge(other, kTestIp);
    sim_can_set_enumerate_result(100000);
    EXPECT_EQ(find_bridge(&info.can.bridge), ERR_CAN_MACADDRESS_ERROR);
}

using inst = can_test;

const std::vector<std::string> kStartUp = {
    "CAN_EnumerateBridges 127", "CAN_Connect 0x2801A8C0", "CAN_GetFirmwareVersion",
    "CAN_GetBridgeConfiguration", "CAN_GetLastBridgeError", "CAN_RegisterEvents on",
};

TEST_F(inst, start_up_and_switch_off_from_the_call_log) {
    sim_can_add_bridge(kTestMac, kTestIp);
    sim_can_set_firmware(3, 7);
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    EXPECT_EQ(can_test_log(), kStartUp);
    EXPECT_TRUE(can_test_contains(printed.printed(), "Bridge firmware version: major = 3, minor = 7\n"));
    EXPECT_TRUE(can_test_contains(printed.printed(), "DLL version: major = "));
    EXPECT_TRUE(can_test_contains(printed.printed(), "Instrument ON\n"));
    EXPECT_TRUE(dev_device_exists(CAN_DEVICE_HANDLE));
    EXPECT_EQ(sim_can_connected_address(), 0x2801A8C0u);

    sim_can_clear_log();
    can_inst_off(&info);
    EXPECT_EQ(can_test_log(), (std::vector<std::string>{"CAN_RegisterEvents off", "CAN_UnregisterPDOs",
                                                         "CAN_UnregisterPDOs", "CAN_Disconnect"}));
    EXPECT_TRUE(can_test_contains(printed.printed(), "Instrument OFF\n"));
    EXPECT_FALSE(dev_device_exists(CAN_DEVICE_HANDLE));
    EXPECT_EQ(sim_can_is_connected(), 0);
}

TEST_F(inst, the_dll_version_comes_from_the_loaded_library) {
    int32_t major = -1, minor = -1;
    can_get_dll_version(&major, &minor);
    EXPECT_EQ(major, 3);
    EXPECT_EQ(minor, 2);
}

TEST_F(inst, a_bridge_with_another_configuration_is_reconfigured_and_reconnected) {
    sim_can_add_bridge(kTestMac, kTestIp);
    sim_can_set_bridge_config(5, 500);
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    const std::vector<std::string> expected = {
        "CAN_EnumerateBridges 127", "CAN_Connect 0x2801A8C0", "CAN_GetFirmwareVersion",
        "CAN_GetBridgeConfiguration", "CAN_SetBridgeConfiguration 127 1000", "CAN_Connect 0x2801A8C0",
        "CAN_GetLastBridgeError", "CAN_RegisterEvents on"};
    EXPECT_EQ(can_test_log(), expected);
    EXPECT_EQ(can_test_pauses(), 1);
}

TEST_F(inst, a_bridge_that_keeps_an_error_is_reset_ten_times) {
    sim_can_add_bridge(kTestMac, kTestIp);
    const uint32_t errors[12] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    sim_can_set_bridge_errors(errors, 12);
    EXPECT_EQ(can_inst_on(&info), ERR_CAN_BRIDGE_ERROR);
    EXPECT_EQ(sim_can_call_count("CAN_ResetBridge"), 10);
    EXPECT_TRUE(can_test_contains(
        printed.printed(),
        " can_inst_on: Unable to reset bridge with no errors after 10 tries: CAN_GetLastBridgeError = 7\n"));
    EXPECT_TRUE(can_test_contains(printed.printed(), " can_inst_on: ERR_CAN_BRIDGE_ERROR\n"));
    EXPECT_EQ(sim_can_is_connected(), 0);
}

TEST_F(inst, a_bridge_error_cleared_by_one_reset) {
    sim_can_add_bridge(kTestMac, kTestIp);
    const uint32_t errors[1] = {3};
    sim_can_set_bridge_errors(errors, 1);
    EXPECT_EQ(can_inst_on(&info), NO_ERROR);
    EXPECT_EQ(sim_can_call_count("CAN_ResetBridge"), 1);
    EXPECT_EQ(sim_can_call_count("CAN_Connect"), 2);
}

// Every step that can fail leaves no connection, no device and no handlers.
TEST_F(inst, every_failing_step_leaves_nothing_behind) {
    const struct {
        const char* call;
        int32_t error;
        const char* message;
    } kSteps[] = {
        {"CAN_Connect", ERR_CAN_FINDING_BRIDGE, "can_inst_on: CAN_Connect canErr = -4\n"},
        {"CAN_GetFirmwareVersion", ERR_CAN_BRIDGE_ERROR, "can_inst_on: CAN_GetFirmwareVersion canErr = -4\n"},
        {"CAN_GetBridgeConfiguration", ERR_CAN_BRIDGE_ERROR,
         "can_inst_on: CAN_GetBridgeConfiguration canErr = -4\n"},
        {"CAN_GetLastBridgeError", ERR_CAN_BRIDGE_ERROR, "can_inst_on: CAN_GetLastBridgeError canErr = -4\n"},
        {"CAN_RegisterEvents", ERR_CAN_TCP_TRANSMISSION_ERROR, "can_register_events canErr = -4\n"},
    };
    for (const auto& step : kSteps) {
        sim_can_reset();
        print_capture::text().clear();
        sim_can_add_bridge(kTestMac, kTestIp);
        sim_can_fail_call(step.call, 1, CAN_ERR_TCP);
        EXPECT_EQ(can_inst_on(&info), step.error) << step.call;
        EXPECT_TRUE(can_test_contains(printed.printed(), step.message)) << printed.printed();
        EXPECT_EQ(sim_can_is_connected(), 0) << step.call;
        EXPECT_FALSE(dev_device_exists(CAN_DEVICE_HANDLE)) << step.call;
        EXPECT_EQ(can_inst_current(), nullptr);
        // Once the connection was made, switching off says so.
        EXPECT_EQ(can_test_contains(printed.printed(), "Instrument OFF\n"),
                  std::string(step.call) != "CAN_Connect")
            << step.call;
    }
}

TEST_F(inst, refusals_before_the_bus) {
    info.instrBdType = INSTR_BD_UZ2;
    EXPECT_EQ(can_inst_on(&info), ERR_WRONG_INSTR_BOARD);
    info.instrBdType = INSTR_BD_CAN;
    info.can.bridge.macAddress[0] = 0xFF;
    EXPECT_EQ(can_inst_on(&info), ERR_CAN_MACADDRESS_ERROR);
    EXPECT_EQ(can_inst_on(nullptr), ERR_HW_FAIL);
    EXPECT_TRUE(can_test_log().empty());
    EXPECT_TRUE(can_test_contains(printed.printed(), " can_inst_on: ERR_WRONG_INSTR_BOARD\n"));
    EXPECT_FALSE(can_test_contains(printed.printed(), "Instrument OFF"));
}

int32_t g_hook_calls = 0;
int32_t failing_hook(sys_info*) {
    ++g_hook_calls;
    return ERR_CAN_NODE_MISSING;
}
int32_t counting_hook(sys_info*) {
    ++g_hook_calls;
    return NO_ERROR;
}

TEST_F(inst, bring_up_and_wave_monitor_steps_run_through_their_hooks) {
    sim_can_add_bridge(kTestMac, kTestIp);
    g_hook_calls = 0;
    can_set_wave_monitor_hook(counting_hook);
    info.systemType = 25;  // no wave monitor
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    EXPECT_EQ(g_hook_calls, 0);
    info.systemType = 32;
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);  // on again: switched off first
    EXPECT_EQ(g_hook_calls, 1);
    EXPECT_EQ(sim_can_call_count("CAN_Disconnect"), 1);

    can_set_bringup_hook(failing_hook);
    EXPECT_EQ(can_inst_on(&info), ERR_CAN_NODE_MISSING);
    EXPECT_FALSE(dev_device_exists(CAN_DEVICE_HANDLE));
    EXPECT_EQ(sim_can_is_connected(), 0);
}

TEST_F(inst, an_existing_device_entry_is_replaced) {
    sim_can_add_bridge(kTestMac, kTestIp);
    ASSERT_EQ(dev_add_device(DEV_CAN, CAN_DEVICE_HANDLE, nullptr), NO_ERROR);
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    EXPECT_EQ(dev_cntrl().device_count, 1);
    EXPECT_EQ(gl_DevInfo[0].context, &info);
}

TEST_F(inst, bridge_status_faults) {
    connect_bridge();
    sim_can_add_node(127, 0, 1, 0);
    info.can.triplePztNodeId = 9;
    sim_can_add_node(9, 0, 1, 0);
    const struct {
        uint8_t bridge, node;
        const char* message;
    } kCases[] = {
        {0x00, 0x00, "Bridge Status: External 12V power fault\n"},
        {0x0C, 0x00, "Bridge Status: -12V power trip\n"},
        {0x0A, 0x00, "Bridge Status: +12V power trip\n"},
        {0x08, 0x03, "Triple PZT node: Large aperture channel A fault\n"},
        {0x08, 0x02, "Triple PZT node: Large aperture channel B fault\n"},
        {0x08, 0x04, "Triple PZT node: Large aperture channel C fault\n"},
        {0x08, 0x10, "Triple PZT node: High voltage supply under-voltage fault\n"},
        {0x08, 0x20, "Triple PZT node: High voltage supply over-voltage fault\n"},
        {0x08, 0x40, "Triple PZT node: VSync lost\n"},
        {0x08, 0x80, ""},
    };
    for (const auto& c : kCases) {
        print_capture::text().clear();
        sim_can_set_entry(127, 0x2010, 1, &c.bridge, 1);
        sim_can_set_entry(9, 0x2000, 0, &c.node, 1);
        EXPECT_EQ(can_check_bridge_status(&info), c.message[0] != '\0' ? ERR_INST_POWER : NO_ERROR);
        EXPECT_EQ(printed.printed(), c.message);
    }
}

using nodes = can_test;

TEST_F(nodes, finding_and_waiting_for_a_node) {
    connect_bridge();
    sim_can_add_node(61, 0xCAFE, 1, 0);
    const uint32_t states[3] = {0, 127, 2};
    sim_can_set_node_states(61, states, 3);
    uint32_t product = 0;
    EXPECT_TRUE(get_operational_node(61, "CAN_NODE_ID_LED", &product));
    EXPECT_EQ(product, 0xCAFEu);
    EXPECT_EQ(can_test_pauses(), 2);

    const uint32_t never[1] = {127};
    sim_can_set_node_states(61, never, 1);
    EXPECT_FALSE(wait_for_node_operational(61, "CAN_NODE_ID_LED"));
    EXPECT_TRUE(can_test_contains(printed.printed(),
                                  " wait_for_node_operational: Timeout waiting for node CAN_NODE_ID_LED "
                                  "operational: CAN_GetNodeState status = 127\n"));
    EXPECT_EQ(can_test_pauses(), 2 + 9);

    EXPECT_FALSE(find_node(62, "CAN_NODE_ID_NONE"));
    EXPECT_TRUE(can_test_contains(printed.printed(),
                                  " find_node: Error finding node CAN_NODE_ID_NONE: CAN_FindNode status = 0\n"));
    sim_can_fail_call("CAN_FindNode", 1, CAN_ERR_TIMEOUT);
    EXPECT_FALSE(find_node(61, "CAN_NODE_ID_LED"));
    EXPECT_TRUE(can_test_contains(printed.printed(),
                                  " find_node: Error finding node CAN_NODE_ID_LED: CAN_FindNode canErr = -3\n"));
}

}  // namespace
