// A serial instrument on a pseudo-terminal: bytes from the peer make the
// device manager report the port.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "device/device.h"
#include "errors/errors.h"
#include "platform/pseudo_terminal.h"
#include "seriallink/seriallink.h"
#include "sim/serial_peer/serial_peer.h"

namespace {

TEST(SerialDevice, BytesFromThePeerAreReportedWithTypeHandleAndContext) {
    sim::serial_peer peer;
    if (!peer.is_open()) GTEST_SKIP() << "no pseudo-terminal on this system";
    plat::port_handle port = plat::kInvalidPort;
    ASSERT_EQ(sio_open(peer.device_path(), &port), NO_ERROR);
    ASSERT_EQ(dev_init_cntrl(true), NO_ERROR);
    int context = 0;
    ASSERT_EQ(dev_add_device(DEV_SERIAL_8, port, &context), NO_ERROR);

    dev_info device{};
    EXPECT_EQ(dev_data_read(DEV_SERIAL_8, &device, 0), DEV_NO_DATA);  // a quiet line

    peer.send(sim::to_bytes("ready"));
    EXPECT_EQ(dev_data_read(DEV_SERIAL_8, &device, 1), DEV_SERIAL_8);
    EXPECT_EQ(device.type, DEV_SERIAL_8);
    EXPECT_EQ(device.handle, port);
    EXPECT_EQ(device.context, &context);

    EXPECT_EQ(dev_remove_device(port), NO_ERROR);
    dev_init_cntrl(true);
    EXPECT_EQ(sio_close(&port), NO_ERROR);
}

// Threads may still run while a program ends: the monitor thread polling the
// lines for a thread of the program that waits in dev_data_read, or that
// thread itself working a port. Nothing they touch in the serial layer may
// be destroyed at exit. The exit handler below stands in for them: it is
// registered before the serial layer makes its first static, so it runs
// after that static's destructor would have.
plat::port_handle g_exit_port = plat::kInvalidPort;
constexpr plat::serial_timeouts kExitTimeouts{1, 2, 3, 4, 5};

void use_the_port_at_exit() {
    dev_info device{};
    plat::serial_timeouts timeouts{};
    const bool polled = dev_data_read(DEV_SERIAL_8, &device, 0) == DEV_SERIAL_8;
    const bool kept = plat::serial_get_timeouts(g_exit_port, &timeouts) &&
                      timeouts.read_interval == kExitTimeouts.read_interval &&
                      timeouts.write_total_constant == kExitTimeouts.write_total_constant;
    std::_Exit(polled && kept ? 0 : 3);
}

TEST(SerialDevice, PortsStayUsableWhileTheProgramEnds) {
    if (!sim::serial_peer::available()) GTEST_SKIP() << "no pseudo-terminals on this system";
    // A fresh process, whose statics this test makes first.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(use_the_port_at_exit);
            plat::pty_pair pair;
            if (!plat::pty_open(&pair) || sio_open(pair.device_path, &g_exit_port) != NO_ERROR ||
                !plat::serial_set_timeouts(g_exit_port, kExitTimeouts) ||
                dev_init_cntrl(true) != NO_ERROR ||
                dev_add_device(DEV_SERIAL_8, g_exit_port, nullptr) != NO_ERROR ||
                plat::pty_write(pair.peer, "x", 1) != 1) {
                std::_Exit(2);
            }
            // The byte crosses the pseudo-terminal in its own time.
            plat::comm_status status{};
            for (int i = 0; i < 2000 && status.in_queue == 0; ++i) {
                if (!plat::serial_clear_error(g_exit_port, &status)) std::_Exit(2);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
