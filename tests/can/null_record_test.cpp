// A null record or result pointer is refused with ERR_INVALID_PARAM before
// anything goes on the bus.
#include "can_test_support.h"

namespace {

using null_records = can_test;

TEST_F(null_records, are_refused_before_the_bus) {
    connect_bridge();
    sim_can_add_bridge(kTestMac, kTestIp);
    sim_can_add_node(CAN_NODE_ID_ENC_ZOOM, 0, 4, 3);
    sim_can_add_node(CAN_NODE_ID_DMI, 0, 1, 0);
    int32_t count = 0;
    sys_zoom_cal_pair* pairs = nullptr;
    uint32_t captured = 0;
    char message[64] = "x";

    EXPECT_EQ(find_bridge(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(enc_zoom_load_cal(nullptr, nullptr, message, sizeof message), ERR_INVALID_PARAM);
    EXPECT_STREQ(message, "");
    EXPECT_EQ(enc_zoom_read_cal_file(nullptr, &count, &pairs, nullptr, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(enc_zoom_read_cal_file("ZoomCal.txt", nullptr, &pairs, nullptr, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(enc_zoom_read_cal_file("ZoomCal.txt", &count, nullptr, nullptr, 0), ERR_INVALID_PARAM);
    enc_zoom_free_cal(nullptr);
    EXPECT_EQ(orvo_enc_zoom_set_motion_mode(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_check_bridge_status(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_read_productID(CAN_NODE_ID_ENC_ZOOM, nullptr), ERR_INVALID_PARAM);
    int32_t major = 0;
    EXPECT_EQ(can_read_version(CAN_NODE_ID_ENC_ZOOM, &major, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_read_bridge_status(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_read_llc(&info, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_read_all_zoom(&info, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_dmi_read_pos(&info, 1, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_dmi_read_capture_buffer_array(&info, nullptr, 4, &captured), ERR_INVALID_PARAM);
    EXPECT_EQ(can_dmi_read_capture_buffer_array(&info, nullptr, 0, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(can_write_fg_trigger(&info, nullptr, 2), ERR_INVALID_PARAM);
    EXPECT_EQ(can_sdo_read2(CAN_NODE_ID_ENC_ZOOM, 0x1018, 2, nullptr, 4, 0, ERR_CAN_ERROR, "test"),
              ERR_INVALID_PARAM);
    EXPECT_EQ(can_test_log(), std::vector<std::string>{});
    EXPECT_EQ(printed.printed(), "");
}

}  // namespace
