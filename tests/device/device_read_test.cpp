// Requests to the monitor thread: which devices are polled, what is
// reported, and how a request ends with and without waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "device/device.h"
#include "errors/errors.h"
#include "motion/motion.h"
#include "platform/dynamic_library.h"
#include "platform/events.h"
#include "support/print_capture.h"

namespace {

// A device whose poll the test controls; registered as a CAN instrument, whose
// poll operation the device manager takes from outside.
struct fake_device {
    std::atomic<int> polls{0};
    std::atomic<int> has_data{0};
};

int32_t fake_poll(int64_t /*handle*/, void* context) {
    auto* device = static_cast<fake_device*>(context);
    ++device->polls;
    return device->has_data.load();
}

class DeviceRead : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(dev_init_cntrl(true), NO_ERROR);
        dev_set_can_poll(fake_poll);
    }
    void TearDown() override {
        dev_init_cntrl(true);
        dev_set_can_poll(nullptr);
        mc_mwi_unload();
        plat::set_library_directory(nullptr);
    }
};

// A record whose enabled and poll fields must survive dev_data_read.
dev_info untouched_record() {
    return dev_info{-5, -5, -5, 77, fake_poll, nullptr};
}

TEST_F(DeviceRead, SingleSweepWithNothingReadyPollsEachDeviceOnceAndReturnsSoon) {
    fake_device first;
    fake_device second;
    ASSERT_EQ(dev_add_device(DEV_CAN, 10, &first), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CAN, 11, &second), NO_ERROR);

    // Each call makes exactly one sweep. It ends on the thread's signal, not
    // on the 100 ms limit of an attempt; the time is checked loosely, by the
    // quickest of several calls.
    auto quickest = std::chrono::steady_clock::duration::max();
    constexpr int kCalls = 5;
    for (int i = 0; i < kCalls; ++i) {
        dev_info device = untouched_record();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(dev_data_read(DEV_CAN, &device, 0), DEV_NO_DATA);
        quickest = std::min(quickest, std::chrono::steady_clock::now() - start);
        EXPECT_EQ(device.handle, -5);  // nothing copied
    }
    EXPECT_EQ(first.polls.load(), kCalls);
    EXPECT_EQ(second.polls.load(), kCalls);
    EXPECT_LT(quickest, std::chrono::milliseconds(50));
    EXPECT_EQ(dev_cntrl().ready_type, 0);
    EXPECT_EQ(dev_cntrl().ready_index, -1);
}

TEST_F(DeviceRead, DisabledDeviceIsNeverPolledEvenWithTheFullMask) {
    fake_device device_with_data;
    device_with_data.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_CAN, 20, &device_with_data), NO_ERROR);
    ASSERT_EQ(dev_set_event_state(20, 0), NO_ERROR);

    dev_info device = untouched_record();
    EXPECT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(dev_data_read(DEV_CAN, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(device_with_data.polls.load(), 0);

    ASSERT_EQ(dev_set_event_state(20, 1), NO_ERROR);
    EXPECT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 0), DEV_CAN);
    EXPECT_EQ(device_with_data.polls.load(), 1);
}

TEST_F(DeviceRead, DevicesOfOtherTypesAreNotPolled) {
    fake_device can_device;
    can_device.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_CAN, 30, &can_device), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CONSOLE, 31, nullptr), NO_ERROR);
    dev_info device = untouched_record();
    EXPECT_EQ(dev_data_read(DEV_SERIAL_4, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(dev_data_read(DEV_CONSOLE, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(can_device.polls.load(), 0);
}

TEST_F(DeviceRead, InvalidMaskIsRefusedWithBothMessages) {
    print_capture printed;
    dev_info device = untouched_record();
    EXPECT_EQ(dev_data_read(3, &device, 0), 0);
    EXPECT_EQ(printed.text(),
              "dev_type_valid: dev_type=3 is invalid\n"
              "dev_data_read: ERR_DEV_CNTRL\n");
    EXPECT_EQ(device.handle, -5);
}

TEST_F(DeviceRead, ReportedDeviceIsCopiedAndTheFirstInTableOrderWins) {
    fake_device first;
    fake_device second;
    first.has_data = 1;
    second.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_SERIAL_4, 40, nullptr), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CAN, 41, &first), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CAN, 42, &second), NO_ERROR);

    dev_info device = untouched_record();
    EXPECT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 1), DEV_CAN);
    EXPECT_EQ(device.handle, 41);
    EXPECT_EQ(device.status, DEV_IN_USE);
    EXPECT_EQ(device.type, DEV_CAN);
    EXPECT_EQ(device.context, &first);
    EXPECT_EQ(device.enabled, 77);  // not written
    EXPECT_EQ(device.poll, fake_poll);
    EXPECT_EQ(second.polls.load(), 0);
    EXPECT_EQ(dev_cntrl().ready_index, 1);
    EXPECT_EQ(dev_cntrl().ready_type, DEV_CAN);
}

