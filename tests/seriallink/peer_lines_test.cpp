// The line set-ups of the library's serial peers, checked from the far end
// of the line and in the port's own record.
#include "serial_test_support.h"

namespace serial_test {
namespace {

struct expected_line {
    sio_peer_line line;
    uint32_t baud;
    uint8_t data_bits;
    char parity;
    bool cts_flow;
    int32_t timeout_seconds;
};

class PeerLines : public PeerPort, public ::testing::WithParamInterface<expected_line> {};

TEST_P(PeerLines, LineMatchesThePeer) {
    const expected_line& expected = GetParam();
    if (kWineComPort && expected.parity != 'N') {
        GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    }
    // Start from a line unlike any of them.
    ASSERT_EQ(sio_init_xonxoff(port, "300,5,1,2"), NO_ERROR);
    ASSERT_EQ(sio_setup_peer_line(port, expected.line), NO_ERROR);

    expect_line(expected.baud, expected.data_bits, expected.parity, 1);
    const plat::pty_line_settings settings = line();
    EXPECT_EQ(settings.parity_check, expected.parity != 'N');
    EXPECT_EQ(settings.cts_flow, expected.cts_flow || kWineComPort);  // RTS handshake, on Wine
    EXPECT_FALSE(settings.xon_xoff_out);
    EXPECT_FALSE(settings.xon_xoff_in);

    const sio_control control = state();
    EXPECT_EQ(control.rts_control, plat::kRtsControlHandshake);
    EXPECT_EQ(control.dtr_control, plat::kDtrControlEnable);
    EXPECT_EQ(control.abort_on_error, expected.cts_flow);
    EXPECT_EQ(control.stop_bits, plat::kOneStopBit);
    int32_t seconds = 0;
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, expected.timeout_seconds);
    EXPECT_EQ(printed(), "");
}

INSTANTIATE_TEST_SUITE_P(
    AllPeers, PeerLines,
    ::testing::Values(expected_line{SIO_LINE_INSTRUMENT_BOARD, 38400, 8, 'N', false, 2},
                      expected_line{SIO_LINE_WAVE_MONITOR, 115200, 8, 'N', false, 2},
                      expected_line{SIO_LINE_TEMP_SENSOR, 9600, 7, 'E', false, 2},
                      expected_line{SIO_LINE_LLC, 9600, 8, 'N', false, 2},
                      expected_line{SIO_LINE_LLC_LONG_TIMEOUT, 9600, 8, 'N', false, 40},
                      expected_line{SIO_LINE_POSITION_INSTRUMENT, 115200, 8, 'N', true, 2}));

}  // namespace
}  // namespace serial_test
