// Switching the instrument on and off while PDOs and emergency messages
// arrive from the CAN library's delivery thread and from the motion wrapper
// library's, with the CAN library failing to remove its handlers before
// every switch-off: each record sent while the instrument is on is taken in
// once, none after switch-off, and no writer is left waiting on a lock.
#include <cstring>
#include <string>
#include <vector>

#include "can/can_test_support.h"
#include "motion/motion.h"
#include "platform/dynamic_library.h"

namespace {

using queue_pdo_func = void (*)(mwi_handle, int32_t, int32_t, const uint8_t*);
using queue_emcy_func = void (*)(mwi_handle, int32_t, int32_t, int32_t, uint8_t, const uint8_t*, uint8_t);
using wait_func = int32_t (*)(int32_t);
using refuse_func = void (*)(int32_t);

constexpr int32_t kFocusPdo = 0x1C0;  // one focus event each on system type 23
constexpr int32_t kMwiWord = 1;       // tells the motion wrapper's PDOs apart

class switch_cycles : public can_test {
  protected:
    // The simulated motion wrapper library stays loaded for the whole
    // program: its delivery thread must not outlive its code.
    static void SetUpTestSuite() {
        plat::set_library_directory((std::string(SIM_MOTION_PLUGIN_DIR) + "/complete").c_str());
        ASSERT_EQ(mc_mwi_load(), NO_ERROR);
        plat::set_library_directory(nullptr);
    }

    void SetUp() override {
        can_test::SetUp();
        sim_can_add_bridge(kTestMac, kTestIp);
        info.systemType = 23;
        queue_pdo = symbol<queue_pdo_func>("sim_mwi_queue_pdo");
        queue_emcy = symbol<queue_emcy_func>("sim_mwi_queue_emcy");
        wait_mwi = symbol<wait_func>("sim_mwi_wait_delivered");
        refuse_unregister = symbol<refuse_func>("sim_mwi_refuse_unregister");
        ASSERT_TRUE(queue_pdo && queue_emcy && wait_mwi && refuse_unregister);
        ASSERT_EQ(gl_Mwi.OpenComm_MWI("sim", &controller), 1);
    }
    void TearDown() override {
        can_test::TearDown();
        gl_Mwi.CloseComm_MWI(controller);
    }

    template <typename Func>
    static Func symbol(const char* name) {
        return reinterpret_cast<Func>(plat::library_symbol(gl_MwiLibrary, name));
    }

    // Sends number n down both paths: a focus PDO and an emergency message each.
    void send(uint32_t n) {
        uint8_t data[8] = {};
        std::memcpy(data, &n, 4);
        uint8_t block[12] = {};
        std::memcpy(block, &n, 4);
        sim_can_queue_pdo(kFocusPdo, data);
        sim_can_queue_emcy(static_cast<int32_t>(n), 0, block, 0);
        queue_pdo(controller, kFocusPdo, kMwiWord, data);
        queue_emcy(controller, static_cast<int32_t>(n), kMwiWord, 0, 0, block, 0);
    }

    bool delivered() { return sim_can_wait_delivered(20000) != 0 && wait_mwi(20000) != 0; }

    // Drains the queues; counts each number per path and kind.
    void take_in() {
        can_events_pending(&info);
        for (can_event e; can_take_event(&e);) {
            const auto* pdo = reinterpret_cast<const can_pdo_record*>(e.words);
            uint32_t n = 0;
            std::memcpy(&n, pdo->data, 4);
            count(pdo->word2 == kMwiWord ? mwi_pdos : can_pdos, n);
        }
        for (can_emergency_event e; can_take_emergency_event(&e);)
            count(e.words[1] == kMwiWord ? mwi_emcys : can_emcys, static_cast<uint32_t>(e.words[0]));
    }
    static void count(std::vector<int>& seen, uint32_t n) {
        if (seen.size() <= n) seen.resize(n + 1);
        ++seen[n];
    }
    uint64_t taken_in() const {
        uint64_t total = 0;
        for (const auto* seen : {&can_pdos, &can_emcys, &mwi_pdos, &mwi_emcys})
            for (int c : *seen) total += static_cast<uint64_t>(c);
        return total;
    }

    mwi_handle controller = 0;
    queue_pdo_func queue_pdo = nullptr;
    queue_emcy_func queue_emcy = nullptr;
    wait_func wait_mwi = nullptr;
    refuse_func refuse_unregister = nullptr;
    std::vector<int> can_pdos, can_emcys, mwi_pdos, mwi_emcys;
};

TEST_F(switch_cycles, records_arrive_once_while_on_and_never_after_switch_off) {
    constexpr int kCycles = 40;
    constexpr uint32_t kSettled = 8;  // sent and delivered while on
    constexpr uint32_t kRacing = 8;   // sent as switch-off begins
    const uint64_t dropped = can_events_dropped();
    uint32_t n = 0;
    std::vector<uint32_t> settled;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ASSERT_EQ(can_inst_on(&info), NO_ERROR) << cycle;
        ASSERT_EQ(can_mwi_register_events(controller), NO_ERROR) << cycle;
        for (uint32_t i = 0; i < kSettled; ++i) settled.push_back(n), send(n++);
        ASSERT_TRUE(delivered()) << cycle;
        take_in();
        for (uint32_t i = 0; i < kRacing; ++i) send(n++);
        // The library keeps its handlers: the removal fails. Every other
        // cycle the motion wrapper keeps its callbacks too.
        sim_can_fail_call("CAN_RegisterEvents", 1, CAN_ERR_GENERAL);
        if (cycle % 2 == 1) refuse_unregister(1);
        can_inst_off(&info);
        take_in();
        const uint64_t before = taken_in();
        // Whatever arrives now finds handlers that take nothing in.
        send(n++);
        ASSERT_TRUE(delivered()) << cycle;
        take_in();
        EXPECT_EQ(taken_in(), before) << cycle;
    }
    for (const auto* seen : {&can_pdos, &can_emcys, &mwi_pdos, &mwi_emcys})
        for (size_t i = 0; i < seen->size(); ++i) EXPECT_LE((*seen)[i], 1) << i;
    for (uint32_t s : settled) {
        ASSERT_LT(s, mwi_emcys.size());
        EXPECT_EQ(can_pdos[s] + can_emcys[s] + mwi_pdos[s] + mwi_emcys[s], 4) << s;
    }
    EXPECT_EQ(can_events_dropped(), dropped);
}

}  // namespace
