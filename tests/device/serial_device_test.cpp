// A serial instrument on a pseudo-terminal: bytes from the peer make the
// device manager report the port.
#include <gtest/gtest.h>

#include <chrono>

#include "device/device.h"
#include "errors/errors.h"
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

}  // namespace
