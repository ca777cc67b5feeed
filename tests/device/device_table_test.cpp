// The device table: registration, removal, lookup, the polling switch, the
// type check and the manager's life cycle.
#include <gtest/gtest.h>

#include <cstdlib>

#include "device/device.h"
#include "errors/errors.h"
#include "motion/motion.h"
#include "platform/events.h"
#include "platform/thread.h"
#include "support/print_capture.h"

namespace {

class DeviceTable : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(dev_init_cntrl(true), NO_ERROR); }
};

bool entry_is_free(const dev_info& entry) {
    return entry.handle == DEV_NO_HANDLE && entry.status == DEV_FREE && entry.type == 0 &&
           entry.enabled == 0 && entry.poll == nullptr && entry.context == nullptr;
}

TEST(DeviceTypes, ExactlyTheSevenCodesAreValid) {
    for (const int32_t type : {1, 2, 4, 8, 16, 32, 64}) EXPECT_TRUE(dev_type_valid(type)) << type;
    print_capture printed;
    for (const int32_t type : {0, 3, 128, 0xFFFF, -1}) EXPECT_FALSE(dev_type_valid(type)) << type;
    EXPECT_EQ(printed.text(),
              "dev_type_valid: dev_type=0 is invalid\n"
              "dev_type_valid: dev_type=3 is invalid\n"
              "dev_type_valid: dev_type=128 is invalid\n"
              "dev_type_valid: dev_type=65535 is invalid\n"
              "dev_type_valid: dev_type=-1 is invalid\n");
}

TEST_F(DeviceTable, RegistrationFillsTheFirstFreeEntryWithThePollOfItsType) {
    mc_controller serial_motion{7, MC_CONN_SERIAL, nullptr};
    int board_record = 0;
    ASSERT_EQ(dev_add_device(DEV_INSTR_BOARD, 100, &board_record), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CONSOLE, 101, nullptr), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_MOTION, 102, &serial_motion), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CAN, 103, nullptr), NO_ERROR);
    EXPECT_EQ(dev_cntrl().device_count, 4);

    const dev_info& board = gl_DevInfo[0];
    EXPECT_EQ(board.handle, 100);
    EXPECT_EQ(board.status, DEV_IN_USE);
    EXPECT_EQ(board.type, DEV_INSTR_BOARD);
    EXPECT_EQ(board.enabled, 1);
    EXPECT_NE(board.poll, nullptr);
    EXPECT_EQ(board.context, &board_record);
    EXPECT_EQ(gl_DevInfo[1].poll, nullptr);     // console entries are never polled
    EXPECT_EQ(gl_DevInfo[2].poll, board.poll);  // a serial motion controller polls its port
    EXPECT_NE(gl_DevInfo[3].poll, nullptr);
    EXPECT_NE(gl_DevInfo[3].poll, board.poll);
    EXPECT_TRUE(entry_is_free(gl_DevInfo[4]));
}

