// The PDO registrations and decoders of each system type group, the
// emergency records and the locks after switch-off (deliveries racing the
// drain are in concurrency/).
#include <cstring>

#include "can_test_support.h"

namespace {

class queues : public can_test {
  protected:
    // Registers the handlers and PDOs for the system type, as switch-on does.
    void register_for(int32_t system_type) {
        connect_bridge();
        info.systemType = system_type;
        ASSERT_EQ(can_register_events(&info, true), NO_ERROR);
        registered.clear();
        for (const std::string& line : can_test_log())
            if (line.rfind("CAN_RegisterPDO ", 0) == 0) registered.push_back(line.substr(16));
    }

    // Delivers PDOs through the simulated library and drains them.
    std::vector<int32_t> deliver(std::initializer_list<std::pair<int32_t, std::vector<uint8_t>>> pdos) {
        for (const auto& [id, bytes] : pdos) {
            uint8_t data[8] = {};
            std::copy(bytes.begin(), bytes.end(), data);
            sim_can_queue_pdo(id, data);
        }
        EXPECT_TRUE(sim_can_wait_delivered(10000));
        can_events_pending(&info);
        std::vector<int32_t> types;
        for (can_event e; can_take_event(&e);) types.push_back(e.type);
        return types;
    }

    void TearDown() override {
        can_register_events(&info, false);
        can_test::TearDown();
    }

