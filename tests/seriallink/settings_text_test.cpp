// sio_init with settings texts: accepted lines, refused texts with and
// without the message, and the line keeping its settings after a refusal.
#include "serial_test_support.h"

namespace serial_test {
namespace {

using SettingsText = PeerPort;

TEST_F(SettingsText, AcceptedTextReachesTheLineSilently) {
    EXPECT_EQ(sio_init_xonxoff(port, "115200,8,0,1"), NO_ERROR);
    expect_line(115200, 8, 'N', 1);
    EXPECT_FALSE(line().parity_check);
    EXPECT_TRUE(line().raw);
    EXPECT_EQ(printed(), "");

    EXPECT_EQ(sio_init_xonxoff(port, "19200,7,1,2"), NO_ERROR);
    expect_line(19200, 7, 'O', 2);
    EXPECT_TRUE(line().parity_check);
}

TEST_F(SettingsText, NumbersAreReadLikeTheCConversions) {
    // Blanks and signs before a number, anything between a number and the
    // next comma, and anything after the stop bits are passed over.
    EXPECT_EQ(sio_init_xonxoff(port, " +4800 baud, 6 bits,2x,+1.5 stop"), NO_ERROR);
    expect_line(4800, 6, 'E', 2);
    EXPECT_EQ(state().stop_bits, plat::kOneAndHalfStopBits);
    // 1.50000001 rounds to 1.5 in single precision.
    EXPECT_EQ(sio_init_xonxoff(port, "600,5,0,1.50000001"), NO_ERROR);
    EXPECT_EQ(state().stop_bits, plat::kOneAndHalfStopBits);
    EXPECT_EQ(sio_init_xonxoff(port, "150,8,0,2.0"), NO_ERROR);
    expect_line(150, 8, 'N', 2);
    EXPECT_EQ(printed(), "");
}

TEST_F(SettingsText, RefusedTextsKeepThePreviousLine) {
    ASSERT_EQ(sio_init_xonxoff(port, "19200,7,1,2"), NO_ERROR);
    struct refusal {
        const char* text;
        int32_t code;
        bool message;
    };
    const refusal cases[] = {
        {"115200", ERR_INVALID_PARAM, true},
        {"115200,8", ERR_INVALID_PARAM, true},
        {"115200,8,0", ERR_INVALID_PARAM, true},
        {"9601,8,0,1", ERR_INVALID_PARAM, true},
        {"9600,9,0,1", ERR_INVALID_PARAM, true},
        {"9600,4,0,1", ERR_INVALID_PARAM, true},
        {"9600,8,3,1", ERR_INVALID_PARAM, true},
        {"", ERR_INVALID_PARAM, true},
        {"r+x", ERR_INVALID_PARAM, true},
        {"99999999999999999999,8,0,1", ERR_INVALID_PARAM, true},
        {"9600,8,x,1", ERR_PARAM_OUT_OF_RANGE, false},
        {"9600,8, 0,1", ERR_PARAM_OUT_OF_RANGE, false},
        {"9600,8,-1,1", ERR_PARAM_OUT_OF_RANGE, false},
        {"9600,8,0,3", ERR_PARAM_OUT_OF_RANGE, true},
        {"9600,8,0,1.4", ERR_PARAM_OUT_OF_RANGE, true},
        {"9600,8,0,", ERR_PARAM_OUT_OF_RANGE, true},
    };
    for (const refusal& c : cases) {
        SCOPED_TRACE(c.text);
        printed().clear();
        EXPECT_EQ(sio_init_xonxoff(port, c.text), c.code);
        const std::string message =
            std::string("Com Settings Parameter: ") + c.text + " is Invalid.\n";
        EXPECT_EQ(printed(), c.message ? message : "");
        expect_line(19200, 7, 'O', 2);
        EXPECT_TRUE(line().parity_check);
        EXPECT_EQ(state().stop_bits, plat::kTwoStopBits);
    }
}

TEST_F(SettingsText, EvenParityWithOneAndAHalfStopBits) {
    EXPECT_EQ(sio_init_xonxoff(port, "9600,8,2,1.5"), NO_ERROR);
    const sio_control control = state();
    EXPECT_EQ(control.parity, plat::kParityEven);
    EXPECT_TRUE(control.parity_check);
    EXPECT_EQ(control.stop_bits, plat::kOneAndHalfStopBits);
    // The line itself has no such setting and runs two stop bits.
    expect_line(9600, 8, 'E', 2);
    EXPECT_TRUE(line().parity_check);
    // Back to one stop bit, the kept value is gone.
    ASSERT_EQ(sio_init_xonxoff(port, "9600,8,2,1"), NO_ERROR);
    EXPECT_EQ(state().stop_bits, plat::kOneStopBit);
    ASSERT_EQ(sio_init_xonxoff(port, "9600,8,2,2"), NO_ERROR);
    EXPECT_EQ(state().stop_bits, plat::kTwoStopBits);
}

TEST_F(SettingsText, AbsentAndIgnoredTextsSelectTheDefaults) {
    ASSERT_EQ(sio_init_xonxoff(port, "19200,7,1,2"), NO_ERROR);
    EXPECT_EQ(sio_init_xonxoff(port, nullptr), NO_ERROR);
    expect_line(9600, 8, 'N', 1);
    EXPECT_FALSE(state().parity_check);
    EXPECT_EQ(printed(), "");

    for (const char* text : {"r", "r+", "w", "w+", "a", "a+"}) {
        SCOPED_TRACE(text);
        ASSERT_EQ(sio_init_xonxoff(port, "19200,7,1,2"), NO_ERROR);
        printed().clear();
        EXPECT_EQ(sio_init_xonxoff(port, text), NO_ERROR);
        EXPECT_EQ(printed(), std::string("Com Settings Parameter: ") + text + " is ignored.\n");
        expect_line(9600, 8, 'N', 1);
        EXPECT_FALSE(line().parity_check);
    }
}

TEST_F(SettingsText, FlowControlFlagChoosesTheCommonFields) {
    ASSERT_EQ(sio_init_xonxoff(port, nullptr), NO_ERROR);
    plat::pty_line_settings settings = line();
    EXPECT_TRUE(settings.xon_xoff_out);
    EXPECT_TRUE(settings.xon_xoff_in);
    EXPECT_EQ(settings.xon_char, 0x11);
    EXPECT_EQ(settings.xoff_char, 0x13);
    EXPECT_EQ(settings.cts_flow, kWineComPort);  // Wine takes RTS handshake as CTS flow too
    sio_control control = state();
    EXPECT_EQ(control.xon_limit, 100);
    EXPECT_EQ(control.xoff_limit, 3996);
    EXPECT_EQ(control.dtr_control, plat::kDtrControlEnable);
    EXPECT_EQ(control.rts_control, plat::kRtsControlHandshake);
    EXPECT_FALSE(control.outx_cts_flow);
    EXPECT_FALSE(control.abort_on_error);
    EXPECT_TRUE(control.binary);

    ASSERT_EQ(sio_init(port, nullptr, 0), NO_ERROR);
    settings = line();
    EXPECT_FALSE(settings.xon_xoff_out);
    EXPECT_FALSE(settings.xon_xoff_in);
    EXPECT_TRUE(settings.cts_flow);
    control = state();
    EXPECT_TRUE(control.outx_cts_flow);
    EXPECT_TRUE(control.abort_on_error);
    EXPECT_EQ(control.rts_control, plat::kRtsControlHandshake);
    EXPECT_EQ(control.xon_limit, 100);
}

TEST_F(SettingsText, FieldsWithoutALineSettingAreKeptByTheRecord) {
    ASSERT_EQ(sio_init_xonxoff(port, nullptr), NO_ERROR);
    sio_control control = state();
    control.baud_rate = 57600;
    control.parity = plat::kParityMark;
    control.outx_dsr_flow = true;
    control.dsr_sensitivity = true;
    control.error_char_on = true;
    control.error_char = '?';
    control.xon_limit = 77;
    control.xoff_limit = 88;
    ASSERT_EQ(sio_set_state(port, &control), NO_ERROR);
    expect_line(57600, 8, 'M', 1);
    const sio_control back = state();
    EXPECT_TRUE(back.outx_dsr_flow);
    EXPECT_TRUE(back.dsr_sensitivity);
    EXPECT_TRUE(back.error_char_on);
    EXPECT_EQ(back.error_char, '?');
    EXPECT_EQ(back.xon_limit, 77);
    EXPECT_EQ(back.xoff_limit, 88);
    EXPECT_EQ(back.parity, plat::kParityMark);
}

TEST_F(SettingsText, SingleFieldChangesAndTheirRefusals) {
    if (kWineComPort) {
        GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    }
    ASSERT_EQ(sio_init_xonxoff(port, nullptr), NO_ERROR);
    EXPECT_EQ(sio_set_baud(port, 57600), NO_ERROR);
    EXPECT_EQ(sio_set_parity(port, 1), NO_ERROR);
    EXPECT_EQ(sio_set_data_bits(port, 6), NO_ERROR);
    expect_line(57600, 6, 'O', 1);
    EXPECT_TRUE(line().parity_check);
    EXPECT_EQ(sio_set_parity(port, 0), NO_ERROR);
    EXPECT_FALSE(line().parity_check);
    EXPECT_EQ(sio_xonxoff_off(port), NO_ERROR);
    EXPECT_FALSE(line().xon_xoff_out);
    EXPECT_EQ(sio_xonxoff_on(port), NO_ERROR);
    EXPECT_TRUE(line().xon_xoff_in);

    // Values the line cannot run are refused by the write; nothing changes.
    EXPECT_EQ(sio_set_baud(port, 12345), ERR_CANT_SET_SERIAL);
    EXPECT_EQ(sio_set_baud(port, -9600), ERR_CANT_SET_SERIAL);
    EXPECT_EQ(sio_set_data_bits(port, 9), ERR_CANT_SET_SERIAL);
    EXPECT_EQ(sio_set_parity(port, 5), ERR_CANT_SET_SERIAL);
    EXPECT_EQ(sio_set_parity(port, 256), ERR_CANT_SET_SERIAL);
    expect_line(57600, 6, 'N', 1);
    EXPECT_EQ(printed(), "");
}

}  // namespace
}  // namespace serial_test
