// The temperature sensor link against the simulated sensor: the switch-on of
// an FTP instrument, values written and read back, injected faults, and a
// hostile sensor.
#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "device_test_support.h"

namespace serial_test {
namespace {

class TempSimulated : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test_device::available()) GTEST_SKIP() << kNoPeer;
        ASSERT_TRUE(device.is_open());
        sys_info_clear(&info);
        info.instrBdType = INSTR_BD_FTP;
        info.tempSensor.enabled = 1;
        std::snprintf(info.tempSensor.line.portName, sizeof info.tempSensor.line.portName, "%s",
                      device.device_path());
    }
    void TearDown() override {
        if (handle() != plat::kInvalidPort) {
            EXPECT_EQ(temp_comm_close(&handle()), NO_ERROR);
        }
    }

    plat::port_handle& handle() { return info.tempSensor.line.portHandle; }

    // The sensor's line as the link opens it (on Wine, whose COM port on a
    // pseudo-terminal refuses parity framing, an 8-N-1 line), with a port
    // time-out of one second for the bytes after the first.
    void open() {
        if (kWineComPort) {
            ASSERT_EQ(sio_open(device.device_path(), &handle()), NO_ERROR);
            ASSERT_EQ(sio_setup_peer_line(handle(), SIO_LINE_LLC), NO_ERROR);
        } else {
            ASSERT_EQ(temp_comm_open(&handle(), device.device_path()), NO_ERROR);
        }
        ASSERT_EQ(sio_set_timeout(handle(), 1), NO_ERROR);
    }

    int32_t write(const std::string& setting) {
        std::string text = setting;
        return temp_comm_write(handle(), text.data(), static_cast<int32_t>(text.size()),
                               TEMP_MSG_WRITE);
    }
    int32_t read(const char* mnemonic, std::string* value) {
        char text[TEMP_STR_MAX_LEN] = {};
        std::snprintf(text, sizeof text, "%s", mnemonic);
        const int32_t code = temp_comm_write(handle(), text, 2, TEMP_MSG_READ);
        *value = text;
        return code;
    }

    print_capture capture;
    short_waits waits;
    test_device device{"temp_sensor"};
    sys_info info{};
};

TEST_F(TempSimulated, SwitchOnSetsTheSensorUp) {
    if (kWineComPort) GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    EXPECT_EQ(temp_sensor_switch_on(&info), NO_ERROR);
    EXPECT_NE(handle(), plat::kInvalidPort);
    EXPECT_EQ(device.get("selects"), "4");
    EXPECT_EQ(device.get("IM"), "0000.");  // written last
    EXPECT_EQ(device.get("QD"), "0002.");
    EXPECT_EQ(device.get("Q1"), "0000.");
    EXPECT_EQ(printed(), "");
    // Switching on again starts from a fresh line.
    EXPECT_EQ(temp_sensor_switch_on(&info), NO_ERROR);
    EXPECT_EQ(device.get("selects"), "8");
}

TEST_F(TempSimulated, SwitchOnFailures) {
    info.tempSensor.enabled = 0;
    EXPECT_EQ(temp_sensor_switch_on(&info), NO_ERROR);
    EXPECT_EQ(handle(), plat::kInvalidPort);
    EXPECT_EQ(device.get("selects"), "0");

    info.tempSensor.enabled = 1;
    std::snprintf(info.tempSensor.line.portName, sizeof info.tempSensor.line.portName, "%s",
                  "no-such-port");
    EXPECT_EQ(temp_sensor_switch_on(&info), ERR_TEMP_SENSOR_INIT);
    EXPECT_EQ(printed(),
              "temp_comm_open: error initializing device no-such-port: ERR_CANT_OPEN_SERIAL\n"
              "Error initializing temperature sensor: ERR_TEMP_SENSOR_COMM\n");
    EXPECT_EQ(temp_sensor_switch_on(nullptr), ERR_INVALID_PARAM);
}

TEST_F(TempSimulated, SilentSensorFailsTheSwitchOnAndIsClosed) {
    if (kWineComPort) GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    device.inject(sim::device_fault::silence, 1);
    const first_byte_timeout silent;
    EXPECT_EQ(temp_sensor_switch_on(&info), ERR_TEMP_SENSOR_INIT);
    EXPECT_EQ(printed(),
              "temp_comm_read: timeout on first byte, respType=1\n"
              "Error initializing temperature sensor: ERR_TEMP_SENSOR_TIMEOUT\n");
    EXPECT_EQ(handle(), plat::kInvalidPort);
}

TEST_F(TempSimulated, ValuesWrittenAreReadBack) {
    open();
    EXPECT_EQ(write("SP0030.5"), NO_ERROR);
    std::string value;
    EXPECT_EQ(read("SP", &value), NO_ERROR);
    EXPECT_EQ(value, "0030.5");
    EXPECT_EQ(read("PV", &value), NO_ERROR);
    EXPECT_EQ(value, "0023.4");
    ASSERT_TRUE(device.set("PV", "0100.0"));
    EXPECT_EQ(read("PV", &value), NO_ERROR);
    EXPECT_EQ(value, "0100.0");
    // A mnemonic the sensor does not know is answered by EOT.
    EXPECT_EQ(read("ZZ", &value), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed(), "temp_comm_read: received EOT, respType=2\n");
}

