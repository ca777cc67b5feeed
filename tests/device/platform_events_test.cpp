// The events and threads of the platform layer that the device manager is
// built on.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/events.h"
#include "platform/thread.h"

namespace {

TEST(Events, ManualResetStaysSignalledUntilReset) {
    const plat::event_handle event = plat::create_event(nullptr, true, false);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::timed_out);
    EXPECT_EQ(plat::wait_event(event, 5), plat::wait_result::timed_out);
    plat::set_event(event);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::signalled);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::signalled);
    plat::reset_event(event);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::timed_out);
    EXPECT_TRUE(plat::close_event(event));
}

TEST(Events, AutomaticResetReleasesOneWaitPerSet) {
    const plat::event_handle event = plat::create_event(nullptr, false, true);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::signalled);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::timed_out);
    plat::set_event(event);
    plat::set_event(event);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::signalled);
    EXPECT_EQ(plat::wait_event(event, 0), plat::wait_result::timed_out);
    plat::close_event(event);
}

TEST(Events, SameNameOpensTheSameEventUntilItsLastHandleCloses) {
    bool existed = true;
    const plat::event_handle first = plat::create_event("TestSharedEvent", true, false, &existed);
    EXPECT_FALSE(existed);
    const plat::event_handle second = plat::create_event("TestSharedEvent", false, true, &existed);
    EXPECT_TRUE(existed);
    // The handles may differ (they do on Windows) but name one event: the
    // second creation kept the first one's reset kind and state.
    EXPECT_EQ(plat::wait_event(second, 0), plat::wait_result::timed_out);
    plat::set_event(first);
    EXPECT_EQ(plat::wait_event(second, 0), plat::wait_result::signalled);

    plat::close_event(first);
    EXPECT_EQ(plat::wait_event(second, 0), plat::wait_result::signalled);  // still open
    plat::close_event(second);
    const plat::event_handle fresh = plat::create_event("TestSharedEvent", true, false, &existed);
    EXPECT_FALSE(existed);
    EXPECT_EQ(plat::wait_event(fresh, 0), plat::wait_result::timed_out);
    plat::close_event(fresh);
}

TEST(Events, WaitAnyGivesTheLowestSignalledIndex) {
    plat::event_handle events[3] = {plat::create_event(nullptr, true, false),
                                    plat::create_event(nullptr, false, false),
                                    plat::create_event(nullptr, true, false)};
    EXPECT_EQ(plat::wait_any(events, 3, 0), plat::kWaitAnyTimedOut);
    EXPECT_EQ(plat::wait_any(events, 3, 5), plat::kWaitAnyTimedOut);
    plat::set_event(events[2]);
    plat::set_event(events[1]);
    EXPECT_EQ(plat::wait_any(events, 3, 0), 1);
    EXPECT_EQ(plat::wait_any(events, 3, 0), 2);  // the automatic one was taken
    EXPECT_EQ(plat::wait_any(events, 3, plat::kWaitForever), 2);

    plat::event_handle with_null[2] = {events[0], nullptr};
    EXPECT_EQ(plat::wait_any(with_null, 2, 0), plat::kWaitAnyFailed);
    EXPECT_EQ(plat::wait_any(events, 0, 0), plat::kWaitAnyFailed);
    EXPECT_EQ(plat::wait_event(nullptr, 0), plat::wait_result::failed);
    for (const plat::event_handle event : events) plat::close_event(event);
}

struct hand_over {
    plat::event_handle go;
    plat::event_handle done;
    std::atomic<int> runs{0};
};

// Answers each "go" with "done" until told to stop by a negative run count.
void answer(void* argument) {
    auto* shared = static_cast<hand_over*>(argument);
    while (plat::wait_event(shared->go, plat::kWaitForever) == plat::wait_result::signalled) {
        if (shared->runs.load() < 0) return;
        ++shared->runs;
        plat::set_event(shared->done);
    }
}

TEST(Threads, EventsHandWorkBetweenThreadsAndJoinWaitsForTheEnd) {
    hand_over shared{plat::create_event(nullptr, false, false),
                     plat::create_event(nullptr, false, false)};
    const plat::thread_handle thread = plat::start_thread(answer, &shared);
    ASSERT_NE(thread, nullptr);
    for (int i = 0; i < 20; ++i) {
        plat::set_event(shared.go);
        ASSERT_EQ(plat::wait_event(shared.done, plat::kWaitForever), plat::wait_result::signalled);
    }
    EXPECT_EQ(shared.runs.load(), 20);
    shared.runs = -1;
    plat::set_event(shared.go);
    EXPECT_TRUE(plat::join_thread(thread));
    EXPECT_FALSE(plat::join_thread(thread));
    plat::close_thread(thread);
    plat::close_event(shared.go);
    plat::close_event(shared.done);
    EXPECT_EQ(plat::start_thread(nullptr, nullptr), nullptr);
}

}  // namespace
