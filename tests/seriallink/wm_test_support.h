// The wave monitor's line on a scripted peer, for the tests of the exact
// bytes of its commands and answers.
#pragma once

#include <bit>

#include "device_test_support.h"
#include "util/util.h"

namespace serial_test {

class WmLine : public PeerPort {
  protected:
    void SetUp() override {
        PeerPort::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(sio_setup_peer_line(port, SIO_LINE_WAVE_MONITOR), NO_ERROR);
        // The rest of an answer is read under the port's own time-out: one
        // second here, so that a missing byte costs no more.
        ASSERT_EQ(sio_set_timeout(port, 1), NO_ERROR);
        u_bytebuf_init(&response);
    }
    void TearDown() override {
        u_bytebuf_free(&response);
        PeerPort::TearDown();
    }

    // The peer answers the command, once it has come with its carriage return.
    void on(const char* command, const sim::byte_string& answer) {
        peer.add_step({text_then(command, {0x0D}), answer, 0ms});
    }

    // What the library printed, time stamps removed.
    static std::string said() { return without_stamps(printed()); }

    short_waits waits;
    u_bytebuf response{};
};

// Little-endian words of an answer.
inline void put_word(sim::byte_string* bytes, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) bytes->push_back(static_cast<uint8_t>(word >> shift));
}

inline void put_float(sim::byte_string* bytes, float value) {
    put_word(bytes, std::bit_cast<uint32_t>(value));
}

}  // namespace serial_test
