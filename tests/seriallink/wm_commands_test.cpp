// The wave monitor's commands: the bytes on the line and what each answer
// gives; the four paths of the status update and the calibration report.
#include <cmath>
#include <limits>

#include "wm_test_support.h"

namespace serial_test {
namespace {

sim::byte_string data_ack(std::initializer_list<uint32_t> words) {
    sim::byte_string bytes;
    for (const uint32_t word : words) put_word(&bytes, word);
    bytes.push_back(WM_ACK);
    return bytes;
}

TEST_F(WmLine, CommandsOnTheLine) {
    on("LO?", {0x00, 0x80, 0x00, 0x00, WM_ACK});
    on("LO?", {0x00, 0x00, 0x00, 0x00, WM_ACK});
    on("LO=1", {WM_ACK});
    on("LO=0", {WM_ACK});
    on("LO=0", {WM_ACK});
    on("CL=5000000", {WM_ACK});
    on("CL=-1234567", {WM_ACK});
    on("SS=2.500000", {WM_ACK});
    on("RR=7,-3", data_ack({40, 0xFFFFFFFEu}));

    uint32_t laser = 0;
    EXPECT_EQ(wm_read_laser(&port, &laser), NO_ERROR);
    EXPECT_EQ(laser, 0x8000u);
    EXPECT_EQ(wm_read_laser(&port, &laser), NO_ERROR);
    EXPECT_EQ(laser, 0u);
    EXPECT_EQ(wm_set_laser(&port, 1), NO_ERROR);
    EXPECT_EQ(wm_set_laser(&port, 0), NO_ERROR);
    EXPECT_EQ(wm_set_laser(&port, 7), NO_ERROR);  // anything but 1 is off
    EXPECT_EQ(wm_set_cl(&port, 0.5), NO_ERROR);
    EXPECT_EQ(wm_set_cl(&port, -0.12345678), NO_ERROR);  // truncated toward zero
    EXPECT_EQ(wm_set_ss(&port, 2.5f), NO_ERROR);
    int32_t first = 0;
    int32_t second = 0;
    EXPECT_EQ(wm_query_rr(&port, 7, -3, &first, &second), NO_ERROR);
    EXPECT_EQ(first, 40);
    EXPECT_EQ(second, -2);
    EXPECT_EQ(peer.received(),
              sim::to_bytes("LO?\rLO?\rLO=1\rLO=0\rLO=0\rCL=5000000\rCL=-1234567\rSS=2.500000\r"
                            "RR=7,-3\r"));
    EXPECT_EQ(printed(), "");
}

TEST_F(WmLine, StatusAndCalibrationRecords) {
    sim::byte_string status;
    put_word(&status, 0xDEADBEEF);
    for (const float value : {1.5f, -2.0f, 0.25f, 0.001f, 30.0f}) put_float(&status, value);
    for (const uint32_t word : {3600u, 77u, 0xC0008001u}) put_word(&status, word);
    status.push_back(WM_ACK);
    sim::byte_string cal;
    for (const float gain : {1.0f, 2.0f, 3.0f, 4.0f, 9.5f}) put_float(&cal, gain);
    cal.insert(cal.end(), {0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0xFF, 0xFF});
    for (const float phase : {0.5f, -0.75f, 1.25f}) put_float(&cal, phase);
    cal.push_back(WM_ACK);
    on("MS?", status);
    on("CC?", cal);
    on("CC?", data_ack({std::bit_cast<uint32_t>(6.5f)}));

    wm_status read{};
    ASSERT_EQ(wm_read_status(&port, &read), NO_ERROR);
    EXPECT_EQ(read.word0, 0xDEADBEEFu);
    EXPECT_EQ(read.value1, 1.5f);
    EXPECT_EQ(read.value2, -2.0f);
    EXPECT_EQ(read.maxRange, 0.25f);
    EXPECT_EQ(read.minRate, 0.001f);
    EXPECT_EQ(read.maxRate, 30.0f);
    EXPECT_EQ(read.calAge, 3600u);
    EXPECT_EQ(read.word7, 77u);
    EXPECT_EQ(read.flags, 0xC0008001u);
    wm_cal_record record{};
    ASSERT_EQ(wm_read_cal(&port, &record), NO_ERROR);
    EXPECT_EQ(record.adcGain[3], 4.0f);
    EXPECT_EQ(record.systemGain, 9.5f);
    EXPECT_EQ(record.adcOffset[0], 1);
    EXPECT_EQ(record.adcOffset[3], 65535);
    EXPECT_EQ(record.phaseOffset[1], -0.75f);
    float gain = 0;
    ASSERT_EQ(wm_read_gain(&port, &gain), NO_ERROR);
    EXPECT_EQ(gain, 6.5f);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\rCC?\rCC?\r"));
}

TEST_F(WmLine, ClValueThatDoesNotFitIsNotSent) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double value : {214.7483648, -214.7483649, 1e10, nan, inf, -inf}) {
        EXPECT_EQ(wm_set_cl(&port, value), ERR_PARAM_OUT_OF_RANGE) << value;
    }
    on("CL=2147480000", {WM_ACK});
    EXPECT_EQ(wm_set_cl(&port, 214.748), NO_ERROR);
    EXPECT_EQ(peer.received(), sim::to_bytes("CL=2147480000\r"));
}

