// The instrument board link against the stateful simulated board: settings
// kept and read back, ramp slots, every injected fault, and a board that
// answers with random and mutated frames.
#include <optional>
#include <random>
#include <vector>

#include "board_test_support.h"

namespace serial_test {
namespace {

// The commands one board type uses here, taken from its own table.
struct board_commands {
    int32_t type;
    uint8_t serial_set, serial_read, camera_set, camera_read, board_read, version;
    uint8_t ramp_request, ramp_load, ramp_delete;
    int slots;
};

const board_commands kBoards[] = {
    {INSTR_BD_UZ1, UZ1_EE_SERIAL_SET_CMD, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_CAMERA_SET_CMD,
     UZ1_EE_CAMERA_READ_CMD, UZ1_EE_INSTRBD_READ_CMD, UZ1_SW_VERSION_CMD, UZ1_RAMP_REQUEST_CMD,
     UZ1_RAMP_LOAD_CMD, UZ1_RAMP_DELETE_CMD, 12},
    {INSTR_BD_UZ2, UZ2_EE_SERIAL_SET_CMD, UZ2_EE_SERIAL_READ_CMD, UZ2_EE_CAMERA_SET_CMD,
     UZ2_EE_CAMERA_READ_CMD, UZ2_EE_INSTRBD_READ_CMD, UZ2_SW_VERSION_CMD, UZ2_RAMP_REQUEST_CMD,
     UZ2_RAMP_LOAD_CMD, UZ2_RAMP_DELETE_CMD, 4},
    {INSTR_BD_NIF, NIF_EE_SERIAL_SET_CMD, NIF_EE_SERIAL_READ_CMD, NIF_EE_CAMERA_SET_CMD,
     NIF_EE_CAMERA_READ_CMD, NIF_EE_INSTRBD_READ_CMD, NIF_SW_VERSION_CMD, NIF_RAMP_REQUEST_CMD,
     NIF_RAMP_LOAD_CMD, NIF_RAMP_DELETE_CMD, 4},
    {INSTR_BD_FTP, FTP_EE_SERIAL_SET_CMD, FTP_EE_SERIAL_READ_CMD, FTP_EE_CAMERA_SET_CMD,
     FTP_EE_CAMERA_READ_CMD, FTP_EE_INSTRBD_READ_CMD, FTP_SW_VERSION_CMD, FTP_RAMP_REQUEST_CMD,
     FTP_RAMP_LOAD_CMD, FTP_RAMP_DELETE_CMD, 12},
};

class SimulatedBoardTest : public SimulatedBoard {
  protected:
    uint8_t request_length(uint8_t code) const {
        int32_t count = 0;
        return ur_cmd_table(info->instrBdType, &count)[code].request;
    }

    // A query's data bytes; empty when it failed.
    sim::byte_string query(uint8_t code) {
        uint8_t response[UZ_FRAME_BUFFER_SIZE] = {};
        if (ur_query(info, request_length(code), code, response, sizeof response) != NO_ERROR) {
            return {};
        }
        int32_t count = 0;
        const uint8_t length = ur_cmd_table(info->instrBdType, &count)[code].response;
        return sim::byte_string(response + 1, response + length - 1);
    }

