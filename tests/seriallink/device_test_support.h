// Shared pieces of the wave monitor and temperature sensor tests: the
// simulated device at the far end of a line, the long waits shortened, and
// printed messages without their time stamps.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "serial_test_support.h"
#include "seriallink/wait_bounds.h"
#include "sim/serial_device/simulated_device.h"
#if defined(_WIN32)
#include "sim/serial_device/remote_device_peer.h"
#else
#include "sim/serial_device/device_peer.h"
#endif

namespace serial_test {

#if defined(_WIN32)
using test_device = sim::remote_device_peer;
#else
using test_device = sim::device_peer;
#endif

// The long waits of the two links cut to a few milliseconds for the life of
// the object: the laser's rounds and the sensor's settling. The first-byte
// waits keep the links' 10 s, a generous bound for an answer that comes
// however busy the machine is; a wait that is to run out is cut short by
// first_byte_timeout (serial_test_support.h).
class short_waits {
  public:
    short_waits() {
        seriallink::wait_bounds& b = seriallink::bounds();
        b.wm_laser_round_ms = 5;
        b.temp_settle_ms = 5;
    }
    ~short_waits() {
        const seriallink::wait_bounds defaults_holder{};
        seriallink::wait_bounds& b = seriallink::bounds();
        b.wm_first_byte_s = defaults_holder.wm_first_byte_s.load();
        b.temp_first_byte_s = defaults_holder.temp_first_byte_s.load();
        b.wm_laser_round_ms = defaults_holder.wm_laser_round_ms.load();
        b.temp_settle_ms = defaults_holder.temp_settle_ms.load();
    }
    short_waits(const short_waits&) = delete;
    short_waits& operator=(const short_waits&) = delete;
};

// The late pieces of hostile answers come within this under
// kHostileReadPermille (the device's own spread is 200 ms of a second).
inline constexpr int kHostileLateMs = 200 * kHostileReadPermille / 1000;

// The text with the "YYYY-MM-DD HH:MM:SS " stamp at the start of each line
// removed.
inline std::string without_stamps(const std::string& text) {
    std::string result;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, end - at);
        const char* const shape = "dddd-dd-dd dd:dd:dd ";
        bool stamped = line.size() > 20;
        for (size_t i = 0; stamped && i < 20; ++i) {
            const unsigned char c = static_cast<unsigned char>(line[i]);
            stamped = shape[i] == 'd' ? std::isdigit(c) != 0 : line[i] == shape[i];
        }
        result += stamped ? line.substr(20) : line;
        at = end;
    }
    return result;
}

inline sim::byte_string bytes_of(std::initializer_list<uint8_t> bytes) {
    return sim::byte_string(bytes);
}

// The bytes of the text followed by more bytes.
inline sim::byte_string text_then(const char* text, std::initializer_list<uint8_t> more) {
    sim::byte_string bytes = sim::to_bytes(text);
    bytes.insert(bytes.end(), more);
    return bytes;
}

}  // namespace serial_test
