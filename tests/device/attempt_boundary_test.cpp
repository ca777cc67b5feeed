// Data that a device's poll takes just as a request's attempt runs out: the
// poll has consumed it, so the run that found it is the only one that can
// report it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <random>
#include <thread>

#include "device/device.h"
#include "device/device_state.h"
#include "errors/errors.h"
#include "motion/motion.h"
#include "platform/events.h"

namespace {

// A CAN device whose data turns up only once the caller has given up on the
// attempt and asked the run to stop. The poll takes it, as an event is taken.
struct late_device {
    std::atomic<int> reports_left{1};
    std::atomic<bool> always_ready{false};  // frees a request that lost the data
};

int32_t late_poll(int64_t /*handle*/, void* context) {
    auto* device = static_cast<late_device*>(context);
    if (device->always_ready.load()) return 1;
    if (device->reports_left.load() == 0) return 0;
    // The stop request comes once the attempt's wait has run out.
    if (plat::wait_event(dev_cntrl().stop_event, 5000) != plat::wait_result::signalled) return 0;
    --device->reports_left;
    return 1;
}

class AttemptBoundary : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(dev_init_cntrl(true), NO_ERROR); }
    void TearDown() override {
        dev_init_cntrl(true);
        dev_set_can_poll(nullptr);
        g_DevWaits.attempt_ms = kAttemptMs;
        g_DevWaits.sweep_pause_ms = kSweepPauseMs;
    }
    const int64_t kAttemptMs = g_DevWaits.attempt_ms.load();
    const int64_t kSweepPauseMs = g_DevWaits.sweep_pause_ms.load();
};

TEST_F(AttemptBoundary, DeviceFoundAfterTheAttemptRanOutIsReported) {
    dev_set_can_poll(late_poll);
    late_device device;
    ASSERT_EQ(dev_add_device(DEV_CAN, 90, &device), NO_ERROR);

    // A single sweep that outlasts the attempt.
    dev_info found{};
    EXPECT_EQ(dev_data_read(DEV_CAN, &found, 0), DEV_CAN);
    EXPECT_EQ(found.handle, 90);
    EXPECT_EQ(device.reports_left.load(), 0);

    // A waiting request: had it dropped the data, nothing would ever end it
    // but the rescue below.
    device.reports_left = 1;
    found = dev_info{};
    auto request =
        std::async(std::launch::async, [&found] { return dev_data_read(DEV_CAN, &found, 1); });
    const bool answered = request.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    device.always_ready = true;
    EXPECT_TRUE(answered) << "the request lost the data its poll took";
    EXPECT_EQ(request.get(), DEV_CAN);
    EXPECT_EQ(found.handle, 90);
}

// A motion controller's data-ready event is set from another thread at random
// moments around the attempts' ends, many times over. The times are shortened
// so that thousands of attempt boundaries pass in a few seconds; the sweep
// pause is half an attempt, so the thread's last poll of an attempt falls
// right at its end.
TEST_F(AttemptBoundary, EventSetAroundAttemptEndsIsNeverLost) {
    constexpr int64_t kAttempt = 2;
    g_DevWaits.attempt_ms = kAttempt;
    g_DevWaits.sweep_pause_ms = kAttempt / 2;
    const plat::event_handle data_ready = plat::create_event(nullptr, true, false);
    const plat::event_handle returned = plat::create_event(nullptr, true, false);
    ASSERT_NE(data_ready, nullptr);
    ASSERT_NE(returned, nullptr);
    mc_controller controller{1, MC_CONN_EVENT, data_ready};
    ASSERT_EQ(dev_add_device(DEV_MOTION, 95, &controller), NO_ERROR);

    // Once the poll has taken the event the request answers within
    // microseconds; ten seconds without an answer, however busy the
    // machine, mean the event was lost.
    constexpr int64_t kLostAfterMs = 10000;
    constexpr int kRounds = 2000;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delay_us(0, static_cast<int>(kAttempt * 2000));
    for (int round = 0; round < kRounds; ++round) {
        plat::reset_event(data_ready);
        plat::reset_event(returned);
        const auto delay = std::chrono::microseconds(delay_us(random));
        std::atomic<bool> lost{false};
        std::thread producer([&] {
            std::this_thread::sleep_for(delay);
            plat::set_event(data_ready);
            if (plat::wait_event(returned, kLostAfterMs) != plat::wait_result::signalled) {
                lost = true;
                plat::set_event(data_ready);  // frees the request
            }
        });
        dev_info found{};
        const int32_t result = dev_data_read(DEV_MOTION, &found, 1);
        plat::set_event(returned);
        producer.join();
        ASSERT_FALSE(lost.load()) << "round " << round << ", event set after " << delay.count()
                                  << " us";
        ASSERT_EQ(result, DEV_MOTION);
        ASSERT_EQ(found.handle, 95);
        ASSERT_EQ(plat::wait_event(data_ready, 0), plat::wait_result::timed_out);
    }
    plat::close_event(data_ready);
    plat::close_event(returned);
}

}  // namespace
