// Deliveries from every writer of the queues racing the drain.
#include <cstring>
#include <thread>

#include "can/can_test_support.h"

namespace {

class drain_race : public can_test {
  protected:
    void SetUp() override {
        can_test::SetUp();
        connect_bridge();
        info.systemType = 23;
        ASSERT_EQ(can_register_events(&info, true), NO_ERROR);
    }
    void TearDown() override {
        can_register_events(&info, false);
        can_test::TearDown();
    }
};

// A flood from the library's delivery thread, the motion wrapper callbacks
// and the sleep poster against a draining loop: every record arrives once
// and in order from each source.
TEST_F(drain_race, concurrent_writers_against_the_drain) {
    constexpr uint64_t kFlood = 50000;
    constexpr int32_t kWrapper = 20000;
    constexpr int32_t kPosts = 5000;
    sim_can_flood(0x1C0, 0, kFlood);
    std::thread wrapper([] {
        for (int32_t i = 0; i < kWrapper; ++i) {
            uint8_t data[8] = {};
            std::memcpy(data, &i, 4);
            mwi_pdo_callback(0x1C0, 1, data);
            if (i % 4 == 0) mwi_emcy_callback(i, 0, 0, 0, data, 0);
        }
    });
    std::thread poster([] {
        for (int32_t i = 0; i < kPosts; ++i) {
            can_event e{CAN_EVENT_SLEEP, {i}};
            can_post_event(&e);
        }
    });
    uint64_t next_flood = 0;
    int32_t next_wrapper = 0, next_post = 0, next_emcy = 0;
    bool in_order = true;
    const auto take_all = [&] {
        can_events_pending(&info);
        for (can_event e; can_take_event(&e);) {
            if (e.type == CAN_EVENT_SLEEP) {
                in_order &= e.words[0] == next_post++;
                continue;
            }
            const auto* pdo = reinterpret_cast<const can_pdo_record*>(e.words);
            if (pdo->word2 == 1) {
                int32_t n = 0;
                std::memcpy(&n, pdo->data, 4);
                in_order &= n == next_wrapper++;
            } else {
                uint64_t n = 0;
                std::memcpy(&n, pdo->data, 8);
                in_order &= n == next_flood++;
            }
        }
        for (can_emergency_event e; can_take_emergency_event(&e);) in_order &= e.words[0] == 4 * next_emcy++;
    };
    while (next_flood < kFlood || next_wrapper < kWrapper || next_post < kPosts) {
        take_all();
        if (!in_order) break;
    }
    wrapper.join();
    poster.join();
    ASSERT_TRUE(sim_can_wait_delivered(10000));
    take_all();
    EXPECT_TRUE(in_order);
    EXPECT_EQ(next_flood, kFlood);
    EXPECT_EQ(next_wrapper, kWrapper);
    EXPECT_EQ(next_post, kPosts);
    EXPECT_EQ(next_emcy, kWrapper / 4);
    EXPECT_EQ(sim_can_pdos_fetched(), kFlood);
}

}  // namespace
