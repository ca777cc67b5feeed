// The instrument board link against the scripted peer: the bytes on the
// line, retries, reports met while an answer is awaited, damaged answers and
// the first-byte wait.
#include <vector>

#include "board_test_support.h"

namespace serial_test {
namespace {

using clock_type = std::chrono::steady_clock;

const sim::byte_string kAck = bytes({0x02, 0xFF, 0xFF});
const sim::byte_string kNak = bytes({0x02, 0xFE, 0xFE});

sim::byte_string repeated(const sim::byte_string& frame, int times) {
    sim::byte_string all;
    for (int i = 0; i < times; ++i) all.insert(all.end(), frame.begin(), frame.end());
    return all;
}

TEST_F(ScriptedBoard, RequestsGoOutAsTheirShapesSay) {
    open_board(INSTR_BD_UZ1);
    const sim::byte_string u16 = bytes({0x04, 0x05, 0x12, 0x34, 0x4B});
    const sim::byte_string cmd = bytes({0x02, UZ1_RAMP_COMPLETE_CMD, 0x23});
    const sim::byte_string one = bytes({0x03, UZ1_RAMP_START_CMD, 0x07, 0x2E});
    const sim::byte_string two = bytes({0x05, UZ1_MOTOR_MOVE_CMD, 0xA0, 0x0B, 0x00, 0xAC});
    const sim::byte_string u32 = bytes({0x06, UZ1_EE_SERIAL_SET_CMD, 0x01, 0x02, 0x03, 0xF4, 0x04});
    for (const auto& frame : {u16, cmd, one, two, u32}) answer(frame, kAck);

    EXPECT_EQ(ur_send_u16(info, 4, UZ1_LLC_SET_CMD, 0x1234), NO_ERROR);
    EXPECT_EQ(ur_send_cmd(info, 2, UZ1_RAMP_COMPLETE_CMD), NO_ERROR);
    EXPECT_EQ(ur_send_byte(info, 3, UZ1_RAMP_START_CMD, 7), NO_ERROR);
    // The motor move's length leaves a zero between its parameters and the checksum.
    EXPECT_EQ(ur_send_2bytes(info, 5, UZ1_MOTOR_MOVE_CMD, 0xA0, 0x0B), NO_ERROR);
    EXPECT_EQ(ur_send_u32(info, 6, UZ1_EE_SERIAL_SET_CMD, 0x010203F4), NO_ERROR);

    sim::byte_string all;
    for (const auto& frame : {u16, cmd, one, two, u32})
        all.insert(all.end(), frame.begin(), frame.end());
    EXPECT_EQ(peer.received(), all);
    EXPECT_EQ(printed(), "");
}

TEST_F(ScriptedBoard, BuildersRefuseLengthsWithoutRoomAndSendNothing) {
    open_board(INSTR_BD_UZ1);
    EXPECT_EQ(ur_send_cmd(info, 1, UZ1_RAMP_COMPLETE_CMD), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_cmd(info, 128, UZ1_RAMP_COMPLETE_CMD), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_byte(info, 2, UZ1_RAMP_START_CMD, 1), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_2bytes(info, 3, UZ1_MOTOR_MOVE_CMD, 1, 2), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_u16(info, -4, UZ1_LLC_SET_CMD, 1), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_u32(info, 5, UZ1_EE_SERIAL_SET_CMD, 1), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_send_cmd(nullptr, 2, UZ1_RAMP_COMPLETE_CMD), ERR_INVALID_PARAM);
    uint8_t response[UZ_FRAME_BUFFER_SIZE];
    EXPECT_EQ(ur_query(info, 2, UZ1_EE_SERIAL_READ_CMD, nullptr, 6), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_query(info, 2, UZ1_EE_SERIAL_READ_CMD, response, 5), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_writeUZ(nullptr, 2, response, 0, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_writeUZ(&port(), 2, nullptr, 0, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_writeUZ(&port(), 1, response, 0, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_writeUZ(&port(), 128, response, 0, 0), ERR_INVALID_PARAM);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(peer.received(), sim::byte_string{});
    EXPECT_EQ(printed(), "");
}

TEST_F(ScriptedBoard, QueryLeavesTheDataResponse) {
    open_board(INSTR_BD_UZ2);
    answer(bytes({0x02, UZ2_EE_SERIAL_READ_CMD, 0x08}),
           bytes({0x06, UZ2_EE_SERIAL_READ_CMD, 0xDE, 0xAD, 0xBE, 0xEF, 0x40}));
    uint8_t response[6] = {};
    ASSERT_EQ(ur_query(info, 2, UZ2_EE_SERIAL_READ_CMD, response, sizeof response), NO_ERROR);
    EXPECT_EQ(sim::byte_string(response, response + 6),
              bytes({UZ2_EE_SERIAL_READ_CMD, 0xDE, 0xAD, 0xBE, 0xEF, 0x40}));
}

TEST_F(ScriptedBoard, NakAndChecksumErrorsResendTheSameFrame) {
    open_board(INSTR_BD_UZ1);
    const sim::byte_string frame = bytes({0x04, 0x05, 0x12, 0x34, 0x4B});
    answer(frame, kNak);
    answer(frame, bytes({0x02, 0xFF, 0xFE}));  // checksum wrong
    answer(frame, kAck);
    EXPECT_EQ(ur_send_u16(info, 4, UZ1_LLC_SET_CMD, 0x1234), NO_ERROR);
    EXPECT_EQ(peer.received(), repeated(frame, 3));
    EXPECT_EQ(printed(), "ur_readUZ: checksum err recv 254 calc 255\n");
}

TEST_F(ScriptedBoard, ThirdNakEndsTheExchange) {
    open_board(INSTR_BD_UZ1);
    const sim::byte_string frame = bytes({0x04, 0x05, 0x12, 0x34, 0x4B});
    for (int i = 0; i < 3; ++i) answer(frame, kNak);
    uint8_t request[5] = {0x04, UZ1_LLC_SET_CMD, 0x12, 0x34, 0x00};
    EXPECT_EQ(ur_writeUZ(&port(), 4, request, 0, 0), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(peer.received(), repeated(frame, 3));
    EXPECT_EQ(printed(), "ur_writeUZ failed: cmd=UZ1_LLC_SET_CMD\n");
    // The buffer is as it was sent, checksum added.
    EXPECT_EQ(sim::byte_string(request, request + 5), frame);
}

TEST_F(ScriptedBoard, ReportsAreSkippedWhileAnAnswerIsAwaited) {
    open_board(INSTR_BD_UZ2);
    const sim::byte_string frame = bytes({0x02, UZ2_RAMP_COMPLETE_CMD, UZ2_RAMP_COMPLETE_CMD});
    answer(frame, bytes({0x03, 0x9B, 0x01, 0x9C, 0x03, 0x87, 0x02, 0x89, 0x02, 0xFF, 0xFF}));
    EXPECT_EQ(ur_send_cmd(info, 2, UZ2_RAMP_COMPLETE_CMD), NO_ERROR);
    EXPECT_EQ(printed(), "");

    answer(frame, bytes({0x03, 0x9B, 0x01, 0x9C, 0x03, 0x87, 0x02, 0x89, 0x03, 0x9D, 0x00, 0x9D,
                         0x02, 0xFF, 0xFF}));
    EXPECT_EQ(ur_send_cmd(info, 2, UZ2_RAMP_COMPLETE_CMD), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(printed(),
              "ur_readUZ: received unsolicited info\n"
              "ur_writeUZ failed: cmd=UZ2_RAMP_COMPLETE_CMD\n");
    EXPECT_EQ(peer.received(), repeated(frame, 2));  // no resend
}

TEST_F(ScriptedBoard, AnotherCodeWhereAnAcknowledgementIsAwaitedFails) {
    open_board(INSTR_BD_FTP);
    const sim::byte_string frame = bytes({0x02, FTP_RESET_VEXA_CMD, FTP_RESET_VEXA_CMD});
    answer(frame, bytes({0x03, FTP_RESET_VEXA_CMD, 0x00, FTP_RESET_VEXA_CMD}));
    EXPECT_EQ(ur_send_cmd(info, 2, FTP_RESET_VEXA_CMD), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(printed(), "ur_writeUZ failed: cmd=FTP_RESET_VEXA_CMD\n");
}

TEST_F(ScriptedBoard, WrongEchoLeavesTheCallersBufferAsSent) {
    open_board(INSTR_BD_UZ1);
    uint8_t request[6] = {0x02, UZ1_EE_SERIAL_READ_CMD, 0x77, 0x77, 0x77, 0x77};
    answer(bytes({0x02, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_SERIAL_READ_CMD}),
           bytes({0x06, 12, 1, 2, 3, 4, 22}));
    EXPECT_EQ(ur_writeUZ(&port(), 2, request, 1, 0), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(sim::byte_string(request, request + 6),
              bytes({0x02, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_SERIAL_READ_CMD, 0x77, 0x77, 0x77}));
    EXPECT_EQ(printed(),
              "ur_writeUZ: recvd invalid resp  wanted 11  got 12\n"
              "ur_writeUZ failed: cmd=UZ1_EE_SERIAL_READ_CMD\n");
}

TEST_F(ScriptedBoard, OverLongDataResponseNeverPassesTheCallersBuffer) {
    open_board(INSTR_BD_UZ1);
    // Room for the table's response of six bytes, then a guard byte.
    std::vector<uint8_t> buffer = {0x02, UZ1_EE_SERIAL_READ_CMD, 0, 0, 0, 0, 0xA5};
    sim::byte_string long_answer = {0x0E, UZ1_EE_SERIAL_READ_CMD};
    for (uint8_t i = 1; i <= 12; ++i) long_answer.push_back(i);
    long_answer.push_back(static_cast<uint8_t>(UZ1_EE_SERIAL_READ_CMD + 78));
    answer(bytes({0x02, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_SERIAL_READ_CMD}), long_answer);
    EXPECT_EQ(ur_writeUZ(&port(), 2, buffer.data(), 1, 0), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(buffer, (std::vector<uint8_t>{0x02, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_SERIAL_READ_CMD, 0,
                                            0, 0, 0xA5}));
    EXPECT_EQ(printed(),
              "ur_writeUZ: recvd invalid resp  wanted 6  got 14\n"
              "ur_writeUZ failed: cmd=UZ1_EE_SERIAL_READ_CMD\n");

    // A short one is refused alike.
    answer(bytes({0x02, UZ1_EE_SERIAL_READ_CMD, UZ1_EE_SERIAL_READ_CMD}),
           bytes({0x03, UZ1_EE_SERIAL_READ_CMD, 0x01, 0x0C}));
    printed().clear();
    EXPECT_EQ(ur_writeUZ(&port(), 2, buffer.data(), 1, 0), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(buffer[6], 0xA5);
    EXPECT_EQ(printed(),
              "ur_writeUZ: recvd invalid resp  wanted 6  got 3\n"
              "ur_writeUZ failed: cmd=UZ1_EE_SERIAL_READ_CMD\n");
}

TEST_F(ScriptedBoard, FrameWithoutALengthIsEmptySuccessOrACorruptDataResponse) {
    open_board(INSTR_BD_UZ2);
    uint8_t buffer[UZ_FRAME_BUFFER_SIZE];
    for (const int length_byte : {0x00, 0x80, 0xFF}) {
        peer.send({static_cast<uint8_t>(length_byte)});
        int32_t length = -1;
        EXPECT_EQ(ur_readUZ(&port(), buffer, UZ_RESP_ACK, &length), NO_ERROR);
        EXPECT_EQ(length, 0);
    }
    // Awaiting an acknowledgement, it is one.
    const sim::byte_string complete = bytes({0x02, UZ2_RAMP_COMPLETE_CMD, UZ2_RAMP_COMPLETE_CMD});
    answer(complete, bytes({0x00}));
    EXPECT_EQ(ur_send_cmd(info, 2, UZ2_RAMP_COMPLETE_CMD), NO_ERROR);

    // Awaiting data, the frame is corrupt: the line is drained and the
    // request sent again, up to three times in all.
    const sim::byte_string query = bytes({0x02, UZ2_LLC_READ_CMD, UZ2_LLC_READ_CMD});
    answer(query, bytes({0x90, 0x03, 0x04}));
    answer(query, bytes({0x03, UZ2_LLC_READ_CMD, 0x42, 0x46}));
    uint8_t response[3] = {};
    EXPECT_EQ(ur_query(info, 2, UZ2_LLC_READ_CMD, response, 3), NO_ERROR);
    EXPECT_EQ(response[1], 0x42);
    for (int i = 0; i < 3; ++i) answer(query, bytes({0x00}));
    peer.clear_received();
    EXPECT_EQ(ur_query(info, 2, UZ2_LLC_READ_CMD, response, 3), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(peer.received(), repeated(query, 3));
    EXPECT_EQ(response[1], 0x42);
}

TEST_F(ScriptedBoard, ShortFrameBodyAndSilenceTimeOut) {
    open_board(INSTR_BD_UZ1);
    const sim::byte_string frame = bytes({0x02, UZ1_RAMP_ABORT_CMD, UZ1_RAMP_ABORT_CMD});
    answer(frame, bytes({0x04, 0xFF}));
    EXPECT_EQ(ur_send_cmd(info, 2, UZ1_RAMP_ABORT_CMD), ERR_UZ_RECV_TIMEOUT);
    EXPECT_EQ(printed(),
              "ur_readUZ: sio_read_data failed\n"
              "ur_writeUZ failed: cmd=UZ1_RAMP_ABORT_CMD\n");

    printed().clear();
    const first_byte_timeout silent;
    const auto start = clock_type::now();
    EXPECT_EQ(ur_send_cmd(info, 2, UZ1_RAMP_ABORT_CMD), ERR_UZ_RECV_TIMEOUT);
    // The link's wait, a tenth of it here.
    EXPECT_GE(clock_type::now() - start,
              std::chrono::milliseconds(seriallink::bounds().board_first_byte_s * 100 - 10));
    EXPECT_EQ(printed(),
              "ur_readUZ: timed out on first byte, respType=1\n"
              "ur_writeUZ failed: cmd=UZ1_RAMP_ABORT_CMD\n");
}

TEST_F(ScriptedBoard, FirstByteWaitIsTheLinksAndThePortsTimeoutComesBack) {
    open_board(INSTR_BD_UZ1);
    seriallink::bounds().board_first_byte_s = 3;
    ASSERT_EQ(sio_set_timeout(port(), 1), NO_ERROR);
    // Later than the port's own time-out allows, sooner than the link's wait.
    const sim::byte_string frame = bytes({0x02, UZ1_RAMP_ABORT_CMD, UZ1_RAMP_ABORT_CMD});
    peer.add_step({frame, kAck, std::chrono::milliseconds(1500)});
    EXPECT_EQ(ur_send_cmd(info, 2, UZ1_RAMP_ABORT_CMD), NO_ERROR);
    int32_t seconds = 0;
    EXPECT_EQ(sio_get_timeout(port(), &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 1);

    // And after a wait that ran out.
    ASSERT_EQ(sio_set_timeout(port(), 7), NO_ERROR);
    seriallink::bounds().board_first_byte_s = 1;
    EXPECT_EQ(ur_send_cmd(info, 2, UZ1_RAMP_ABORT_CMD), ERR_UZ_RECV_TIMEOUT);
    EXPECT_EQ(sio_get_timeout(port(), &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 7);
}

TEST_F(ScriptedBoard, ReportReadsTakeReportsAndSkipTheRest) {
    open_board(INSTR_BD_UZ2);
    uint8_t buffer[UZ_FRAME_BUFFER_SIZE];
    int32_t length = 0;
    // 0x81 and 0x8B are reports only to a reader that waits for one.
    peer.send(bytes({0x02, 0xFF, 0xFF, 0x03, 0x81, 0x66, 0xE7}));
    EXPECT_EQ(ur_readUZ(&port(), buffer, UZ_RESP_INFO, &length), NO_ERROR);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer[0], 0x81);

    peer.send(bytes({0x02, 0xFF, 0xFF, 0x02, 0xFE, 0xFE, 0x03, 0x04, 0x01, 0x05}));
    EXPECT_EQ(ur_readUZ(&port(), buffer, UZ_RESP_INFO, &length), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(printed(), "");

    peer.send(bytes({0x03, 0x87, 0x08, 0x8F}));
    int32_t event = -1;
    int32_t value = -1;
    EXPECT_EQ(ur_read_report(&port(), &event, &value), NO_ERROR);
    EXPECT_EQ(event, 0);
    EXPECT_EQ(value, 8);
    // A damaged report is a failure, never the link's checksum status.
    peer.send(bytes({0x03, 0x87, 0x08, 0x8E}));
    EXPECT_EQ(ur_read_report(&port(), &event, &value), ERR_UZ_RECV_FAILED);

    // Any other response type takes the frame as it is.
    peer.send(bytes({0x03, 0x04, 0x01, 0x05}));
    EXPECT_EQ(ur_readUZ(&port(), buffer, 9, &length), NO_ERROR);
    EXPECT_EQ(length, 0);
}

TEST_F(ScriptedBoard, UZ1ReportsAreItsOwnTwo) {
    open_board(INSTR_BD_UZ1);
    uint8_t buffer[UZ_FRAME_BUFFER_SIZE];
    int32_t length = 0;
    peer.send(bytes({0x03, 0x81, 0x66, 0xE7, 0x03, 0x9C, 0x05, 0xA1}));
    int32_t event = -1;
    int32_t value = -1;
    EXPECT_EQ(ur_read_report(&port(), &event, &value), NO_ERROR);
    EXPECT_EQ(event, 1);
    EXPECT_EQ(value, 4);
    // Awaiting an acknowledgement, 0x87 is just another code.
    peer.send(bytes({0x03, 0x87, 0x02, 0x89}));
    EXPECT_EQ(ur_readUZ(&port(), buffer, UZ_RESP_ACK, &length), ERR_UZ_RECV_FAILED);
}

TEST_F(ScriptedBoard, RampDataFrameCarriesItsValuesAfterItsHeader) {
    open_board(INSTR_BD_UZ2);
    const uint16_t values[] = {0x0102, 0xFFFF};
    const sim::byte_string frame =
        bytes({0x04, UZ2_RAMP_DATA_CMD, 0x00, 0x02, 0x2F, 0x01, 0x02, 0xFF, 0xFF, 0x01});
    answer(frame, bytes({0x03, UZ2_RAMP_DATA_CMD, 0x00, UZ2_RAMP_DATA_CMD}));
    uint8_t board_answer = 0xEE;
    EXPECT_EQ(ur_send_ramp_data(info, values, 2, &board_answer), NO_ERROR);
    EXPECT_EQ(board_answer, 0);
    EXPECT_EQ(peer.received(), frame);

    std::vector<uint16_t> too_many(UZ_RAMP_DATA_MAX_VALUES + 1, 1);
    EXPECT_EQ(ur_send_ramp_data(info, too_many.data(), static_cast<int32_t>(too_many.size()),
                                &board_answer),
              ERR_INVALID_PARAM);
    uint8_t small[9];
    int32_t frame_length = -1;
    EXPECT_EQ(ur_ramp_data_frame(INSTR_BD_UZ2, values, 2, small, sizeof small, &frame_length),
              ERR_INVALID_PARAM);
    EXPECT_EQ(frame_length, 0);
    uint8_t exact[10];
    EXPECT_EQ(ur_ramp_data_frame(INSTR_BD_FTP, values, 2, exact, sizeof exact, &frame_length),
              NO_ERROR);
    EXPECT_EQ(frame_length, 10);
    EXPECT_EQ(exact[1], FTP_RAMP_DATA_CMD);
    EXPECT_EQ(
        ur_ramp_data_frame(INSTR_BD_NOT_SERIAL, values, 2, exact, sizeof exact, &frame_length),
        ERR_INVALID_PARAM);
}

TEST_F(ScriptedBoard, FlushDrainsTheLine) {
    open_board(INSTR_BD_NIF);
    peer.send(bytes({0x03, 0x87, 0x02, 0x89, 0x55}));
    ASSERT_TRUE(bytes_arrive(port(), 5));
    EXPECT_EQ(ur_flushUZ(&port()), NO_ERROR);
    int32_t waiting = -1;
    EXPECT_EQ(sio_bytes_waiting(port(), &waiting), 0);
    EXPECT_EQ(waiting, 0);
    EXPECT_EQ(ur_flushUZ(nullptr), ERR_INVALID_PARAM);
    plat::port_handle closed = plat::kInvalidPort;
    EXPECT_EQ(ur_flushUZ(&closed), ERR_UZ_COMM);
    EXPECT_EQ(printed(), "sio_clear_buffer failed.");
}

}  // namespace
}  // namespace serial_test
