// SDO transfers, their error mapping and messages, and the object-dictionary
// coordinates of the fixed-coordinate operations.
#include <cstring>
#include <functional>

#include "can_test_support.h"

namespace {

TEST(can_err_to_error, maps_every_library_result) {
    const struct {
        int32_t result;
        int32_t error;
    } kTable[] = {
        {1, NO_ERROR},
        {-1, ERR_CAN_ERROR},
        {-2, ERR_CAN_NOT_CONNECTED},
        {-3, ERR_CAN_TIMEOUT},
        {-4, ERR_CAN_TCP_TRANSMISSION_ERROR},
        {-5, ERR_CAN_BUFFER_TOO_SMALL},
        {-6, ERR_CAN_NO_PDO},
        {0, ERR_UNKNOWN},
        {-7, ERR_UNKNOWN},
        {2, ERR_UNKNOWN},
    };
    for (const auto& row : kTable) EXPECT_EQ(can_err_to_error(row.result), row.error) << row.result;
}

using sdo = can_test;

TEST_F(sdo, read_and_write_carry_little_endian_values) {
    connect_bridge();
    sim_can_add_node(61, 0x1234, 1, 0);
    EXPECT_EQ(can_write_llc_pwmfreq(&info, 0x01020304), NO_ERROR);
    uint8_t bytes[4] = {};
    ASSERT_EQ(sim_can_get_entry(61, 0x2006, 0, bytes, 4), 4);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    const uint8_t level[2] = {0x34, 0x12};
    sim_can_set_entry(61, 0x2001, 0, level, 2);
    uint16_t value = 0;
    EXPECT_EQ(can_read_llc(&info, &value), NO_ERROR);
    EXPECT_EQ(value, 0x1234);
    EXPECT_EQ(printed.printed(), "");
}

TEST_F(sdo, library_failure_gives_the_mapped_error_and_names_the_caller) {
    connect_bridge();
    sim_can_add_node(61, 0, 1, 0);
    sim_can_fail_call("CAN_SDORead", 1, CAN_ERR_TIMEOUT);
    uint16_t value = 0;
    EXPECT_EQ(can_read_llc(&info, &value), ERR_CAN_TIMEOUT);
    EXPECT_EQ(printed.printed(), "can_sdo_read2 called by can_read_llc: err=ERR_CAN_TIMEOUT\n");

    sim_can_fail_call("CAN_SDOWrite", 1, CAN_ERR_TCP);
    print_capture::text().clear();
    EXPECT_EQ(can_write_llc(&info, 7), ERR_CAN_TCP_TRANSMISSION_ERROR);
    // The write form carries a time stamp before the message.
    EXPECT_TRUE(can_test_contains(printed.printed(),
                                  " can_sdo_write2 called by can_write_llc: err=ERR_CAN_TCP_TRANSMISSION_ERROR\n"));
}

TEST_F(sdo, node_abort_gives_the_callers_abort_error) {
    connect_bridge();
    sim_can_add_node(63, 0, 1, 0);
    sim_can_set_sdo_abort(63, 0x2002, 0, 0x06090011);
    uint8_t position = 0;
    EXPECT_EQ(can_read_turret(&info, &position), ERR_CAN_SDO_BRMOTOR_ERROR);
    EXPECT_EQ(printed.printed(),
              "can_sdo_read2 called by can_read_turret: err=ERR_CAN_SDO_BRMOTOR_ERROR, result=0, "
              "abortcode=06090011\n");
}

TEST_F(sdo, wrong_board_and_missing_units_are_refused_before_the_bus) {
    connect_bridge();
    info.instrBdType = INSTR_BD_UZ2;
    EXPECT_EQ(can_write_llc(&info, 1), ERR_WRONG_INSTR_BOARD);
    info.instrBdType = INSTR_BD_CAN;
    EXPECT_EQ(can_rof_write_motor1_control(&info, 1), ERR_CAN_NODE_NOT_AVAIL);
    EXPECT_EQ(can_zoom_dd_write_motor1_control(&info, 1), ERR_CAN_NODE_NOT_AVAIL);
    EXPECT_EQ(can_ndw_write_motor1_control(&info, 1), ERR_CAN_NODE_NOT_AVAIL);
    EXPECT_EQ(printed.printed(),
              "can_rof_write_motor1_control: CAN Ring-of-Fire and Diffuser Disk node is not available\n"
              "can_zoom_dd_write_motor1_control: CAN Zoom and Diffuser Disk node is not available\n"
              "can_ndw_write_motor1_control: CAN Focus and ND Wheel node is not available\n");
    EXPECT_TRUE(can_test_log().empty());
}

TEST_F(sdo, dual_motor_drive_aborts_become_the_units_errors) {
    connect_bridge();
    info.can.hasRofNode = info.can.hasZoomDdNode = info.can.hasFocusNdwNode = 1;
    for (uint8_t node : {CAN_NODE_ID_ROF, CAN_NODE_ID_ZOOM_DD, CAN_NODE_ID_FOCUS_NDW}) {
        sim_can_add_node(node, 0, 1, 0);
        sim_can_set_sdo_abort(node, 0x2000, 0, 0x08000000);
    }
    EXPECT_EQ(can_rof_write_motor1_control(&info, 1), ERR_CAN_SDO_ROF_ERROR);
    EXPECT_EQ(can_zoom_dd_write_motor1_control(&info, 1), ERR_CAN_SDO_ZOOM_ERROR);
    EXPECT_EQ(can_ndw_write_motor1_control(&info, 1), ERR_CAN_SDO_NDW_ERROR);
}

TEST_F(sdo, fixed_coordinates_from_the_call_log) {
    connect_bridge();
    for (int node : {127, 61, 63, 64, 48, 20}) sim_can_add_node(static_cast<uint8_t>(node), 0, 1, 0);
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t d = 0;
    int32_t i = 0;
    uint8_t six[6] = {};
    // Reads need an entry to read; every entry of these nodes holds zeros.
    const struct {
        uint8_t node;
        uint16_t index;
        uint8_t sub;
        uint32_t length;
    } kEntries[] = {{127, 0x2010, 1, 1}, {127, 0x2010, 2, 2}, {127, 0x2000, 0, 1}, {127, 0x2041, 2, 4},
                    {127, 0x2041, 3, 4}, {127, 0x2041, 20, 2}, {127, 0x6200, 1, 1}, {61, 0x2001, 0, 2},
                    {63, 0x2001, 0, 1},  {63, 0x2002, 0, 1},  {63, 0x2012, 0, 1},  {63, 0x2015, 0, 6},
                    {63, 0x2020, 1, 2},  {48, 0x1002, 0, 4},  {48, 0x2000, 0, 1},  {48, 0x2002, 3, 4},
                    {48, 0x6020, 2, 4}};
    const uint8_t zeros[8] = {};
    for (const auto& e : kEntries) sim_can_set_entry(e.node, e.index, e.sub, zeros, e.length);

    const struct {
        std::function<int32_t()> call;
        const char* expected;  // the log lines of the call
    } kCalls[] = {
        {[&] { return can_read_productID(61, &d); }, "CAN_SDORead 61 0x1018 2 4"},
        {[&] { return can_read_version(61, &i, &i); }, "CAN_SDORead 61 0x1018 3 4"},
        {[&] { return can_read_bridge_status(&b); }, "CAN_SDORead 127 0x2010 1 1"},
        {[&] { return can_bridge_read_config(&info, &w); }, "CAN_SDORead 127 0x2010 2 2"},
        {[&] { return can_bridge_write_config(&info, 0x0102); }, "CAN_SDOWrite 127 0x2010 2 2 258"},
        {[&] { return can_write_fg_trigger(&info, six, 3); }, "CAN_SDOWrite 127 0x2010 5 3 0"},
        {[&] { return can_read_ramp_status(&info, &b); }, "CAN_SDORead 127 0x2000 0 1"},
        {[&] { return can_ramp_start(&info, 1); }, "CAN_SDOWrite 127 0x2000 0 1 1"},
        {[&] { return can_write_ramp_select(&info, 5); }, "CAN_SDOWrite 127 0x2001 0 1 5"},
        {[&] { return can_write_pifoc_offset(&info, 300); }, "CAN_SDOWrite 127 0x2009 1 2 300"},
        {[&] { return can_write_syncgen(&info, 70000); }, "CAN_SDOWrite 127 0x2030 0 4 70000"},
        {[&] { return can_write_pi_ramp_select(&info, 2); }, "CAN_SDOWrite 127 0x2041 1 1 2"},
        {[&] { return can_read_pi_ramp_amplitude(&info, &d); }, "CAN_SDORead 127 0x2041 2 4"},
        {[&] { return can_read_pi_ramp_velocity(&info, &d); }, "CAN_SDORead 127 0x2041 3 4"},
        {[&] { return can_pi_ramp_start(&info, 1); }, "CAN_SDOWrite 127 0x2041 6 1 1"},
        {[&] { return can_pi_load_ddl_tables(&info, 1); }, "CAN_SDOWrite 127 0x2041 19 1 1"},
        {[&] { return can_read_pi_serial_integer(&info, &w); }, "CAN_SDORead 127 0x2041 20 2"},
        {[&] { return can_bridge_read_digitalout(&info, &b); }, "CAN_SDORead 127 0x6200 1 1"},
        {[&] { return can_bridge_write_digitalout(&info, 9); }, "CAN_SDOWrite 127 0x6200 1 1 9"},
        {[&] { return can_set_align_illumination_diode(&info, 1); },
         "CAN_SDOWrite 127 0x6220 1 1 1\nCAN_SDOWrite 127 0x6240 1 1 1"},
        {[&] { return can_write_led_setup(&info, 3); }, "CAN_SDOWrite 61 0x2000 0 1 3"},
        {[&] { return can_read_llc(&info, &w); }, "CAN_SDORead 61 0x2001 0 2"},
        {[&] { return can_write_llc(&info, 4); }, "CAN_SDOWrite 61 0x2001 0 2 4"},
        {[&] { return can_write_llc_avgcurlmt(&info, 5); }, "CAN_SDOWrite 61 0x2002 0 2 5"},
        {[&] { return can_write_llc_fwdvlt(&info, 6); }, "CAN_SDOWrite 61 0x2004 0 2 6"},
        {[&] { return can_write_llc_pwmfreq(&info, 7); }, "CAN_SDOWrite 61 0x2006 0 4 7"},
        {[&] { return can_read_turret_status(&info, &b); }, "CAN_SDORead 63 0x2001 0 1"},
        {[&] { return can_read_turret(&info, &b); }, "CAN_SDORead 63 0x2002 0 1"},
        {[&] { return can_read_zoom(&info, &b); }, "CAN_SDORead 63 0x2012 0 1"},
        {[&] { return can_read_all_zoom(&info, six); }, "CAN_SDORead 63 0x2015 0 6"},
        {[&] { return can_get_brmtr_config(&info, &w); }, "CAN_SDORead 63 0x2020 1 2"},
        {[&] { return orvo_enc_zoom_set_motion_mode(&info); },
         "CAN_SDOWrite 64 0x2002 0 1 3\nCAN_SDOWrite 64 0x607D 1 4 0\nCAN_SDOWrite 64 0x607D 2 4 0"},
        {[&] { return can_dmi_read_all_status(&info, &d); }, "CAN_SDORead 48 0x1002 0 4"},
        {[&] { return can_dmi_reset(&info); }, "CAN_SDORead 48 0x2000 0 1\nCAN_SDOWrite 48 0x2100 0 2 0"},
        {[&] { return can_dmi_reset_home_required(&info, 1); }, "CAN_SDOWrite 48 0x2100 0 2 1"},
        {[&] { return can_dmi_read_capture_buffer_count(&info, &d); }, "CAN_SDORead 48 0x2002 3 4"},
        {[&] { return can_dmi_preset_pos(&info, 1, -1); }, "CAN_SDOWrite 48 0x6010 1 4 4294967295"},
        {[&] { return can_dmi_read_pos(&info, 2, &i); }, "CAN_SDORead 48 0x6020 2 4"},
        {[&] { return mc_set_z_external_closed_loop_enabled(&info, 1); }, "CAN_SDOWrite 20 0x21D6 0 2 1"},
    };
    for (const auto& c : kCalls) {
        sim_can_clear_log();
        EXPECT_EQ(c.call(), NO_ERROR) << c.expected;
        std::string joined;
        for (const std::string& line : can_test_log()) joined += (joined.empty() ? "" : "\n") + line;
        EXPECT_EQ(joined, c.expected);
    }
}

TEST_F(sdo, version_and_zoom_position_decoding) {
    connect_bridge();
    sim_can_add_node(64, 0, 2, 5);
    int32_t major = 0, minor = 0;
    EXPECT_EQ(can_read_version(64, &major, &minor), NO_ERROR);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 5);

