// Shared pieces of the instrument board link tests: an instrument record
// whose board line is opened on a peer (scripted or simulated board). The
// link's first-byte wait stays its 10 s, a generous bound for an answer that
// comes; a wait that is to run out is cut short by first_byte_timeout.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "device/device.h"
#include "serial_test_support.h"
#include "seriallink/wait_bounds.h"
#include "sim/uz_board/board_peer.h"
#if defined(_WIN32)
#include "sim/uz_board/remote_board_peer.h"
#endif

namespace serial_test {

#if defined(_WIN32)
using test_board = sim::remote_board_peer;
#else
using test_board = sim::board_peer;
#endif

inline sim::byte_string bytes(std::initializer_list<uint8_t> list) {
    return sim::byte_string(list);
}

// A board line on record 2 of the table, so that finding the record by its
// handle passes over records that hold no line.
class BoardLine : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!peer_available()) GTEST_SKIP() << kNoPeer;
        saved_first_byte_ = seriallink::bounds().board_first_byte_s.load();
        for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
        ASSERT_EQ(dev_init_cntrl(true), NO_ERROR);
    }
    void TearDown() override {
        if (IsSkipped()) return;
        if (port() != plat::kInvalidPort) {
            EXPECT_EQ(ur_closeUZ(&port()), NO_ERROR);
        }
        for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
        dev_init_cntrl(true);
        seriallink::bounds().board_first_byte_s = saved_first_byte_;
    }

    // Fills the record and opens its board line.
    int32_t open(const char* port_name, int32_t board_type) {
        info->initialised = 1;
        info->instrBdType = board_type;
        std::snprintf(info->board.line.portName, sizeof info->board.line.portName, "%s", port_name);
        return ur_initUZ(info);
    }

    plat::port_handle& port() { return info->board.line.portHandle; }

    sys_info* info = &gl_SysInfo[2];
    print_capture capture;

  private:
    int32_t saved_first_byte_ = 10;
};

// The board's line on the scripted peer, which records every byte.
class ScriptedBoard : public BoardLine {
  protected:
    void open_board(int32_t board_type) {
        ASSERT_TRUE(peer.is_open());
        ASSERT_EQ(open(peer.device_path(), board_type), NO_ERROR) << printed();
        printed().clear();
    }

    // Answers the next request frame with answer.
    void answer(const sim::byte_string& request, const sim::byte_string& reply) {
        peer.add_step({request, reply, std::chrono::milliseconds(0)});
    }

    test_peer peer;
};

// The board's line on the stateful simulated board.
class SimulatedBoard : public BoardLine {
  protected:
    void open_board(int32_t board_type) {
        board = std::make_unique<test_board>(board_type);
        ASSERT_TRUE(board->is_open());
        ASSERT_EQ(open(board->device_path(), board_type), NO_ERROR) << printed();
        printed().clear();
    }

    std::unique_ptr<test_board> board;
};

}  // namespace serial_test