TEST_F(DeviceRead, RemovingTheReportedDeviceResetsTheReadyFields) {
    fake_device reporting;
    reporting.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_SERIAL_8, 50, nullptr), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_CAN, 51, &reporting), NO_ERROR);
    dev_info device{};
    ASSERT_EQ(dev_data_read(DEV_CAN, &device, 0), DEV_CAN);

    ASSERT_EQ(dev_remove_device(50), NO_ERROR);  // another device: no change
    EXPECT_EQ(dev_cntrl().ready_index, 1);
    EXPECT_EQ(dev_cntrl().ready_type, DEV_CAN);
    ASSERT_EQ(dev_remove_device(51), NO_ERROR);
    EXPECT_EQ(dev_cntrl().ready_index, -1);
    EXPECT_EQ(dev_cntrl().ready_type, 0);
}

TEST_F(DeviceRead, WaitingRequestReturnsOnceAMotionControllerSignalsData) {
    const plat::event_handle data_ready = plat::create_event(nullptr, true, false);
    ASSERT_NE(data_ready, nullptr);
    mc_controller controller{3, MC_CONN_EVENT, data_ready};
    fake_device disabled;
    disabled.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_CAN, 60, &disabled), NO_ERROR);
    ASSERT_EQ(dev_set_event_state(60, 0), NO_ERROR);
    ASSERT_EQ(dev_add_device(DEV_MOTION, 61, &controller), NO_ERROR);

    // The data arrives later than one attempt lasts, so the request has to
    // sweep and restart until it comes.
    std::thread producer([data_ready] {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        plat::set_event(data_ready);
    });
    dev_info device = untouched_record();
    const int32_t result = dev_data_read(DEV_ALL_TYPES, &device, 1);
    producer.join();

    EXPECT_EQ(result, DEV_MOTION);
    EXPECT_EQ(device.handle, 61);
    EXPECT_EQ(device.type, DEV_MOTION);
    EXPECT_EQ(device.context, &controller);
    EXPECT_EQ(disabled.polls.load(), 0);
    // The poll took the event: the next single sweep finds nothing.
    EXPECT_EQ(plat::wait_event(data_ready, 0), plat::wait_result::timed_out);
    EXPECT_EQ(dev_data_read(DEV_MOTION, &device, 0), DEV_NO_DATA);
    plat::close_event(data_ready);
}

TEST_F(DeviceRead, MotionWrapperControllerIsAskedThroughHasEvent) {
    mc_controller controller{0, MC_CONN_MWI, nullptr};
    ASSERT_EQ(dev_add_device(DEV_MOTION, 70, &controller), NO_ERROR);
    dev_info device{};
    // Without the library loaded there is no one to ask, and no data.
    EXPECT_EQ(dev_data_read(DEV_MOTION, &device, 0), DEV_NO_DATA);

    plat::set_library_directory((std::string(SIM_MOTION_PLUGIN_DIR) + "/complete").c_str());
    ASSERT_EQ(mc_mwi_load(), NO_ERROR);
    using set_pending_func = void (*)(mwi_handle, int32_t);
    using call_count_func = int64_t (*)();
    const auto set_pending = reinterpret_cast<set_pending_func>(
        plat::library_symbol(gl_MwiLibrary, "sim_mwi_set_event_pending"));
    const auto call_count = reinterpret_cast<call_count_func>(
        plat::library_symbol(gl_MwiLibrary, "sim_mwi_has_event_calls"));
    ASSERT_NE(set_pending, nullptr);
    ASSERT_NE(call_count, nullptr);
    ASSERT_EQ(gl_Mwi.OpenComm_MWI("sim", &controller.handle), 1);

    const int64_t calls_before = call_count();
    EXPECT_EQ(dev_data_read(DEV_MOTION, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(call_count(), calls_before + 1);

    set_pending(controller.handle, 1);
    EXPECT_EQ(dev_data_read(DEV_MOTION, &device, 1), DEV_MOTION);
    EXPECT_EQ(device.handle, 70);
    EXPECT_EQ(device.context, &controller);
    gl_Mwi.CloseComm_MWI(controller.handle);
}

TEST_F(DeviceRead, CanDeviceWithoutASuppliedPollNeverReports) {
    dev_set_can_poll(nullptr);
    fake_device can_device;
    can_device.has_data = 1;
    ASSERT_EQ(dev_add_device(DEV_CAN, 80, &can_device), NO_ERROR);
    EXPECT_EQ(dev_cntrl().device_count, 1);
    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_CAN, &device, 0), DEV_NO_DATA);
    EXPECT_EQ(can_device.polls.load(), 0);
    EXPECT_EQ(dev_remove_device(80), NO_ERROR);
    EXPECT_EQ(dev_cntrl().device_count, 0);
}

TEST_F(DeviceRead, SerialDeviceWithoutAnOpenPortHasNoData) {
    ASSERT_EQ(dev_add_device(DEV_SERIAL_16, 1 << 20, nullptr), NO_ERROR);
    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_SERIAL_16, &device, 0), DEV_NO_DATA);
}

}  // namespace