    // Ramp load: slot, ramp ID, then the ramp's set-up (zeros here).
    int32_t ramp_load(uint8_t code, uint8_t slot, uint8_t id) {
        uint8_t frame[UZ_FRAME_BUFFER_SIZE] = {};
        frame[0] = request_length(code);
        frame[1] = code;
        frame[2] = slot;
        frame[3] = id;
        return ur_writeUZ(&port(), frame[0], frame, 0, 0);
    }
};

TEST_F(SimulatedBoardTest, EveryBoardKeepsItsSettingsAndSlots) {
    for (const board_commands& b : kBoards) {
        SCOPED_TRACE(b.type);
        if (board) {
            ASSERT_EQ(ur_closeUZ(&port()), NO_ERROR);
            board.reset();
        }
        open_board(b.type);
        board->set_software_version(0x35);

        EXPECT_EQ(query(b.board_read), bytes({static_cast<uint8_t>(b.type)}));
        EXPECT_EQ(query(b.version), bytes({0x35}));
        EXPECT_EQ(query(b.serial_read), bytes({0, 0, 0, 0}));
        EXPECT_EQ(ur_send_u32(info, request_length(b.serial_set), b.serial_set, 0x00BC614E),
                  NO_ERROR);
        EXPECT_EQ(ur_send_byte(info, request_length(b.camera_set), b.camera_set, 9), NO_ERROR);
        EXPECT_EQ(query(b.serial_read), bytes({0x00, 0xBC, 0x61, 0x4E}));
        EXPECT_EQ(query(b.camera_read), bytes({9}));

        const sim::byte_string empty(static_cast<size_t>(b.slots), 255);
        EXPECT_EQ(query(b.ramp_request), empty);
        const uint8_t last = static_cast<uint8_t>(b.slots - 1);
        EXPECT_EQ(ramp_load(b.ramp_load, last, 42), NO_ERROR);
        const std::vector<uint16_t> values = {1, 2, 0x8000, 0xFFFF};
        uint8_t answer = 0xEE;
        EXPECT_EQ(ur_send_ramp_data(info, values.data(), 4, &answer), NO_ERROR);
        EXPECT_EQ(answer, 0);
        sim::byte_string held = empty;
        held[last] = 42;
        EXPECT_EQ(query(b.ramp_request), held);
        EXPECT_EQ(ur_send_byte(info, 3, b.ramp_delete, last), NO_ERROR);
        EXPECT_EQ(query(b.ramp_request), empty);
        // A slot the board does not have is refused, three times over.
        EXPECT_EQ(ramp_load(b.ramp_load, static_cast<uint8_t>(b.slots), 1), ERR_UZ_RECV_FAILED);
    }
}

TEST_F(SimulatedBoardTest, NaksAndBadChecksumsAreRetriedTwice) {
    open_board(INSTR_BD_UZ2);
    board->inject(sim::uz_fault::nak, 2);
    EXPECT_EQ(ur_send_byte(info, 3, UZ2_EE_CAMERA_SET_CMD, 5), NO_ERROR);
    board->inject(sim::uz_fault::bad_checksum, 2);
    EXPECT_EQ(query(UZ2_EE_CAMERA_READ_CMD), bytes({5}));
    printed().clear();
    board->inject(sim::uz_fault::nak, 3);
    EXPECT_EQ(ur_send_byte(info, 3, UZ2_EE_CAMERA_SET_CMD, 6), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(printed(), "ur_writeUZ failed: cmd=UZ2_EE_CAMERA_SET_CMD\n");
    board->inject(sim::uz_fault::bad_checksum, 3);
    EXPECT_EQ(query(UZ2_EE_CAMERA_READ_CMD), sim::byte_string{});
}

TEST_F(SimulatedBoardTest, DamagedAnswersFailWithoutTouchingTheCallersBuffer) {
    open_board(INSTR_BD_FTP);
    EXPECT_EQ(ur_send_u32(info, 6, FTP_EE_SERIAL_SET_CMD, 0x01020304), NO_ERROR);
    const uint8_t request[] = {0x02, FTP_EE_SERIAL_READ_CMD, FTP_EE_SERIAL_READ_CMD, 0, 0, 0};
    const struct {
        sim::uz_fault fault;
        int32_t result;
    } cases[] = {{sim::uz_fault::wrong_echo, ERR_UZ_RECV_FAILED},
                 {sim::uz_fault::over_long, ERR_UZ_RECV_FAILED},
                 {sim::uz_fault::truncated, ERR_UZ_RECV_TIMEOUT},
                 {sim::uz_fault::silence, ERR_UZ_RECV_TIMEOUT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(sim::uz_fault_name(c.fault));
        board->inject(c.fault, 1);
        // The table's six bytes, then a guard.
        std::vector<uint8_t> buffer(request, request + 6);
        buffer.push_back(0xA5);
        std::optional<first_byte_timeout> silent;
        if (c.fault == sim::uz_fault::silence) silent.emplace();
        EXPECT_EQ(ur_writeUZ(&port(), 2, buffer.data(), 1, 0), c.result);
        EXPECT_EQ(buffer, (std::vector<uint8_t>{0x02, FTP_EE_SERIAL_READ_CMD,
                                                FTP_EE_SERIAL_READ_CMD, 0, 0, 0, 0xA5}));
    }
    // A setting answered with its own code instead of an acknowledgement.
    board->inject(sim::uz_fault::wrong_echo, 1);
    EXPECT_EQ(ur_send_byte(info, 3, FTP_EE_CAMERA_SET_CMD, 1), ERR_UZ_RECV_FAILED);
    // The line is in order again afterwards.
    EXPECT_EQ(query(FTP_EE_SERIAL_READ_CMD), bytes({1, 2, 3, 4}));
}

TEST_F(SimulatedBoardTest, ReportInTheMiddleOfAnExchangeIsSkipped) {
    for (const int32_t type : {INSTR_BD_UZ1, INSTR_BD_NIF}) {
        if (board) {
            ASSERT_EQ(ur_closeUZ(&port()), NO_ERROR);
            board.reset();
        }
        open_board(type);
        const uint8_t version = type == INSTR_BD_UZ1 ? UZ1_SW_VERSION_CMD : NIF_SW_VERSION_CMD;
        board->inject(sim::uz_fault::report_first, 2);
        EXPECT_EQ(query(version), bytes({0x21}));
        EXPECT_EQ(ur_send_byte(info, 3,
                               type == INSTR_BD_UZ1 ? UZ1_RAMP_START_CMD : NIF_RAMP_START_CMD, 0),
                  NO_ERROR);
        EXPECT_EQ(printed(), "");
    }
}

TEST_F(SimulatedBoardTest, ReportsOnRequestReachTheDeviceManager) {
    open_board(INSTR_BD_UZ2);
    board->send_report(0x81, 108);
    dev_info device{};
    ASSERT_EQ(dev_data_read(DEV_ALL_TYPES, &device, 1), DEV_INSTR_BOARD);
    EXPECT_EQ(device.context, info);
    int32_t event = -1;
    int32_t value = -1;
    EXPECT_EQ(ur_read_report(&port(), &event, &value), NO_ERROR);
    EXPECT_EQ(event, 10);
    EXPECT_EQ(value, 108);
}

// Random and mutated answers: every call returns one of the link's codes,
// nothing is written outside the buffers (the sanitizer build checks), and
// once the board behaves again and the line is drained, every exchange works.
TEST_F(SimulatedBoardTest, HostileBoardNeverBreaksTheLink) {
    open_board(INSTR_BD_UZ2);
    // Cut-off frames end after a short gap rather than the line's 100 ms,
    // and every wait for a byte that never comes is cut short.
    std::optional<scaled_read_timeouts> quick(std::in_place, kHostileReadPermille);
    seriallink::bounds().board_first_byte_s = 1;
    ASSERT_EQ(sio_set_timeout(port(), 1), NO_ERROR);
    plat::serial_timeouts timeouts{};
    ASSERT_TRUE(plat::serial_get_timeouts(port(), &timeouts));
    timeouts.read_interval = 10;
    ASSERT_TRUE(plat::serial_set_timeouts(port(), timeouts));
    board->record(false);

    constexpr int kExchanges = 2000;
    board->inject(sim::uz_fault::hostile, 1 << 30, 20240611);
    std::mt19937 choose(7);
    int succeeded = 0;
    for (int i = 0; i < kExchanges; ++i) {
        int32_t result = NO_ERROR;
        switch (choose() % 3) {
            case 0: {
                std::vector<uint8_t> buffer = {0x02, UZ2_EE_SERIAL_READ_CMD, 0, 0, 0, 0, 0xA5};
                result = ur_writeUZ(&port(), 2, buffer.data(), 1, 0);
                EXPECT_EQ(buffer[6], 0xA5);
                if (result == NO_ERROR) {
                    EXPECT_EQ(buffer[0], UZ2_EE_SERIAL_READ_CMD);
                }
                break;
            }
            case 1:
                result = ur_send_u16(info, 4, UZ2_LLC_MODE_SET_CMD, static_cast<uint16_t>(i));
                break;
            default: {
                uint8_t answer = 0;
                const uint16_t values[3] = {1, 2, 3};
                result = ur_send_ramp_data(info, values, 3, &answer);
                break;
            }
        }
        ASSERT_TRUE(result == NO_ERROR || result == ERR_UZ_RECV_FAILED ||
                    result == ERR_UZ_RECV_TIMEOUT)
            << "exchange " << i << ": " << u_err_name(result);
        succeeded += result == NO_ERROR ? 1 : 0;
    }
    EXPECT_GT(succeeded, 0);

    board->inject(sim::uz_fault::none, 0);
    quick.reset();
    seriallink::bounds().board_first_byte_s = seriallink::wait_bounds{}.board_first_byte_s.load();
    ASSERT_EQ(sio_set_timeout(port(), 1), NO_ERROR);
    ASSERT_EQ(ur_flushUZ(&port()), NO_ERROR);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(ur_send_byte(info, 3, UZ2_EE_CAMERA_SET_CMD, static_cast<uint8_t>(i)), NO_ERROR);
        ASSERT_EQ(query(UZ2_EE_CAMERA_READ_CMD), bytes({static_cast<uint8_t>(i)}));
    }
}

}  // namespace
}  // namespace serial_test
