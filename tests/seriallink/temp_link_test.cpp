// The temperature sensor link on a scripted peer: both message forms byte
// for byte, every kind of answer with its message, the NAK recovery and the
// line it leaves, and the texts that are refused before anything is sent.
#include <cstdio>
#include <string>

#include "device_test_support.h"

namespace serial_test {
namespace {

// A poll for the mnemonic, as the link sends it.
sim::byte_string poll(const char* mnemonic) {
    sim::byte_string bytes{TEMP_EOT, '0', '0', '1', '1'};
    for (const char* c = mnemonic; *c != '\0'; ++c) bytes.push_back(static_cast<uint8_t>(*c));
    bytes.push_back(TEMP_ENQ);
    return bytes;
}

// A data block: STX, text, ETX and the given check (the right one when -1).
sim::byte_string block(const std::string& text, int check = -1) {
    sim::byte_string bytes{TEMP_STX};
    uint8_t bcc = TEMP_ETX;
    for (const char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bcc ^= static_cast<uint8_t>(c);
    }
    bytes.push_back(TEMP_ETX);
    bytes.push_back(check < 0 ? bcc : static_cast<uint8_t>(check));
    return bytes;
}

// A select (write) message for the text, as the link sends it.
sim::byte_string selection(const std::string& text) {
    sim::byte_string bytes{TEMP_EOT, '0', '0', '1', '1'};
    const sim::byte_string data = block(text);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// The peer answers only once the whole message it answers has come, so that
// what it received is complete when the link has read the answer, however
// slowly the line carries the bytes.
class TempLine : public PeerPort {
  protected:
    void SetUp() override {
        PeerPort::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Wine's COM port on a pseudo-terminal refuses parity framing: there
        // the exchanges run on an 8-N-1 line, which carries the same bytes.
        ASSERT_EQ(sio_setup_peer_line(port, kWineComPort ? SIO_LINE_LLC : SIO_LINE_TEMP_SENSOR),
                  NO_ERROR);
        ASSERT_EQ(sio_set_timeout(port, 1), NO_ERROR);
    }

    // Reads the mnemonic's value; the text holds the value on success.
    int32_t read(const char* mnemonic, std::string* value) {
        char text[TEMP_STR_MAX_LEN] = {};
        std::snprintf(text, sizeof text, "%s", mnemonic);
        const int32_t code = temp_comm_write(port, text, 2, TEMP_MSG_READ);
        *value = text;
        return code;
    }
    int32_t write(const std::string& setting) {
        std::string text = setting;
        return temp_comm_write(port, text.data(), static_cast<int32_t>(text.size()), TEMP_MSG_WRITE);
    }

    short_waits waits;
};

TEST_F(TempLine, WriteAndReadMessagesOnTheLine) {
    peer.add_step({selection("IM0002."), {TEMP_ACK}, 0ms});
    EXPECT_EQ(write("IM0002."), NO_ERROR);
    EXPECT_EQ(peer.received(), bytes_of({0x04, 0x30, 0x30, 0x31, 0x31, 0x02, 0x49, 0x4D, 0x30, 0x30,
                                         0x30, 0x32, 0x2E, 0x03, 0x2B}));
    peer.clear_received();
    peer.add_step({poll("PV"), block("PV0023.4")});
    std::string value;
    EXPECT_EQ(read("PV", &value), NO_ERROR);
    EXPECT_EQ(value, "0023.4");
    EXPECT_EQ(peer.received(), poll("PV"));
    // A text shorter than its length is padded with zero bytes.
    peer.clear_received();
    peer.add_step({selection(std::string("AB\0\0", 4)), {TEMP_ACK}, 0ms});
    char padded[8] = "AB";
    EXPECT_EQ(temp_comm_write(port, padded, 4, TEMP_MSG_WRITE), NO_ERROR);
    EXPECT_EQ(peer.received(), bytes_of({TEMP_EOT, '0', '0', '1', '1', TEMP_STX, 'A', 'B', 0, 0, TEMP_ETX,
                                         'A' ^ 'B' ^ TEMP_ETX}));
    EXPECT_EQ(printed(), "");
}

TEST_F(TempLine, AnswersToAWrite) {
    // Anything but a NAK is taken for the acknowledgement.
    peer.add_step({selection("SP0020.0"), {0x41}, 0ms});
    EXPECT_EQ(write("SP0020.0"), NO_ERROR);
    printed().clear();
    const first_byte_timeout silent;
    EXPECT_EQ(write("SP0020.0"), ERR_TEMP_SENSOR_TIMEOUT);
    EXPECT_EQ(printed(), "temp_comm_read: timeout on first byte, respType=1\n");
}

TEST_F(TempLine, NakRecoveryPrintsTheErrorStatusAndLeavesTheLineClean) {
    peer.add_step({selection("IM0002."), {TEMP_NAK}, 0ms});
    // The error status, and its BCC after the ETX, which must not be taken
    // for the start of the next answer.
    peer.add_step({poll("EE"), block("EE0001")});
    EXPECT_EQ(write("IM0002."), ERR_TEMP_SENSOR_COMM);
    std::string expected = "temp_comm_read: received NAK\n";
    for (const uint8_t byte : {TEMP_STX, uint8_t{'E'}, uint8_t{'E'}, uint8_t{'0'}, uint8_t{'0'},
                               uint8_t{'0'}, uint8_t{'1'}, TEMP_ETX}) {
        char line[32];
        std::snprintf(line, sizeof line, "char: 0x%x\n", byte);
        expected += line;
    }
    EXPECT_EQ(printed(), expected);
    peer.add_step({poll("PV"), block("PV0021.0")});
    std::string value;
    EXPECT_EQ(read("PV", &value), NO_ERROR);
    EXPECT_EQ(value, "0021.0");
}

TEST_F(TempLine, ErrorStatusWithoutEndIsCutOff) {
    peer.add_step({selection("IM0002."), {TEMP_NAK}, 0ms});
    peer.add_step({poll("EE"), sim::byte_string(300, 'A')});
    EXPECT_EQ(write("IM0002."), ERR_TEMP_SENSOR_COMM);
    size_t lines = 0;
    for (size_t at = printed().find("char: 0x41\n"); at != std::string::npos;
         at = printed().find("char: 0x41\n", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 256u);
    peer.add_step({poll("PV"), block("PV0021.0")});
    std::string value;
    EXPECT_EQ(read("PV", &value), NO_ERROR);

    // An error status that does not come at all.
    peer.add_step({selection("IM0002."), {TEMP_NAK}, 0ms});
    printed().clear();
    EXPECT_EQ(write("IM0002."), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed(), "temp_comm_read: received NAK\ntemp_comm_read: EE err3 error\n");
}

TEST_F(TempLine, FaultyReadAnswers) {
    struct answer_case {
        sim::byte_string bytes;
        int32_t code;
        const char* message;
    };
    const answer_case cases[] = {
        {{TEMP_EOT}, ERR_TEMP_SENSOR_COMM, "temp_comm_read: received EOT, respType=2\n"},
        {{0x41, 0x42}, ERR_TEMP_SENSOR_COMM,
         "temp_comm_read: received unknown response character 0x41\n"},
        {block("PV0023.4", 0x90), ERR_TEMP_SENSOR_CHECKSUM, nullptr},
        {block("SP0023.4"), ERR_TEMP_SENSOR_READ, ""},  // another mnemonic
        {block("P"), ERR_TEMP_SENSOR_READ, ""},         // shorter than a mnemonic
        {bytes_of({TEMP_STX, 'P', 'V', '1'}), ERR_TEMP_SENSOR_READ,
         "temp_comm_read: sio_read_data failed: ERR_TEMP_SENSOR_READ\n"},
        {text_then("\x02PV12", {TEMP_ETX}), ERR_TEMP_SENSOR_READ,  // no BCC
         "temp_comm_read: sio_read_data failed: ERR_TEMP_SENSOR_READ\n"},
    };
    for (const answer_case& c : cases) {
        printed().clear();
        peer.add_step({poll("PV"), c.bytes});
        std::string value;
        EXPECT_EQ(read("PV", &value), c.code);
        if (c.message != nullptr) {
            EXPECT_EQ(printed(), c.message);
        }
        // Nothing of the bad answer is left for the next exchange.
        peer.add_step({poll("PV"), block("PV0019.5")});
        EXPECT_EQ(read("PV", &value), NO_ERROR);
        EXPECT_EQ(value, "0019.5");
    }
    // The checks as signed 8-bit numbers: 0x90 sent, 0x17 computed.
    printed().clear();
    peer.add_step({poll("PV"), block("PV0023.4", 0x90)});
    std::string value;
    EXPECT_EQ(read("PV", &value), ERR_TEMP_SENSOR_CHECKSUM);
    const sim::byte_string good = block("PV0023.4");
    char expected[96];
    std::snprintf(expected, sizeof expected,
                  "temp_comm_read: checksums mismatched: sent=-112 calc=%d\n",
                  static_cast<int8_t>(good.back()));
    EXPECT_EQ(printed(), expected);
}

TEST_F(TempLine, LongestBlock) {
    // The block, ETX included, holds at most 255 bytes: 254 characters.
    const std::string longest(254, 'V');
    peer.send(block(longest));
    char text[TEMP_STR_MAX_LEN];
    EXPECT_EQ(temp_comm_read(port, text, TEMP_MSG_READ), NO_ERROR);
    EXPECT_EQ(std::string(text), longest);
    // One more, and no ETX within the 255 bytes; the same further on.
    for (const std::string& over_long : {longest + "V", longest + "VV"}) {
        printed().clear();
        peer.send(block(over_long));
        EXPECT_EQ(temp_comm_read(port, text, TEMP_MSG_READ), ERR_TEMP_SENSOR_READ)
            << over_long.size();
        EXPECT_EQ(text[0], '\0');
        EXPECT_EQ(printed(), "temp_comm_read: i=TEMP_STR_MAX_LEN\n");
    }
}

TEST_F(TempLine, TextsRefusedBeforeSending) {
    std::string text(260, 'A');
    char* t = text.data();
    // 249 characters leave no room for the block check; from 250 on the ETX
    // is beyond the message too, and there is no block to check.
    EXPECT_EQ(temp_comm_write(port, t, 249, TEMP_MSG_WRITE), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(temp_comm_write(port, t, 250, TEMP_MSG_WRITE), ERR_TEMP_SENSOR_CHECKSUM);
    EXPECT_EQ(temp_comm_write(port, t, 260, TEMP_MSG_WRITE), ERR_TEMP_SENSOR_CHECKSUM);
    EXPECT_EQ(temp_comm_write(port, t, 251, TEMP_MSG_READ), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(temp_comm_write(port, t, -1, TEMP_MSG_WRITE), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(temp_comm_write(port, t, 2, 3), ERR_TEMP_SENSOR_COMM);
    for (const char control : {'\x02', '\x03', '\x04', '\x05'}) {
        char setting[] = "SP0020.0";
        setting[3] = control;
        EXPECT_EQ(temp_comm_write(port, setting, 8, TEMP_MSG_WRITE), ERR_TEMP_SENSOR_COMM);
    }
    EXPECT_EQ(temp_comm_write(port, nullptr, 2, TEMP_MSG_READ), ERR_INVALID_PARAM);
    EXPECT_EQ(temp_comm_write(plat::kInvalidPort, t, 2, TEMP_MSG_READ), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(temp_comm_read(port, nullptr, TEMP_MSG_READ), ERR_INVALID_PARAM);
    EXPECT_FALSE(peer.wait_received(1, 200ms));
    EXPECT_EQ(printed(), "");

    // The longest texts that fit go out whole.
    peer.add_step({selection(std::string(248, 'A')), {TEMP_ACK}, 0ms});
    EXPECT_EQ(temp_comm_write(port, t, 248, TEMP_MSG_WRITE), NO_ERROR);
    EXPECT_EQ(peer.received().size(), 256u);
}

TEST_F(TempLine, UnknownAnswerKindReadsOneByte) {
    peer.send({TEMP_ACK});
    char text[TEMP_STR_MAX_LEN];
    EXPECT_EQ(temp_comm_read(port, text, 5), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed(), "temp_comm_read: unknown response type 5\n");
}

TEST_F(TempLine, SetUpSequence) {
    for (const char* setting : {"IM0002.", "QD0002.", "Q10000.", "IM0000."}) {
        const std::string text = std::string(setting) + "\x03";
        uint8_t bcc = 0;
        for (const char c : text) bcc ^= static_cast<uint8_t>(c);
        const std::string message = std::string("\x04") + "0011\x02" + text;
        peer.add_step({text_then(message.c_str(), {bcc}), {TEMP_ACK}, 0ms});
    }
    EXPECT_EQ(temp_sensor_init(port), NO_ERROR);
    EXPECT_TRUE(peer.wait_script_done(kEventLimit));
    EXPECT_EQ(peer.received().size(), 4u * 15u);
    EXPECT_EQ(printed(), "");
}

TEST_F(TempLine, SetUpStopsAtTheFirstRefusal) {
    peer.add_step({text_then("\x04" "0011\x02IM0002.", {TEMP_ETX}), {TEMP_ACK}, 0ms});
    peer.add_step({text_then("\x04" "0011\x02QD0002.", {TEMP_ETX}), {TEMP_NAK}, 0ms});
    EXPECT_EQ(temp_sensor_init(port), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed().rfind("temp_comm_read: received NAK\n", 0), 0u);
    EXPECT_EQ(peer.received().size(), 2u * 15u + 8u);  // and the "EE" poll
}

// ---- the line ----------------------------------------------------------------------

TEST(TempOpen, LineIsSevenEvenOne) {
    if (!peer_available()) GTEST_SKIP() << kNoPeer;
    if (kWineComPort) GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    print_capture capture;
    test_peer peer;
    plat::port_handle port = plat::kInvalidPort;
    ASSERT_EQ(temp_comm_open(&port, peer.device_path()), NO_ERROR);
    // A pseudo-terminal keeps 8-N-1 whatever is asked: the port's record tells.
    sio_control control{};
    ASSERT_EQ(sio_get_state(port, &control), NO_ERROR);
    EXPECT_EQ(control.baud_rate, 9600u);
    EXPECT_EQ(control.byte_size, 7);
    EXPECT_EQ(control.parity, plat::kParityEven);
    EXPECT_EQ(control.stop_bits, plat::kOneStopBit);
    EXPECT_FALSE(control.out_x);
    EXPECT_FALSE(control.in_x);
    EXPECT_EQ(temp_comm_close(&port), NO_ERROR);
    EXPECT_EQ(port, plat::kInvalidPort);
    EXPECT_EQ(printed(), "");
}

TEST(TempOpen, FailuresAreNamed) {
    print_capture capture;
    plat::port_handle port = plat::kInvalidPort;
    EXPECT_EQ(temp_comm_open(&port, "no-such-port"), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(port, plat::kInvalidPort);
    EXPECT_EQ(printed(),
              "temp_comm_open: error initializing device no-such-port: ERR_CANT_OPEN_SERIAL\n");
    printed().clear();
    EXPECT_EQ(temp_comm_close(&port), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed(), "temp_comm_close: sio_close failed: ERR_SERIAL_NOT_OPEN\n");
    EXPECT_EQ(temp_comm_close(nullptr), NO_ERROR);
    EXPECT_EQ(temp_comm_open(nullptr, "x"), ERR_INVALID_PARAM);
}

}  // namespace
}  // namespace serial_test
