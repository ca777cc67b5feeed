// The sleep mode timer, with its seconds shortened.
#include <chrono>
#include <thread>

#include "can_test_support.h"
#include "platform/thread.h"

namespace {

class sleep_timer : public can_test {
  protected:
    void SetUp() override {
        can_test::SetUp();
        ASSERT_EQ(CanCreateSyncObjects(), NO_ERROR);
        sleep_mode_set_second(kSecondMs);
        info.sleep.timeoutSeconds = 3;
    }
    void TearDown() override {
        sleep_mode_stop();
        sleep_mode_set_second(1000);
        can_test::TearDown();
    }

    static int sleep_events() {
        int n = 0;
        for (can_event e; can_take_event(&e);) {
            EXPECT_EQ(e.type, CAN_EVENT_SLEEP);
            ++n;
        }
        return n;
    }

    static constexpr int64_t kSecondMs = 20;
};

TEST_F(sleep_timer, activity_within_the_timeout_keeps_it_awake) {
    sleep_mode_start(&info);
    for (int i = 0; i < 15; ++i) {
        plat::sleep_ms(int64_t{kSecondMs});
        sleep_mode_activity();
    }
    EXPECT_EQ(sleep_events(), 0);
    EXPECT_TRUE(sleep_mode_stop());
    EXPECT_EQ(sleep_mode_exit_code(), NO_ERROR);
}

TEST_F(sleep_timer, idle_instrument_reports_sleep_every_second_until_stopped) {
    const auto start = std::chrono::steady_clock::now();
    sleep_mode_start(&info);
    sleep_mode_start(&info);  // a second start does nothing
    plat::sleep_ms(int64_t{kSecondMs} * 3 + 5 * kSecondMs);
    sleep_mode_activity();  // activity after expiry does not end the reports
    plat::sleep_ms(int64_t{kSecondMs} * 4);
    EXPECT_TRUE(sleep_mode_stop());
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    const int n = sleep_events();
    // One post at the timeout, then one a second: never more than the time
    // allowed; a loaded machine may give fewer, but some.
    EXPECT_GE(n, 3);
    EXPECT_LE(n, (elapsed - 3 * kSecondMs) / kSecondMs + 1);
    plat::sleep_ms(int64_t{kSecondMs} * 3);
    EXPECT_EQ(sleep_events(), 0);  // nothing after the stop
}

TEST_F(sleep_timer, stop_without_a_thread_returns_false) {
    EXPECT_FALSE(sleep_mode_stop());
    sleep_mode_activity();  // no timer: nothing to signal
}

TEST_F(sleep_timer, start_and_stop_two_hundred_times) {
    for (int i = 0; i < 200; ++i) {
        sleep_mode_start(&info);
        if (i % 2 == 0) sleep_mode_activity();
        ASSERT_TRUE(sleep_mode_stop()) << i;
    }
    EXPECT_FALSE(sleep_mode_stop());
}

TEST_F(sleep_timer, switch_on_starts_it_when_the_instrument_sleeps) {
    sim_can_add_bridge(kTestMac, kTestIp);
    info.sleep.supported = 1;
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    can_inst_off(&info);
    EXPECT_FALSE(sleep_mode_stop());  // switch-off stopped it
    info.sleep.supported = 0;
    ASSERT_EQ(can_inst_on(&info), NO_ERROR);
    EXPECT_FALSE(sleep_mode_stop());
}

}  // namespace