TEST_F(DeviceTable, RejectedRegistrationsLeaveTheTableUnchanged) {
    mc_controller unknown_kind{7, 9, nullptr};
    print_capture printed;
    EXPECT_EQ(dev_add_device(3, 100, nullptr), ERR_DEV_CNTRL);
    EXPECT_EQ(dev_add_device(DEV_MOTION, 101, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(dev_add_device(DEV_MOTION, 102, &unknown_kind), ERR_MC_NOT_AVAIL);
    EXPECT_EQ(dev_add_device(DEV_SERIAL_4, DEV_NO_HANDLE, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(printed.text(),
              "dev_type_valid: dev_type=3 is invalid\n"
              "dev_add_device failed: err=ERR_DEV_CNTRL\n"
              "dev_add_device failed: err=ERR_INVALID_PARAM\n"
              "dev_add_device failed: err=ERR_MC_NOT_AVAIL\n"
              "dev_add_device failed: err=ERR_INVALID_PARAM\n");
    EXPECT_EQ(dev_cntrl().device_count, 0);
    for (const dev_info& entry : gl_DevInfo) EXPECT_TRUE(entry_is_free(entry));
}

TEST_F(DeviceTable, EleventhRegistrationFailsAndAFreedIndexIsReusedFirst) {
    for (int64_t handle = 200; handle < 210; ++handle) {
        ASSERT_EQ(dev_add_device(DEV_SERIAL_8, handle, nullptr), NO_ERROR);
    }
    {
        print_capture printed;
        EXPECT_EQ(dev_add_device(DEV_SERIAL_8, 210, nullptr), ERR_DEV_CNTRL);
        EXPECT_EQ(printed.text(),
                  "gl_DevInfo table is fulldev_add_device failed: err=ERR_DEV_CNTRL\n");
    }
    ASSERT_EQ(dev_remove_device(206), NO_ERROR);
    ASSERT_EQ(dev_remove_device(203), NO_ERROR);
    EXPECT_TRUE(entry_is_free(gl_DevInfo[3]));
    ASSERT_EQ(dev_add_device(DEV_SERIAL_16, 211, nullptr), NO_ERROR);
    EXPECT_EQ(gl_DevInfo[3].handle, 211);
    EXPECT_EQ(gl_DevInfo[3].type, DEV_SERIAL_16);
    ASSERT_EQ(dev_add_device(DEV_SERIAL_16, 212, nullptr), NO_ERROR);
    EXPECT_EQ(gl_DevInfo[6].handle, 212);
    EXPECT_EQ(dev_cntrl().device_count, 10);
}

TEST_F(DeviceTable, RemovalAndLookupActOnTheFirstEntryOfAHandle) {
    print_capture printed;
    EXPECT_EQ(dev_remove_device(300), ERR_PARAM_OUT_OF_RANGE);  // empty table
    EXPECT_FALSE(dev_device_exists(300));
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 300, nullptr), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_SERIAL_8, 300, nullptr), NO_ERROR);
    EXPECT_EQ(dev_remove_device(DEV_NO_HANDLE), ERR_INVALID_PARAM);
    EXPECT_EQ(dev_remove_device(301), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_FALSE(dev_device_exists(DEV_NO_HANDLE));
    EXPECT_FALSE(dev_device_exists(301));

    ASSERT_EQ(dev_remove_device(300), NO_ERROR);
    EXPECT_TRUE(entry_is_free(gl_DevInfo[0]));
    EXPECT_EQ(gl_DevInfo[1].type, DEV_SERIAL_8);
    EXPECT_TRUE(dev_device_exists(300));
    ASSERT_EQ(dev_remove_device(300), NO_ERROR);
    EXPECT_FALSE(dev_device_exists(300));
    EXPECT_EQ(dev_cntrl().device_count, 0);
    EXPECT_EQ(printed.text(),
              "dev_remove_device failed: err=ERR_PARAM_OUT_OF_RANGE\n"
              "dev_remove_device failed: err=ERR_INVALID_PARAM\n"
              "dev_remove_device failed: err=ERR_PARAM_OUT_OF_RANGE\n");
}

TEST_F(DeviceTable, PollingSwitchChecksItsArguments) {
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 400, nullptr), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 400, nullptr), NO_ERROR);
    print_capture printed;
    EXPECT_EQ(dev_set_event_state(400, 0), NO_ERROR);
    EXPECT_EQ(gl_DevInfo[0].enabled, 0);
    EXPECT_EQ(gl_DevInfo[1].enabled, 1);
    EXPECT_EQ(dev_set_event_state(400, 1), NO_ERROR);
    EXPECT_EQ(gl_DevInfo[0].enabled, 1);
    EXPECT_EQ(dev_set_event_state(400, 2), ERR_INVALID_PARAM);
    EXPECT_EQ(dev_set_event_state(DEV_NO_HANDLE, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(dev_set_event_state(401, 0), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(printed.text(),
              "dev_set_event_state failed: err=ERR_INVALID_PARAM\n"
              "dev_set_event_state failed: err=ERR_INVALID_PARAM\n"
              "dev_set_event_state failed: err=ERR_PARAM_OUT_OF_RANGE\n");
}

TEST_F(DeviceTable, ReinitialisingEmptiesTheTableAndKeepsTheThreadAndEvents) {
    const dev_cntrl_state before = dev_cntrl();
    ASSERT_NE(before.thread, nullptr);
    ASSERT_NE(before.start_event, nullptr);
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 500, nullptr), NO_ERROR);

    EXPECT_EQ(dev_init_cntrl(false), NO_ERROR);  // already initialised: nothing changes
    EXPECT_TRUE(dev_device_exists(500));

    EXPECT_EQ(dev_init_cntrl(true), NO_ERROR);
    EXPECT_FALSE(dev_device_exists(500));
    EXPECT_EQ(dev_cntrl().device_count, 0);
    for (const dev_info& entry : gl_DevInfo) EXPECT_TRUE(entry_is_free(entry));
    EXPECT_EQ(dev_cntrl().thread, before.thread);
    EXPECT_EQ(dev_cntrl().start_event, before.start_event);
    EXPECT_EQ(dev_cntrl().stop_event, before.stop_event);
    EXPECT_EQ(dev_cntrl().done_event1, before.done_event1);
    EXPECT_EQ(dev_cntrl().done_event2, before.done_event2);
}

