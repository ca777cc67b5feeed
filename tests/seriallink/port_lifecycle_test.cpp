// Opening and closing ports, port names, and every function given the
// invalid handle.
#include <string>
#include <utility>

#include "serial_test_support.h"
#include "support/temp_file.h"

namespace serial_test {
namespace {

// On POSIX the COM names stand for the serial devices; on Windows they are
// opened by their device names, which reach every port number.
TEST(PortNames, ComNamesStandForTheSerialDevices) {
    char path[64];
    const std::pair<const char*, const char*> names[] = {
#if defined(_WIN32)
        {"COM1", "\\\\.\\COM1"},
        {"com12", "\\\\.\\com12"},
        {"\\\\.\\COM10", "\\\\.\\COM10"},
        {"Com9999", "\\\\.\\Com9999"},
#else
        {"COM1", "/dev/ttyS0"},
        {"com12", "/dev/ttyS11"},
        {"\\\\.\\COM10", "/dev/ttyS9"},
        {"Com9999", "/dev/ttyS9998"},
#endif
        {"COM0", "COM0"},
        {"COM01", "COM01"},
        {"COM1x", "COM1x"},
        {"COM", "COM"},
        {"COM10000", "COM10000"},
        {"/dev/pts/3", "/dev/pts/3"},
        {"\\\\.\\pipe", "\\\\.\\pipe"},
    };
    for (const auto& [name, expected] : names) {
        ASSERT_TRUE(plat::serial_device_path(name, path, sizeof path)) << name;
        EXPECT_STREQ(path, expected) << name;
    }
    char small[8];
    EXPECT_FALSE(plat::serial_device_path("COM12", small, sizeof small));
    EXPECT_FALSE(plat::serial_device_path("/dev/pts/12", small, sizeof small));
}

TEST(PortLifecycle, OpenIsExclusiveUntilClosed) {
    if (!peer_available()) GTEST_SKIP() << kNoPeer;
    if (kWineComPort) GTEST_SKIP() << "Wine does not keep a second opener out of a COM port";
    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    plat::port_handle first = plat::kInvalidPort;
    ASSERT_EQ(sio_open(peer.device_path(), &first), NO_ERROR);
    EXPECT_NE(first, plat::kInvalidPort);

    plat::port_handle second = 12345;
    EXPECT_EQ(sio_open(peer.device_path(), &second), ERR_CANT_OPEN_SERIAL);
    EXPECT_EQ(second, plat::kInvalidPort);

    EXPECT_EQ(sio_close(&first), NO_ERROR);
    EXPECT_EQ(first, plat::kInvalidPort);
    ASSERT_EQ(sio_open(peer.device_path(), &second), NO_ERROR);
    EXPECT_EQ(sio_close(&second), NO_ERROR);
}

TEST(PortLifecycle, CloseTwiceAndMissingVariables) {
    if (!peer_available()) GTEST_SKIP() << kNoPeer;
    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    plat::port_handle port = plat::kInvalidPort;
    ASSERT_EQ(sio_open(peer.device_path(), &port), NO_ERROR);
    EXPECT_EQ(sio_close(&port), NO_ERROR);
    EXPECT_EQ(port, plat::kInvalidPort);
    EXPECT_EQ(sio_close(&port), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(port, plat::kInvalidPort);
    EXPECT_EQ(sio_close(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(sio_open(peer.device_path(), nullptr), ERR_INVALID_PARAM);
}

TEST(PortLifecycle, MissingDeviceCannotBeOpened) {
    plat::port_handle port = 42;
    EXPECT_EQ(sio_open("/nonexistent/serial-device", &port), ERR_CANT_OPEN_SERIAL);
    EXPECT_EQ(port, plat::kInvalidPort);
    port = 42;
    EXPECT_EQ(sio_open(nullptr, &port), ERR_CANT_OPEN_SERIAL);
    EXPECT_EQ(port, plat::kInvalidPort);
}

TEST(PortLifecycle, ANonTerminalOpensButCannotBeSetUp) {
    // A file of our own, so no other test competes for its lock.
    const temp_file file("not-a-port");
    file.write_text("not a port");
    const std::string path = file.str();
    print_capture capture;
    plat::port_handle port = plat::kInvalidPort;
    EXPECT_EQ(sio_open(path.c_str(), &port), ERR_CANT_SET_SERIAL);
    ASSERT_NE(port, plat::kInvalidPort);
    // The open handle fails every request that needs a serial port.
    EXPECT_EQ(sio_init_xonxoff(port, nullptr), ERR_CANT_GET_SERIAL);
    EXPECT_EQ(printed(), "Com Settings Parameter: (none) is Invalid.\n");
    printed().clear();
    EXPECT_EQ(sio_init_xonxoff(port, "9600,8,0,1"), ERR_CANT_GET_SERIAL);
    EXPECT_EQ(printed(), "Com Settings Parameter: 9600,8,0,1 is Invalid.\n");
    EXPECT_EQ(sio_set_baud(port, 9600), ERR_CANT_GET_SERIAL);
    int32_t seconds = 5;
    EXPECT_EQ(sio_get_timeout(port, &seconds), ERR_CANT_GET_SERIAL);
    EXPECT_EQ(seconds, 0);
    EXPECT_EQ(sio_set_timeout(port, 3), ERR_CANT_SET_SERIAL);
    EXPECT_EQ(sio_clear_buffer(port), 1);
    EXPECT_EQ(sio_close(&port), NO_ERROR);
    EXPECT_EQ(port, plat::kInvalidPort);
}

TEST(PortLifecycle, EveryFunctionRefusesTheInvalidHandle) {
    print_capture capture;
    const plat::port_handle none = plat::kInvalidPort;
    sio_control control{};
    int32_t seconds = 7;
    EXPECT_EQ(sio_init(none, "9600,8,0,1", 0), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_init_xonxoff(none, nullptr), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_set_baud(none, 9600), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_set_parity(none, 0), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_set_data_bits(none, 8), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_xonxoff_on(none), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_xonxoff_off(none), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_get_timeout(none, &seconds), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(seconds, 0);
    EXPECT_EQ(sio_set_timeout(none, 3), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_get_state(none, &control), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_set_state(none, &control), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_clear_buffer(none), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(sio_setup_peer_line(none, SIO_LINE_WAVE_MONITOR), ERR_SERIAL_NOT_OPEN);
    plat::port_handle variable = plat::kInvalidPort;
    EXPECT_EQ(sio_close(&variable), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(printed(), "");

    // The data functions do not check the handle; the platform refuses it.
    const char bytes[] = "abc";
    char buffer[4];
    uint32_t moved = 99;
    EXPECT_EQ(sio_send_data(none, bytes, 3, &moved), 1);
    EXPECT_EQ(moved, 0u);
    moved = 99;
    EXPECT_EQ(sio_read_data(none, buffer, 3, &moved), 1);
    EXPECT_EQ(moved, 0u);
    int32_t waiting = 99;
    EXPECT_EQ(sio_bytes_waiting(none, &waiting), 1);
    EXPECT_EQ(waiting, 0);
}

TEST(PortLifecycle, NullRecordsAreRefused) {
    if (!peer_available()) GTEST_SKIP() << kNoPeer;
    test_peer peer;
    ASSERT_TRUE(peer.is_open());
    plat::port_handle port = plat::kInvalidPort;
    ASSERT_EQ(sio_open(peer.device_path(), &port), NO_ERROR);
    EXPECT_EQ(sio_get_timeout(port, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(sio_get_state(port, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(sio_set_state(port, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(sio_bytes_waiting(port, nullptr), 1);
    EXPECT_EQ(sio_send_data(port, nullptr, 3, nullptr), 1);
    EXPECT_EQ(sio_read_data(port, nullptr, 3, nullptr), 1);
    EXPECT_EQ(sio_setup_peer_line(port, static_cast<sio_peer_line>(99)), ERR_INVALID_PARAM);
    EXPECT_EQ(sio_close(&port), NO_ERROR);
}

}  // namespace
}  // namespace serial_test