TEST_F(WmLine, FailedCommandLeavesItsOutValueAlone) {
    on("LO?", {0x00, 0x80, 0x00, 0x00, 0x15});
    uint32_t laser = 12345;
    EXPECT_EQ(wm_read_laser(&port, &laser), ERR_WM_NAK);
    EXPECT_EQ(laser, 12345u);
    EXPECT_EQ(wm_read_laser(&port, nullptr), ERR_INVALID_PARAM);
}

// ---- the status update ------------------------------------------------------

class WmStatus : public WmLine {
  protected:
    void SetUp() override {
        WmLine::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        sys_info_clear(&info);
        info.waveMonitor.line.portHandle = port;
        // What an earlier update left, so that the test sees what changes.
        sys_wave_monitor_state& state = info.waveMonitor.state;
        state.systemGain = 99;
        state.adcGain[0] = 99;
        state.limits.maxRange = 99;
    }
    void TearDown() override {
        info.waveMonitor.line.portHandle = plat::kInvalidPort;
        WmLine::TearDown();
    }

    // A status answer with these flags and recognisable values.
    static sim::byte_string status(uint32_t flags, float value1 = 1.5f) {
        sim::byte_string bytes;
        put_word(&bytes, 0);
        for (const float value : {value1, 2.5f, 0.15f, 0.002f, 40.0f}) put_float(&bytes, value);
        for (const uint32_t word : {600u, 7u, flags}) put_word(&bytes, word);
        bytes.push_back(WM_ACK);
        return bytes;
    }
    static sim::byte_string full_cal() {
        sim::byte_string bytes;
        for (const float value : {1.0f, 2.0f, 3.0f, 4.0f, 5.5f}) put_float(&bytes, value);
        bytes.insert(bytes.end(), {10, 0, 20, 0, 30, 0, 40, 0});
        for (const float value : {0.5f, 0.25f, 0.125f}) put_float(&bytes, value);
        bytes.push_back(WM_ACK);
        return bytes;
    }
    static sim::byte_string short_cal() { return data_ack({std::bit_cast<uint32_t>(7.25f)}); }

    void expect_full_record_stored() const {
        const sys_wave_monitor_state& s = info.waveMonitor.state;
        EXPECT_EQ(s.systemGain, 5.5f);
        EXPECT_EQ(s.adcGain[0], 1.0f);
        EXPECT_EQ(s.adcGain[3], 4.0f);
        EXPECT_EQ(s.adcOffset[1], 20);
        EXPECT_EQ(s.phaseOffset12, 0.25);
    }

    sys_info info{};
};

TEST_F(WmStatus, NotCalibratedStopsAfterTheStatus) {
    on("MS?", status(WM_FLAG_LASER_ON));
    ASSERT_EQ(wm_update_status(&info), NO_ERROR);
    const sys_wave_monitor_state& s = info.waveMonitor.state;
    EXPECT_EQ(s.calibrated, 0);
    EXPECT_EQ(s.calTime, 0);
    EXPECT_EQ(s.statusFlags, WM_FLAG_LASER_ON);
    EXPECT_EQ(s.statusValue1, 1.5f);
    EXPECT_EQ(s.statusWord6, 600u);
    EXPECT_EQ(s.statusWord7, 7u);
    EXPECT_EQ(s.systemGain, 99.0f);  // untouched
    EXPECT_EQ(s.limits.maxRange, 99.0);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\r"));
}

TEST_F(WmStatus, FullRecordAvailable) {
    on("MS?", status(WM_FLAG_CALIBRATED | WM_FLAG_FULL_CAL | 0x20000000u));
    on("CC?", full_cal());
    const int64_t before = u_time(nullptr);
    ASSERT_EQ(wm_update_status(&info), NO_ERROR);
    const sys_wave_monitor_state& s = info.waveMonitor.state;
    EXPECT_EQ(s.calibrated, 1);
    EXPECT_EQ(s.upperFlags, 0x60000000u);
    EXPECT_GE(s.calTime, before - 600);
    EXPECT_LE(s.calTime, u_time(nullptr) - 600);
    expect_full_record_stored();
    EXPECT_EQ(s.limits.minRange, 0.0);
    EXPECT_EQ(s.limits.maxRange, static_cast<double>(0.15f) * 1e6);
    EXPECT_EQ(s.limits.minRate, static_cast<double>(0.002f) * 1e6);
    EXPECT_EQ(s.limits.maxRate, 40e6);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\rCC?\r"));
}

