// The instrument board link's set-up and bookkeeping: opening and closing
// the line with the device manager, command names and tables, and reports.
#include <string>

#include "board_test_support.h"

namespace serial_test {
namespace {

#if defined(_WIN32)
constexpr const char* kMissingPort = "COM250";
#else
constexpr const char* kMissingPort = "/nonexistent/board-line";
#endif

// A record that claims a handle without any line behind it.
sys_info* record_with_handle(int index, int32_t board_type, plat::port_handle handle) {
    sys_info* record = &gl_SysInfo[index];
    sys_info_clear(record);
    record->instrBdType = board_type;
    record->board.line.portHandle = handle;
    return record;
}

TEST(BoardCommandTables, EveryBoardHasItsCodesAndLengths) {
    struct expected {
        int32_t board;
        int32_t count;
        uint8_t code;
        const char* name;
        uint8_t request;
        uint8_t response;
    };
    const expected rows[] = {
        {INSTR_BD_UZ1, 59, 46, "UZ1_PC_READ_CMD", 2, 27},
        {INSTR_BD_UZ1, 59, 55, "UZ1_ZOOM_POSITION_CMD", 0, 3},
        {INSTR_BD_UZ2, 63, 33, "UZ2_BRICOL_POS_CMD", 2, 8},
        {INSTR_BD_UZ2, 63, 62, "UZ2_RS_MOVING_CMD", 2, 3},
        {INSTR_BD_NIF, 43, 1, "NIF_PZT_SET_CMD", 4, 0},
        {INSTR_BD_NIF, 43, 42, "NIF_SHUTTER_OUTPUT_CMD", 3, 0},
        {INSTR_BD_FTP, 42, 7, "FTP_RAMP_REQUEST_CMD", 2, 14},
        {INSTR_BD_FTP, 42, 41, "FTP_CUSTOM_CAMERA_CMD", 10, 0},
    };
    for (const expected& row : rows) {
        int32_t count = 0;
        const ur_cmd_lengths* table = ur_cmd_table(row.board, &count);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(table[row.code].request, row.request) << row.name;
        EXPECT_EQ(table[row.code].response, row.response) << row.name;
        EXPECT_STREQ(ur_board_cmd_name(row.board, row.code), row.name);
        EXPECT_EQ(table[0].request, 0);
    }
    int32_t count = -1;
    EXPECT_EQ(ur_cmd_table(INSTR_BD_CAN, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ur_cmd_names(INSTR_BD_NOT_SERIAL, &count), nullptr);
    EXPECT_EQ(ur_ramp_data_cmd(INSTR_BD_UZ1), 34);
    EXPECT_EQ(ur_ramp_data_cmd(INSTR_BD_NIF), 34);
    EXPECT_EQ(ur_ramp_data_cmd(INSTR_BD_UZ2), 45);
    EXPECT_EQ(ur_ramp_data_cmd(INSTR_BD_FTP), 30);
}

TEST(BoardCommandTables, OnlyTheFourBoardsSpeakTheProtocol) {
    EXPECT_FALSE(ur_is_uz_board(nullptr));
    sys_info record{};
    for (int32_t type = -1; type <= 9; ++type) {
        record.instrBdType = type;
        const bool speaks = type == 1 || type == 3 || type == 6 || type == 7;
        EXPECT_EQ(ur_is_uz_board(&record), speaks) << type;
    }
    EXPECT_EQ(ur_checksum(bytes({0x05, 0x12, 0x34}).data(), 3), 0x4B);
    EXPECT_EQ(ur_checksum(bytes({0xFF, 0xFF}).data(), 2), 0xFE);
    EXPECT_EQ(ur_checksum(nullptr, 4), 0);
}

TEST(BoardCommandNames, NamesComeFromTheBoardOfTheRecordHoldingTheHandle) {
    print_capture capture;
    for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
    record_with_handle(0, INSTR_BD_UZ1, 501);
    record_with_handle(1, INSTR_BD_NIF, 502);
    record_with_handle(2, INSTR_BD_NOT_SERIAL, 503);
    record_with_handle(3, INSTR_BD_UZ2, 501);  // the first record holding a handle wins

    EXPECT_STREQ(ur_cmd_str(501, UZ1_LLC_SET_CMD), "UZ1_LLC_SET_CMD");
    EXPECT_STREQ(ur_cmd_str(501, 200), "UZ1_INVALID_CMD");
    EXPECT_STREQ(ur_cmd_str(501, 59), "UZ1_INVALID_CMD");
    EXPECT_STREQ(ur_cmd_str(502, 42), "NIF_SHUTTER_OUTPUT_CMD");
    EXPECT_STREQ(ur_cmd_str(502, 0), "NIF_INVALID_CMD");
    EXPECT_STREQ(ur_cmd_str(502, 43), "NIF_INVALID_CMD");
    EXPECT_STREQ(ur_cmd_str(999, 1), "INVALID_PARAM");
    // Unused records hold the invalid handle; it still belongs to none.
    EXPECT_STREQ(ur_cmd_str(plat::kInvalidPort, 1), "INVALID_PARAM");
    EXPECT_EQ(printed(), "");
    EXPECT_STREQ(ur_cmd_str(503, 1), "");
    EXPECT_EQ(printed(), "ur_cmd_str: unknown instrBdType\n");

    uint8_t buffer[UZ_FRAME_BUFFER_SIZE];
    int32_t length = 7;
    EXPECT_EQ(ur_readUZ(nullptr, buffer, UZ_RESP_ACK, &length), ERR_INVALID_PARAM);
    EXPECT_EQ(length, 0);
    plat::port_handle handle = 999;
    EXPECT_EQ(ur_readUZ(&handle, buffer, UZ_RESP_ACK, &length), ERR_SYS_INFO_NOT_AVAIL);
    EXPECT_EQ(length, 0);
    handle = 503;
    EXPECT_EQ(ur_readUZ(&handle, buffer, UZ_RESP_ACK, &length), ERR_WRONG_INSTR_BOARD);
    EXPECT_EQ(ur_readUZ(&handle, nullptr, UZ_RESP_ACK, &length), ERR_INVALID_PARAM);
    EXPECT_EQ(ur_readUZ(&handle, buffer, UZ_RESP_ACK, nullptr), ERR_INVALID_PARAM);
    for (sys_info& record : gl_SysInfo) sys_info_clear(&record);
}

TEST(BoardReports, DecodedByBoardCodeAndValue) {
    struct report {
        int32_t board;
        uint8_t code;
        uint8_t value;
        int32_t result;
        int32_t event;
        int32_t decoded;
    };
    const report reports[] = {
        {INSTR_BD_UZ1, 0x9B, 0x05, NO_ERROR, 0, 4},
        {INSTR_BD_UZ1, 0x9C, 0x00, NO_ERROR, 1, -1},
        {INSTR_BD_UZ1, 0x87, 0x02, ERR_UZ_RECV_FAILED, 0, 0},
        {INSTR_BD_UZ2, 0x87, 12, NO_ERROR, 0, 12},
        {INSTR_BD_UZ2, 0x87, 3, ERR_UZ_RECV_FAILED, 0, 0},
        {INSTR_BD_NIF, 0x9B, 1, NO_ERROR, 1, 1},
        {INSTR_BD_NIF, 0x9B, 2, ERR_UZ_RECV_FAILED, 0, 0},
        {INSTR_BD_FTP, 0x9D, 0, NO_ERROR, 2, 0},
        {INSTR_BD_FTP, 0x81, 109, NO_ERROR, 10, 109},
        {INSTR_BD_FTP, 0x81, 110, ERR_UZ_RECV_FAILED, 0, 0},
        {INSTR_BD_UZ2, 0x8B, 1, NO_ERROR, 11, 1},
        {INSTR_BD_UZ2, 0x9C, 1, ERR_UZ_RECV_FAILED, 0, 0},
        {INSTR_BD_CAN, 0x87, 2, ERR_UZ_RECV_FAILED, 0, 0},
    };
    for (const report& r : reports) {
        const uint8_t frame[3] = {r.code, r.value, static_cast<uint8_t>(r.code + r.value)};
        int32_t event = -7;
        int32_t value = -7;
        EXPECT_EQ(ur_decode_report(r.board, frame, 3, &event, &value), r.result)
            << r.board << " " << int(r.code) << " " << int(r.value);
        if (r.result == NO_ERROR) {
            EXPECT_EQ(event, r.event);
            EXPECT_EQ(value, r.decoded);
        } else {
            EXPECT_EQ(event, -7);  // nothing is given for a report that is not one
        }
    }
    const uint8_t frame[3] = {0x87, 2, 0x89};
    int32_t event = 0;
    int32_t value = 0;
    EXPECT_EQ(ur_decode_report(INSTR_BD_UZ2, frame, 1, &event, &value), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(ur_decode_report(INSTR_BD_UZ2, frame, 0, &event, &value), ERR_UZ_RECV_FAILED);
    EXPECT_EQ(ur_decode_report(INSTR_BD_UZ2, nullptr, 3, &event, &value), ERR_INVALID_PARAM);
}

TEST_F(BoardLine, InitWithoutARecordOrWithAnotherBoardOpensNothing) {
    EXPECT_EQ(ur_initUZ(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(printed(), "");

    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    EXPECT_EQ(open(peer.device_path(), INSTR_BD_CAN), ERR_UZ_COMM);
    EXPECT_EQ(printed(), "ur_initUZ: error initializing " + std::string(peer.device_path()) +
                             ": ERR_WRONG_INSTR_BOARD\n");
    EXPECT_EQ(port(), plat::kInvalidPort);
    EXPECT_EQ(dev_cntrl().device_count, 0);
}

TEST_F(BoardLine, InitOnAMissingPortReportsItWithoutClosing) {
    EXPECT_EQ(open(kMissingPort, INSTR_BD_UZ1), ERR_UZ_COMM);
    EXPECT_EQ(printed(), "ur_initUZ: error initializing " + std::string(kMissingPort) +
                             ": ERR_CANT_OPEN_SERIAL\n");
    EXPECT_EQ(port(), plat::kInvalidPort);
    EXPECT_EQ(dev_cntrl().device_count, 0);
}

TEST_F(BoardLine, InitThatCannotRegisterClosesTheLine) {
    for (int i = 0; i < DEV_MAX_DEVICES; ++i) {
        ASSERT_EQ(dev_add_device(DEV_SERIAL_16, 7000 + i, nullptr), NO_ERROR);
    }
    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    EXPECT_EQ(open(peer.device_path(), INSTR_BD_UZ2), ERR_UZ_COMM);
    EXPECT_EQ(printed(),
              "gl_DevInfo table is full"
              "dev_add_device failed: err=ERR_DEV_CNTRL\n"
              "ur_initUZ: error initializing " +
                  std::string(peer.device_path()) + ": ERR_DEV_CNTRL\n");
    EXPECT_EQ(port(), plat::kInvalidPort);
}

TEST_F(BoardLine, ReinitClosesTheOpenLineFirst) {
    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    ASSERT_EQ(open(peer.device_path(), INSTR_BD_UZ1), NO_ERROR);
    const plat::port_handle first = port();
    ASSERT_EQ(ur_initUZ(info), NO_ERROR);
    EXPECT_NE(port(), plat::kInvalidPort);
    EXPECT_EQ(dev_cntrl().device_count, 1);
    EXPECT_TRUE(dev_device_exists(port()));
    if (port() != first) {
        EXPECT_FALSE(dev_device_exists(first));
    }
    EXPECT_EQ(printed(), "");

    // A line opened but never registered is closed all the same.
    ASSERT_EQ(dev_remove_device(port()), NO_ERROR);
    ASSERT_EQ(ur_initUZ(info), NO_ERROR);
    EXPECT_EQ(dev_cntrl().device_count, 1);
}

TEST_F(BoardLine, CloseUnregistersThenCloses) {
    EXPECT_EQ(ur_closeUZ(nullptr), ERR_INVALID_PARAM);
    plat::port_handle none = plat::kInvalidPort;
    EXPECT_EQ(ur_closeUZ(&none), ERR_INVALID_PARAM);

    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    ASSERT_EQ(open(peer.device_path(), INSTR_BD_FTP), NO_ERROR);
    ASSERT_EQ(dev_remove_device(port()), NO_ERROR);
    // Not registered: the device manager's code, and the line stays open.
    const plat::port_handle open_line = port();
    EXPECT_EQ(ur_closeUZ(&port()), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(port(), open_line);
    ASSERT_EQ(dev_add_device(DEV_INSTR_BOARD, port(), info), NO_ERROR);
    EXPECT_EQ(ur_closeUZ(&port()), NO_ERROR);
    EXPECT_EQ(port(), plat::kInvalidPort);
    EXPECT_EQ(dev_cntrl().device_count, 0);
}

TEST_F(ScriptedBoard, AReportWhileIdleMakesTheDeviceManagerNameTheBoard) {
    open_board(INSTR_BD_UZ2);
    EXPECT_TRUE(dev_device_exists(port()));
    // The line is set up for the board.
    const sio_control control = [&] {
        sio_control c{};
        EXPECT_EQ(sio_get_state(port(), &c), NO_ERROR);
        return c;
    }();
    EXPECT_EQ(control.baud_rate, 38400u);
    EXPECT_FALSE(control.out_x);
    EXPECT_FALSE(control.in_x);

    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_INSTR_BOARD, &device, 0), DEV_NO_DATA);
    peer.send(bytes({0x03, 0x9D, 0x01, 0x9E}));
    EXPECT_EQ(dev_data_read(DEV_INSTR_BOARD, &device, 1), DEV_INSTR_BOARD);
    EXPECT_EQ(device.type, DEV_INSTR_BOARD);
    EXPECT_EQ(device.handle, port());
    EXPECT_EQ(device.context, info);

    auto* owner = static_cast<sys_info*>(device.context);
    int32_t event = -1;
    int32_t value = -1;
    EXPECT_EQ(ur_read_report(&owner->board.line.portHandle, &event, &value), NO_ERROR);
    EXPECT_EQ(event, 2);
    EXPECT_EQ(value, 1);

    const plat::port_handle line = port();
    EXPECT_EQ(ur_closeUZ(&port()), NO_ERROR);
    EXPECT_FALSE(dev_device_exists(line));
    EXPECT_EQ(port(), plat::kInvalidPort);
}

}  // namespace
}  // namespace serial_test