TEST_F(DeviceTable, ClosedManagerRefusesEverythingUntilInitialisedAgain) {
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 600, nullptr), NO_ERROR);
    dev_close_cntrl();
    EXPECT_EQ(dev_cntrl().initialised, 0);
    EXPECT_EQ(dev_cntrl().thread, nullptr);
    EXPECT_EQ(dev_cntrl().start_event, nullptr);
    EXPECT_EQ(dev_cntrl().done_event2, nullptr);
    dev_close_cntrl();  // closing twice is harmless

    {
        print_capture printed;
        dev_info device{};
        EXPECT_EQ(dev_add_device(DEV_SERIAL_4, 601, nullptr), ERR_DEV_CNTRL);
        EXPECT_EQ(dev_remove_device(600), ERR_DEV_CNTRL);
        EXPECT_EQ(dev_set_event_state(600, 0), ERR_DEV_CNTRL);
        EXPECT_FALSE(dev_device_exists(600));
        EXPECT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 0), 0);
        EXPECT_EQ(printed.text(),
                  "dev_add_device failed: err=ERR_DEV_CNTRL\n"
                  "dev_remove_device failed: err=ERR_DEV_CNTRL\n"
                  "dev_set_event_state failed: err=ERR_DEV_CNTRL\n"
                  "dev_data_read: ERR_DEV_CNTRL\n");
    }

    // A fresh start: new events and thread that answer requests.
    ASSERT_EQ(dev_init_cntrl(false), NO_ERROR);
    EXPECT_NE(dev_cntrl().thread, nullptr);
    EXPECT_FALSE(dev_device_exists(600));
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 602, nullptr), NO_ERROR);
    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 0), DEV_NO_DATA);
}

// The events are named, so another holder may keep one alive across a close.
// The thread ends by a wake-up on "StartEvent"; left set, it would start a
// run in the next thread with no request behind it, which takes a device's
// data (or holds the thread) so that the first request answers "no data".
TEST_F(DeviceTable, CloseLeavesNoWakeUpForTheNextThread) {
    const plat::event_handle kept_start = plat::create_event("StartEvent", true, false);
    ASSERT_NE(kept_start, nullptr);
    const plat::event_handle data_ready = plat::create_event(nullptr, true, true);
    ASSERT_NE(data_ready, nullptr);
    mc_controller controller{2, MC_CONN_EVENT, data_ready};

    dev_close_cntrl();
    EXPECT_EQ(plat::wait_event(kept_start, 0), plat::wait_result::timed_out);
    ASSERT_EQ(dev_init_cntrl(false), NO_ERROR);
    plat::sleep_ms(50);  // time for the new thread to act on a stale wake-up
    ASSERT_EQ(dev_add_device(DEV_MOTION, 700, &controller), NO_ERROR);
    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_MOTION, &device, 0), DEV_MOTION);
    EXPECT_EQ(device.handle, 700);

    plat::close_event(kept_start);
    plat::close_event(data_ready);
}

TEST(DeviceManagerExit, ProcessEndsCleanlyWithTheMonitorThreadStillRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (dev_init_cntrl(true) != NO_ERROR) std::exit(2);
            dev_info device{};
            if (dev_data_read(DEV_ALL_TYPES, &device, 0) != DEV_NO_DATA) std::exit(3);
            std::exit(0);  // no dev_close_cntrl
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
