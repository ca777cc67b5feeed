// The board's line on a simulated board of this process, whose slots,
// set-ups and scans a test looks at directly. Windows test processes have
// no pseudo-terminals (their boards run in the serial peer server, out of
// reach): the cases are skipped there.
#pragma once

#include <memory>

#include "seriallink/board_test_support.h"

namespace scan_test {

class LocalBoard : public serial_test::BoardLine {
  protected:
    void SetUp() override {
        if (!sim::board_peer::available()) GTEST_SKIP() << "no pseudo-terminals here";
        serial_test::BoardLine::SetUp();
    }
    void open_board(int32_t board_type) {
        board = std::make_unique<sim::board_peer>(board_type);
        ASSERT_TRUE(board->is_open());
        ASSERT_EQ(open(board->device_path(), board_type), NO_ERROR) << serial_test::printed();
        serial_test::printed().clear();
    }

    std::unique_ptr<sim::board_peer> board;
};

}  // namespace scan_test