    std::vector<std::string> registered;
};

TEST_F(queues, registrations_by_system_type) {
    const struct {
        int32_t system_type;
        int32_t turret, zoom;
        uint32_t product;
        std::vector<std::string> expected;
    } kCases[] = {
        {11, 2, 2, 0x267215D5, {"0x1BF", "0x2BF"}},
        {35, 0, 2, 0x267215D7, {}},
        {29, 1, 1, 0x267215D7, {"0x2BF"}},
        {13, 2, 0, 0x267215D5, {"0x1BF"}},
        {23, 0, 0, 0, {"0x1C0", "0x1C8", "0x1C9", "0x2C0", "0x2C4"}},
        {33, 0, 0, 0, {"0x1C0", "0x1C8", "0x1C9", "0x2C0", "0x2C4"}},
        {25, 0, 0, 0, {"0x1C8", "0x1C9", "0x2C0", "0x2C4"}},
        {26, 0, 0, 0, {"0x1C8", "0x1C9", "0x2C0"}},
        {24, 2, 2, 0x267215D5, {}},
    };
    for (const auto& c : kCases) {
        sim_can_reset();
        info.can.objectiveTurretType = c.turret;
        info.can.zoomChangerType = c.zoom;
        info.can.node63ProductCode = c.product;
        register_for(c.system_type);
        EXPECT_EQ(registered, c.expected) << c.system_type;
    }
}

TEST_F(queues, brush_motor_turret_and_zoom_sequence) {
    info.can.objectiveTurretType = SYS_TURRET_ENCODED;
    info.can.zoomChangerType = SYS_ZOOM_MOTORIZED;
    info.can.node63ProductCode = 0x267215D5;
    register_for(11);
    can_decoder_reset();
    // Turret: an event only when the position changes.
    EXPECT_EQ(deliver({{0x1BF, {3}}, {0x1BF, {3}}, {0x1BF, {4}}}),
              (std::vector<int32_t>{CAN_EVENT_TURRET, CAN_EVENT_TURRET}));
    EXPECT_EQ(info.can.lastTurretPosition, 4);
    // The zoom moves to byte 2 (position 5), runs on with bit 0x20 and stops:
    // events 12 and 4, then 3.
    EXPECT_EQ(deliver({{0x2BF, {0x08, 2}}}),
              (std::vector<int32_t>{CAN_EVENT_ZOOM_MOVING, CAN_EVENT_ZOOM_POSITION}));
    EXPECT_EQ(can_last_zoom_position(), 5);
    EXPECT_EQ(deliver({{0x2BF, {0x20, 2}}, {0x2BF, {0x20, 2}}}), (std::vector<int32_t>{}));
    EXPECT_EQ(deliver({{0x2BF, {0x00, 2}}}), (std::vector<int32_t>{CAN_EVENT_ZOOM_STOPPED}));
    EXPECT_EQ(deliver({{0x2BF, {0x00, 2}}}), (std::vector<int32_t>{}));
    // A stop and a new move in one PDO give all three, in order.
    EXPECT_EQ(deliver({{0x2BF, {0x08, 1}}, {0x2BF, {0x20, 1}}}),
              (std::vector<int32_t>{CAN_EVENT_ZOOM_MOVING, CAN_EVENT_ZOOM_POSITION}));
    EXPECT_EQ(deliver({{0x2BF, {0x08, 3}}}),
              (std::vector<int32_t>{CAN_EVENT_ZOOM_STOPPED, CAN_EVENT_ZOOM_MOVING, CAN_EVENT_ZOOM_POSITION}));
    EXPECT_EQ(can_last_zoom_position(), 4);
    // A position byte above 7: no event, the last position stays.
    EXPECT_EQ(deliver({{0x2BF, {0x00, 9}}}), (std::vector<int32_t>{}));
    EXPECT_EQ(can_last_zoom_position(), 4);
    // Another node's PDOs are not this decoder's.
    EXPECT_EQ(deliver({{0x1BE, {1}}}), (std::vector<int32_t>{}));
}

TEST_F(queues, bridge_node_decoders) {
    register_for(23);
    EXPECT_EQ(deliver({{0x1C8, {1}}, {0x1C9, {2}}, {0x1C8, {3}}, {0x1C8, {4}}}),
              (std::vector<int32_t>{CAN_EVENT_KEY_1, CAN_EVENT_KEY_2, CAN_EVENT_KEY_3}));
    EXPECT_EQ(deliver({{0x2C4, {0x00, 0, 1}}, {0x2C4, {0x00, 0, 2}}, {0x2C4, {0x02, 0, 1}}}),
              (std::vector<int32_t>{CAN_EVENT_RING_SPOT_1, CAN_EVENT_RING_SPOT_2}));
    EXPECT_EQ(deliver({{0x1C0, {}}}), (std::vector<int32_t>{CAN_EVENT_FOCUS}));

    // The wheel: moving, then stopped, sets the named event.
    bool existed = true;
    const plat::event_handle stopped = plat::create_event(CAN_NDWHEEL_STOPPED_EVENT, true, false, &existed);
    ASSERT_NE(stopped, nullptr);
    EXPECT_EQ(deliver({{0x2C0, {0x1A}}}), (std::vector<int32_t>{}));
    EXPECT_EQ(can_ndwheel_status(), 0x1A);
    EXPECT_EQ(plat::wait_event(stopped, 0), plat::wait_result::timed_out);
    EXPECT_EQ(deliver({{0x2C0, {0x08}}}), (std::vector<int32_t>{}));
    EXPECT_EQ(plat::wait_event(stopped, 0), plat::wait_result::signalled);
    plat::close_event(stopped);
}

TEST_F(queues, type_26_has_no_ring_spot_or_focus_events) {
    register_for(26);
    // 0x2C4 and 0x1C0 are not even registered; a motion wrapper could still deliver them.
    const uint8_t ring[8] = {0, 0, 1};
    const uint8_t none[8] = {};
    mwi_pdo_callback(0x2C4, 0, ring);
    mwi_pdo_callback(0x1C0, 0, none);
    EXPECT_FALSE(can_events_pending(&info));
    EXPECT_EQ(deliver({{0x1C8, {1}}}), (std::vector<int32_t>{CAN_EVENT_KEY_1}));
}

TEST_F(queues, other_system_types_drop_their_pdos) {
    register_for(40);
    const uint8_t data[8] = {1};
    mwi_pdo_callback(0x1C8, 0, data);
    EXPECT_FALSE(can_events_pending(&info));
    EXPECT_FALSE(can_events_pending(&info));  // and the PDO queue is empty now
}

TEST_F(queues, emergency_records_keep_their_words) {
    register_for(23);
    const uint8_t block[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    sim_can_queue_emcy(0x11, -2, block, 0xAB);
    ASSERT_TRUE(sim_can_wait_delivered(10000));
    const uint8_t five[5] = {21, 22, 23, 24, 25};
    mwi_emcy_callback(7, 8, 0x01020304, 0x55, five, 0x66);
    EXPECT_TRUE(can_events_pending(&info));
    can_emergency_event e{};
    ASSERT_TRUE(can_take_emergency_event(&e));
    EXPECT_EQ(e.type, CAN_EVENT_EMERGENCY);
    EXPECT_EQ(e.words[0], 0x11);
    EXPECT_EQ(e.words[1], -2);
    EXPECT_EQ(std::memcmp(&e.words[2], block, 12), 0);
    EXPECT_EQ(e.words[5] & 0xFF, 0xAB);
    ASSERT_TRUE(can_take_emergency_event(&e));
    const auto* bytes = reinterpret_cast<const uint8_t*>(&e.words[2]);
    int32_t third = 0;
    std::memcpy(&third, bytes, 4);
    EXPECT_EQ(third, 0x01020304);
    EXPECT_EQ(bytes[4], 0x55);
    EXPECT_EQ(std::memcmp(bytes + 5, five, 5), 0);
    EXPECT_EQ(e.words[5] & 0xFF, 0x66);
    EXPECT_FALSE(can_take_emergency_event(&e));
    EXPECT_FALSE(can_events_pending(&info));
}

TEST_F(queues, handler_failures_are_reported) {
    register_for(23);
    sim_can_fail_call("CAN_GetPDO", 1, CAN_ERR_NO_PDO);
    sim_can_set_overrun(1);
    const uint8_t key[8] = {1};
    sim_can_queue_pdo(0x1C8, key);
    ASSERT_TRUE(sim_can_wait_delivered(10000));
    EXPECT_FALSE(can_events_pending(&info));
    EXPECT_TRUE(can_test_contains(printed.printed(), "ReceivePdo overrun.\n"));
    EXPECT_TRUE(can_test_contains(printed.printed(), "ReceivePdoHandler canErr = -6\n"));

    sim_can_fail_call("CAN_RegisterEvents", 1, CAN_ERR_GENERAL);
    EXPECT_EQ(can_register_events(&info, false), ERR_CAN_ERROR);
    EXPECT_TRUE(can_test_contains(printed.printed(), "can_register_events canErr = -1\n"));
}

// After switch-off the locks are still there for every writer, while the
// CAN library's handlers, removed, leave the queues alone.
TEST_F(queues, the_locks_outlive_the_handlers) {
    register_for(23);
    can_register_events(&info, false);
    can_events_free_resources();
    const uint8_t key[8] = {1};
    const uint8_t block[12] = {};
    EXPECT_EQ(ReceiveEmcyHandler(1, 2, block, 3), 0);
    ReceivePdoHandler(1, 0);
    EXPECT_EQ(mwi_pdo_callback(0x1C8, 0, key), 1);
    const uint64_t dropped = can_events_dropped();
    can_event sleep{CAN_EVENT_SLEEP, {}};
    can_post_event(&sleep);
    EXPECT_EQ(can_events_dropped(), dropped);
    EXPECT_TRUE(can_events_pending(&info));
    std::vector<int32_t> types;
    for (can_event e; can_take_event(&e);) types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<int32_t>{CAN_EVENT_SLEEP, CAN_EVENT_KEY_1}));
    can_emergency_event emergency{};
    EXPECT_FALSE(can_take_emergency_event(&emergency));
    EXPECT_EQ(sim_can_call_count("CAN_GetPDO"), 0);
}

TEST_F(queues, the_device_manager_polls_the_queues) {
    sim_can_add_bridge(kTestMac, kTestIp);
    info.systemType = 23;
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_CAN, &device, 0), DEV_NO_DATA);
    const uint8_t key[8] = {2};
    sim_can_queue_pdo(0x1C9, key);
    ASSERT_TRUE(sim_can_wait_delivered(10000));
    EXPECT_EQ(dev_data_read(DEV_CAN, &device, 1), DEV_CAN);
    EXPECT_EQ(device.handle, CAN_DEVICE_HANDLE);
    can_event e{};
    ASSERT_TRUE(can_take_event(&e));
    EXPECT_EQ(e.type, CAN_EVENT_KEY_2);
}

}  // namespace