    sim_can_add_node(63, 0, 1, 0);
    can_decoder_reset();
    const uint8_t raw = 1;
    sim_can_set_entry(63, 0x2012, 0, &raw, 1);
    uint8_t position = 0;
    EXPECT_EQ(can_read_zoom(&info, &position), NO_ERROR);
    EXPECT_EQ(position, 6);
    EXPECT_EQ(can_last_zoom_position(), 6);  // set while it was unknown
    const uint8_t beyond = 8;
    sim_can_set_entry(63, 0x2012, 0, &beyond, 1);
    EXPECT_EQ(can_read_zoom(&info, &position), ERR_CAN_ZOOM_IDS);
}

TEST_F(sdo, capture_count_is_clamped_to_the_callers_buffer) {
    connect_bridge();
    sim_can_add_node(48, 0, 1, 0);
    const uint8_t count[4] = {0xFF, 0xFF, 0xFF, 0x7F};  // far more than any buffer
    sim_can_set_entry(48, 0x2002, 3, count, 4);
    const uint8_t value[4] = {5, 0, 0, 0};
    sim_can_set_entry(48, 0x2002, 4, value, 4);
    int32_t values[3] = {};
    uint32_t got = 0;
    EXPECT_EQ(can_dmi_read_capture_buffer_array(&info, values, 3, &got), NO_ERROR);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(values[2], 5);
}

}  // namespace