TEST_F(TempSimulated, MeasuredTemperatureIsReadAsANumber) {
    open();
    double degrees = 0;
    EXPECT_EQ(temp_sensor_read_temperature(&info, &degrees), NO_ERROR);
    EXPECT_EQ(degrees, 23.4);
    ASSERT_TRUE(device.set("PV", "-012.5"));
    EXPECT_EQ(temp_sensor_read_temperature(&info, &degrees), NO_ERROR);
    EXPECT_EQ(degrees, -12.5);
    // A value that is not one number leaves the last reading alone.
    for (const char* value : {"hot", "12.5C", "nan", "1e999"}) {
        ASSERT_TRUE(device.set("PV", value));
        EXPECT_EQ(temp_sensor_read_temperature(&info, &degrees), ERR_TEMP_SENSOR_READ) << value;
        EXPECT_EQ(degrees, -12.5) << value;
    }
    EXPECT_EQ(device.get("polls"), "6");
    EXPECT_EQ(temp_sensor_read_temperature(nullptr, &degrees), ERR_INVALID_PARAM);
    EXPECT_EQ(temp_sensor_read_temperature(&info, nullptr), ERR_INVALID_PARAM);
}

TEST_F(TempSimulated, SwitchOffClosesTheLineOnce) {
    open();
    EXPECT_EQ(temp_sensor_switch_off(&info), NO_ERROR);
    EXPECT_EQ(handle(), plat::kInvalidPort);
    EXPECT_EQ(temp_sensor_switch_off(&info), NO_ERROR);
    EXPECT_EQ(temp_sensor_switch_off(nullptr), ERR_INVALID_PARAM);
    // A closed sensor is not read.
    double degrees = 0;
    EXPECT_EQ(temp_sensor_read_temperature(&info, &degrees), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(device.get("polls"), "0");
}

TEST_F(TempSimulated, EachFaultFailsOneExchangeAndTheNextOneWorks) {
    open();
    struct expected {
        sim::device_fault fault;
        int32_t code;
    };
    for (const expected& e : {expected{sim::device_fault::nak, ERR_TEMP_SENSOR_COMM},
                              expected{sim::device_fault::bad_checksum, ERR_TEMP_SENSOR_CHECKSUM},
                              expected{sim::device_fault::stray, ERR_TEMP_SENSOR_COMM},
                              expected{sim::device_fault::truncated, ERR_TEMP_SENSOR_READ},
                              expected{sim::device_fault::silence, ERR_TEMP_SENSOR_TIMEOUT}}) {
        device.inject(e.fault, 1);
        std::string value;
        {
            std::optional<first_byte_timeout> silent;
            if (e.fault == sim::device_fault::silence) silent.emplace();
            EXPECT_EQ(read("PV", &value), e.code) << sim::device_fault_name(e.fault);
        }
        EXPECT_EQ(read("PV", &value), NO_ERROR) << sim::device_fault_name(e.fault);
        EXPECT_EQ(value, "0023.4");
    }
    // A NAK to a write is followed by the sensor's error status.
    device.inject(sim::device_fault::nak, 1);
    printed().clear();
    EXPECT_EQ(write("SP0020.0"), ERR_TEMP_SENSOR_COMM);
    EXPECT_EQ(printed().rfind("temp_comm_read: received NAK\nchar: 0x2\nchar: 0x45\nchar: 0x45\n", 0),
              0u)
        << printed();
    EXPECT_EQ(write("SP0021.0"), NO_ERROR);
    EXPECT_EQ(device.get("SP"), "0021.0");
}

class TempHostile : public TempSimulated, public ::testing::WithParamInterface<uint32_t> {};

// Random writes and reads against random and mutated answers: every call
// ends with one of the link's codes, and once the sensor behaves, so does
// the link.
TEST_P(TempHostile, EveryCallEndsWithACodeAndTheLinkRecovers) {
    open();
    const int exchanges = kWineComPort ? 150 : 500;
    const std::set<int32_t> allowed = {NO_ERROR, ERR_TEMP_SENSOR_COMM, ERR_TEMP_SENSOR_TIMEOUT,
                                       ERR_TEMP_SENSOR_READ, ERR_TEMP_SENSOR_CHECKSUM};
    // Every wait for a byte that never comes is cut short, and the late
    // pieces of answers still come within it.
    std::optional<scaled_read_timeouts> quick(std::in_place, kHostileReadPermille);
    seriallink::bounds().temp_first_byte_s = 1;
    ASSERT_EQ(sio_set_timeout(handle(), 1), NO_ERROR);
    ASSERT_TRUE(device.set("late_ms", std::to_string(kHostileLateMs)));
    device.inject(sim::device_fault::hostile, -1, GetParam());
    std::mt19937 pick(GetParam());
    for (int i = 0; i < exchanges; ++i) {
        std::string value;
        const int32_t code = pick() % 2 == 0 ? read(pick() % 3 == 0 ? "SP" : "PV", &value)
                                             : write("SP00" + std::to_string(10 + i % 90) + ".0");
        ASSERT_TRUE(allowed.count(code) == 1) << "exchange " << i << ": " << u_err_name(code);
        ASSERT_LT(value.size(), static_cast<size_t>(TEMP_STR_MAX_LEN));
    }
    device.inject(sim::device_fault::none, 0);
    quick.reset();
    seriallink::bounds().temp_first_byte_s = seriallink::wait_bounds{}.temp_first_byte_s.load();
    ASSERT_EQ(sio_set_timeout(handle(), 1), NO_ERROR);
    // Once the last answers are on the line, the next exchange drains what
    // is left when it fails.
    ASSERT_TRUE(device.wait_idle(kEventLimit));
    printed().clear();
    // Leftovers of an over-long answer, or a piece still late, cost one
    // exchange at most.
    std::string value;
    read("PV", &value);
    for (int i = 0; i < 20; ++i) {
        const std::string setting = std::to_string(1000 + i);
        ASSERT_EQ(write("SP" + setting), NO_ERROR) << i << "\n" << printed();
        ASSERT_EQ(read("SP", &value), NO_ERROR) << i << "\n" << printed();
        EXPECT_EQ(value, setting);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, TempHostile, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace serial_test
