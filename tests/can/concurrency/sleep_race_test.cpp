// The sleep thread against the threads around it: SDO transfers signalling
// activity while it starts and stops, and a stop that abandons it.
#include <atomic>
#include <thread>

#include "can/can_test_support.h"
#include "platform/events.h"
#include "support/wait_until.h"

namespace {

class sleep_race : public can_test {
  protected:
    void SetUp() override {
        can_test::SetUp();
        ASSERT_EQ(CanCreateSyncObjects(), NO_ERROR);
        sleep_mode_set_second(1);
        sleep_mode_set_stop_wait(0);  // abandon at once
        info.sleep.timeoutSeconds = 1;
    }
    void TearDown() override {
        sleep_mode_stop();
        sleep_mode_set_stop_wait(-1);
        sleep_mode_set_second(1000);
        can_test::TearDown();
    }
};

// A thread that does not finish within the stop's wait is abandoned; it
// must still end, without posting another sleep event.
TEST_F(sleep_race, an_abandoned_thread_ends_once_it_can_post) {
    // Holding the event lock keeps the thread in its first post.
    const plat::event_handle lock = plat::create_event("TeskCanEventMutex", false, true);
    ASSERT_NE(lock, nullptr);
    ASSERT_EQ(plat::wait_event(lock, 20000), plat::wait_result::signalled);
    const uint64_t posts = sleep_mode_posts();
    sleep_mode_start(&info);
    ASSERT_TRUE(wait_until([&] { return sleep_mode_posts() > posts; }));
    EXPECT_TRUE(sleep_mode_stop());
    EXPECT_EQ(sleep_mode_live_threads(), 1);
    plat::set_event(lock);
    plat::close_event(lock);

    EXPECT_TRUE(wait_until([] { return sleep_mode_live_threads() == 0; }));
    EXPECT_EQ(sleep_mode_posts(), posts + 1);
    int sleeps = 0;
    for (can_event e; can_take_event(&e);) sleeps += e.type == CAN_EVENT_SLEEP ? 1 : 0;
    EXPECT_EQ(sleeps, 1);

    // The abandoned run's events were its own: a new run starts and stops.
    sleep_mode_set_stop_wait(-1);
    sleep_mode_start(&info);
    sleep_mode_activity();
    EXPECT_TRUE(sleep_mode_stop());
    EXPECT_EQ(sleep_mode_live_threads(), 0);
}

TEST_F(sleep_race, transfers_signal_activity_while_the_timer_stops) {
    sleep_mode_set_second(20);
    sleep_mode_set_stop_wait(-1);
    info.sleep.timeoutSeconds = 3;
    connect_bridge();
    sim_can_add_node(61, 0, 1, 0);
    std::atomic<bool> done{false};
    std::thread traffic([&] {
        while (!done.load()) can_write_llc(&info, 1);
    });
    for (int i = 0; i < 50; ++i) {
        sleep_mode_start(&info);
        sleep_mode_stop();
    }
    done.store(true);
    traffic.join();
    EXPECT_FALSE(can_events_pending(&info));
}

}  // namespace