TEST_F(WmStatus, SecondStatusQueryDecides) {
    // Its bit 30 asks for the full record; the fields stay the first answer's.
    on("MS?", status(WM_FLAG_CALIBRATED, 1.5f));
    on("MS?", status(WM_FLAG_FULL_CAL, 8.0f));
    on("CC?", full_cal());
    ASSERT_EQ(wm_update_status(&info), NO_ERROR);
    expect_full_record_stored();
    EXPECT_EQ(info.waveMonitor.state.statusValue1, 1.5f);
    EXPECT_EQ(info.waveMonitor.state.statusFlags, WM_FLAG_CALIBRATED);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\rMS?\rCC?\r"));

    // Without bit 30 the short query follows.
    peer.clear_received();
    on("MS?", status(WM_FLAG_CALIBRATED));
    on("MS?", status(WM_FLAG_CALIBRATED));
    on("CC?", short_cal());
    ASSERT_EQ(wm_update_status(&info), NO_ERROR);
    EXPECT_EQ(info.waveMonitor.state.systemGain, 7.25f);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\rMS?\rCC?\r"));
}

TEST_F(WmStatus, Bit31GivesTheShortQueryAlone) {
    on("MS?", status(WM_FLAG_CALIBRATED | WM_FLAG_NO_SECOND_QUERY));
    on("CC?", short_cal());
    ASSERT_EQ(wm_update_status(&info), NO_ERROR);
    const sys_wave_monitor_state& s = info.waveMonitor.state;
    EXPECT_EQ(s.systemGain, 7.25f);
    EXPECT_EQ(s.adcGain[0], 0.0f);
    EXPECT_EQ(s.adcOffset[3], 0);
    EXPECT_EQ(s.phaseOffset23, 0.0);
    EXPECT_EQ(s.limits.maxRate, 40e6);
    EXPECT_EQ(peer.received(), sim::to_bytes("MS?\rCC?\r"));
}

TEST_F(WmStatus, FailedCalibrationQueryKeepsTheStatusStored) {
    on("MS?", status(WM_FLAG_CALIBRATED | WM_FLAG_FULL_CAL, 3.0f));
    sim::byte_string refused = full_cal();
    refused.back() = 0x15;
    on("CC?", refused);
    EXPECT_EQ(wm_update_status(&info), ERR_WM_NAK);
    EXPECT_EQ(info.waveMonitor.state.statusValue1, 3.0f);
    EXPECT_EQ(info.waveMonitor.state.calibrated, 1);
    EXPECT_EQ(info.waveMonitor.state.systemGain, 99.0f);
    EXPECT_EQ(wm_update_status(nullptr), ERR_INVALID_PARAM);
}

// ---- the calibration report ---------------------------------------------------

TEST(WmPrintCal, OneTwoOrThirteenLines) {
    print_capture capture;
    sys_info info{};
    sys_info_clear(&info);
    sys_wave_monitor_state& s = info.waveMonitor.state;
    wm_print_cal(&info);
    EXPECT_EQ(printed(), "Wave monitor not calibrated\n");

    s.calibrated = 1;
    s.calTime = 1700000000;
    s.systemGain = 2.5f;
    s.upperFlags = 0x80000000u;
    char when[U_TIME_STAMP_SIZE];
    u_format_time(s.calTime, when);
    printed().clear();
    wm_print_cal(&info);
    EXPECT_EQ(printed(), std::string("Wave monitor calibrated ") + when + "\nSystem Gain: 2.500000\n");

    s.upperFlags = WM_FLAG_FULL_CAL;
    const float gains[4] = {1.5f, 2.0f, 0.25f, -1.0f};
    const uint16_t offsets[4] = {0, 1, 65535, 300};
    for (int i = 0; i < 4; ++i) {
        s.adcGain[i] = gains[i];
        s.adcOffset[i] = offsets[i];
    }
    s.phaseOffset01 = 0.5;
    s.phaseOffset12 = -0.125;
    s.phaseOffset23 = 3.0;
    printed().clear();
    wm_print_cal(&info);
    EXPECT_EQ(printed(), std::string("Wave monitor calibrated ") + when +
                             "\n"
                             "ADC Gain A : 1.500000\nADC Gain B : 2.000000\n"
                             "ADC Gain C : 0.250000\nADC Gain D : -1.000000\n"
                             "ADC Offs A : 0\nADC Offs B : 1\nADC Offs C : 65535\n"
                             "ADC Offs D : 300\n"
                             "Phs Offs 01: 0.500000\nPhs Offs 12: -0.125000\n"
                             "Phs Offs 23: 3.000000\n"
                             "System Gain: 2.500000\n");
}

}  // namespace
}  // namespace serial_test
