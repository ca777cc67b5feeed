// Shared pieces of the serial layer tests: a port opened on a fresh
// pseudo-terminal peer, and a capture of the library's printed messages.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <thread>

#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"
#include "sim/serial_peer/serial_peer.h"
#if defined(_WIN32)
#include "sim/serial_peer/remote_serial_peer.h"
#endif

namespace serial_test {

// The peer at the far end of the line: on its own thread in this process, or
// on Windows, which has no pseudo-terminals, in the native serial peer server.
#if defined(_WIN32)
using test_peer = sim::remote_serial_peer;
#else
using test_peer = sim::serial_peer;
#endif

// On Windows the line is Wine's COM port on the server's pseudo-terminal.
// Its driver works through termios and differs from Windows' own drivers
// where termios has no room: one flag serves both hardware handshakes, so
// RTS handshake shows as CTS flow on the line; the pseudo-terminal refuses
// some requests for parity framing outright; and a second opener of the
// port is not kept out.
#if defined(_WIN32)
inline constexpr bool kWineComPort = true;
#else
inline constexpr bool kWineComPort = false;
#endif

inline bool peer_available() {
    static const bool available = test_peer::available();
    return available;
}

// Why a test that needs the serial peer is skipped where none can run.
inline constexpr const char* kNoPeer =
    "no serial peer: this system has no pseudo-terminals, and no serial peer server answers "
    "on the control line named by GRIDTEXT_SERIAL_PEER_CONTROL (.ci/windows starts one)";

using namespace std::chrono_literals;

// How long a test waits for an event of the peer that it expects: however
// busy the machine, the event comes well within it.
inline constexpr std::chrono::milliseconds kEventLimit{30000};

inline std::string& printed() {
    static std::string text;
    return text;
}

U_PRINTF_FORMAT(1, 2) inline void capture_print(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    printed() += line;
}

// Sends the library's messages into printed() for the life of the object.
class print_capture {
  public:
    print_capture() : saved_(gl_PrintFunc) {
        printed().clear();
        gl_PrintFunc = capture_print;
    }
    ~print_capture() { gl_PrintFunc = saved_; }
    print_capture(const print_capture&) = delete;
    print_capture& operator=(const print_capture&) = delete;

  private:
    u_print_func saved_;
};

// Waits until the port has at least count bytes waiting; false after
// kEventLimit.
inline bool bytes_arrive(plat::port_handle port, int32_t count) {
    const auto until = std::chrono::steady_clock::now() + kEventLimit;
    int32_t waiting = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (sio_bytes_waiting(port, &waiting) == 0 && waiting >= count) return true;
        std::this_thread::sleep_for(2ms);
    }
    return false;
}

// Every read time-out the serial layer puts on a port scaled to permille
// thousandths for the life of the object. A port keeps the time-outs set
// under the scale: set them again after it.
class scaled_read_timeouts {
  public:
    explicit scaled_read_timeouts(int32_t permille)
        : saved_(seriallink::bounds().read_timeout_permille.exchange(permille)) {}
    ~scaled_read_timeouts() { seriallink::bounds().read_timeout_permille = saved_; }
    scaled_read_timeouts(const scaled_read_timeouts&) = delete;
    scaled_read_timeouts& operator=(const scaled_read_timeouts&) = delete;

  private:
    int32_t saved_;
};

// For the life of the object every read time-out the layer sets is a tenth:
// a first-byte wait of the links (10 s) runs out after a second. Time-outs already
// on a port keep their value.
class first_byte_timeout {
  public:
    first_byte_timeout() = default;

  private:
    scaled_read_timeouts tenth_{100};
};

// Hostile peers are met with a twentieth of each read time-out: the same
// exchanges, with a missing byte costing 50 ms of a second.
inline constexpr int32_t kHostileReadPermille = 50;

class PeerPort : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!peer_available()) GTEST_SKIP() << kNoPeer;
        ASSERT_TRUE(peer.is_open());
        ASSERT_EQ(sio_open(peer.device_path(), &port), NO_ERROR);
    }
    void TearDown() override {
        if (port != plat::kInvalidPort) {
            EXPECT_EQ(sio_close(&port), NO_ERROR);
        }
    }

    plat::pty_line_settings line() const {
        plat::pty_line_settings settings{};
        EXPECT_TRUE(peer.line_settings(&settings));
        return settings;
    }

    // The line as the peer sees it, byte size and parity also in the port's
    // record (a terminal that cannot hold them leaves the record to tell).
    void expect_line(uint32_t baud, uint8_t data_bits, char parity, uint8_t stop_bits) const {
        const plat::pty_line_settings seen = line();
        EXPECT_EQ(seen.baud, baud);
        EXPECT_EQ(seen.stop_bits, stop_bits);
        if (seen.framing_known) {
            EXPECT_EQ(seen.data_bits, data_bits);
            EXPECT_EQ(seen.parity, parity);
        }
        const sio_control control = state();
        EXPECT_EQ(control.baud_rate, baud);
        EXPECT_EQ(control.byte_size, data_bits);
        const char* const parities = "NOEMS";
        ASSERT_LT(control.parity, 5);
        EXPECT_EQ(parities[control.parity], parity);
        EXPECT_EQ(control.stop_bits == plat::kOneStopBit ? 1 : 2, stop_bits);
    }

    sio_control state() const {
        sio_control control{};
        EXPECT_EQ(sio_get_state(port, &control), NO_ERROR);
        return control;
    }

    print_capture capture;
    test_peer peer;
    plat::port_handle port = plat::kInvalidPort;
};

}  // namespace serial_test
