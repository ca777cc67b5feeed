// Ramp loads, starts, idle queries and stops against a board that answers
// with random and mutated frames: every call gives a link code, a failed
// load leaves the ramp in no slot, and once the board behaves again the
// same ramp loads and starts.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "scan/local_board.h"
#include "scan/scan.h"
#include "scan/scan_test_support.h"

namespace {

using scan_test::ramp_table;

class ScanHostile : public scan_test::LocalBoard, public ::testing::WithParamInterface<int32_t> {
  protected:
    void TearDown() override {
        ramp_table::remove(info);
        scan_test::LocalBoard::TearDown();
    }
};

bool is_link_code(int32_t result) {
    return result == NO_ERROR || result == ERR_UZ_RECV_FAILED || result == ERR_UZ_RECV_TIMEOUT ||
           result == ERR_RAMP_LOAD;
}

TEST_P(ScanHostile, EveryCallGivesALinkCodeAndTheBoardRecovers) {
    const int32_t type = GetParam();
    open_board(type);
    temp_file scan_file("hostile_scan.txt");
    board->board().set_scan_file(scan_file.text);
    ramp_table table;
    table.add(scan_test::swli_ramp(type, 1300, 20));  // two data frames
    table.install(info);

    // Cut-off frames end after a short gap, and a wait for a byte that never
    // comes is cut short.
    std::optional<serial_test::scaled_read_timeouts> quick(std::in_place,
                                                           serial_test::kHostileReadPermille);
    seriallink::bounds().board_first_byte_s = 1;
    ASSERT_EQ(sio_set_timeout(port(), 1), NO_ERROR);
    plat::serial_timeouts timeouts{};
    ASSERT_TRUE(plat::serial_get_timeouts(port(), &timeouts));
    const plat::serial_timeouts usual = timeouts;
    timeouts.read_interval = 10;
    ASSERT_TRUE(plat::serial_set_timeouts(port(), timeouts));
    board->record(false);

    board->inject(sim::uz_fault::hostile, 1 << 30, 20261209u + static_cast<uint32_t>(type));
    std::mt19937 choose(11);
    int succeeded = 0;
    for (int i = 0; i < 150; ++i) {
        int32_t result = NO_ERROR;
        int32_t idle = -1;
        switch (choose() % 4) {
            case 0:
                result = scan_load_ramp(info, 0);
                if (result != NO_ERROR) {
                    EXPECT_EQ(table.record(0).instrSlot, RR_NO_INSTR_SLOT);
                }
                break;
            case 1:
                result = scan_start_ramp(info, 0);
                break;
            case 2:
                result = scan_ramp_idle(info, &idle);
                if (result == NO_ERROR) {
                    EXPECT_TRUE(idle == 0 || idle == 1);
                }
                break;
            default:
                result = scan_stop_ramp(info);
                break;
        }
        ASSERT_TRUE(is_link_code(result)) << "call " << i << ": " << u_err_name(result);
        succeeded += result == NO_ERROR ? 1 : 0;
        const uint8_t slot = table.record(0).instrSlot;
        EXPECT_TRUE(slot == RR_NO_INSTR_SLOT || slot < rr_get_max_num_instr_ramps(info));
    }
    EXPECT_GT(succeeded, 0);

    board->inject(sim::uz_fault::none, 0);
    quick.reset();
    seriallink::bounds().board_first_byte_s = seriallink::wait_bounds{}.board_first_byte_s.load();
    // The usual gap between bytes again: a busy machine may stretch one
    // beyond the hostile phase's 10 ms.
    ASSERT_TRUE(plat::serial_set_timeouts(port(), usual));
    ASSERT_EQ(sio_set_timeout(port(), 1), NO_ERROR);
    // Answers to exchanges given up on may still be on their way: a busy
    // machine can hold the board's thread longer than the drain's quiet
    // time.
    ASSERT_TRUE(board->wait_settled(std::chrono::seconds(20)));
    ASSERT_EQ(ur_flushUZ(&port()), NO_ERROR);
    const size_t starts = board->board().ramp_starts();
    ASSERT_EQ(scan_load_ramp(info, 0), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(scan_start_ramp(info, 0), NO_ERROR) << serial_test::printed();
    EXPECT_EQ(board->board().ramp_starts(), starts + 1);
    EXPECT_EQ(board->board().ramp_values(table.record(0).instrSlot), 1300u);
    sim::scan_state scan;
    ASSERT_TRUE(sim::read_scan_state(scan_file.text, &scan));
    EXPECT_EQ(scan.triggers.size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(EveryBoard, ScanHostile,
                         ::testing::Values(INSTR_BD_UZ1, INSTR_BD_UZ2, INSTR_BD_NIF, INSTR_BD_FTP));

}  // namespace
