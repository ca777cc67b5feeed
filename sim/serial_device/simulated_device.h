// A simulated serial device: takes the bytes the library sends and answers
// from a state it keeps. Its answers may be damaged on purpose (faults) and
// may come in pieces with delays between them. Settings and observations go
// by name, as texts, so that a device run by the serial peer server is
// driven the same way as one in the test process.
//
// Every member may be called from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/serial_peer/serial_peer.h"

namespace sim {

// Bytes to send once delay has passed after the piece before them (or, for
// the first piece, after the bytes that it answers came).
struct timed_bytes {
    byte_string bytes;
    std::chrono::milliseconds delay{0};
};
using timed_answer = std::vector<timed_bytes>;

enum class device_fault {
    none,
    nak,           // a NAK (0x15) instead of the answer
    bad_checksum,  // the answer with its check damaged (the device says how)
    stray,         // a stray byte before the answer
    truncated,     // the answer without its last byte
    over_long,     // the answer and three bytes more
    silence,       // no answer at all
    stall,         // the first half of the answer, the rest after the stall time
    hostile,       // random and mutated answers, from the seed
};

// The fault's name ("nak", "bad_checksum", ...) and back; false for an
// unknown name.
const char* device_fault_name(device_fault fault);
bool device_fault_from_name(std::string_view name, device_fault* fault);
// Every fault's name, separated by ", ".
std::string device_fault_names();

class simulated_device {
  public:
    virtual ~simulated_device() = default;

    // Takes bytes from the line; appends what the device sends back.
    void receive(const uint8_t* bytes, size_t count, timed_answer* out);

    // Each of the next count answers carries the fault (count < 0: all).
    void inject(device_fault fault, int count, uint32_t seed = 1);

    // A setting or observation by name; false for an unknown name or a
    // value the setting does not take. "stall_ms" (default 2500) is the
    // pause of a stalled answer; "late_ms" (default 200) the spread of the
    // late pieces of hostile answers, which come between a tenth of it and
    // 1.1 times it after the rest; the device adds its own.
    bool set(std::string_view name, std::string_view value);
    bool get(std::string_view name, std::string* value) const;
    // The names set takes, for a person who gave another one.
    std::string setting_names() const;

    // Each message taken ("<-") and each answer sent ("->", with the fault
    // that shaped it), in readable form; none: no log. Called with the
    // device's lock held.
    using log_func = std::function<void(const std::string& line)>;
    void set_log(log_func log);

  protected:
    // With the lock held: the device's part of receive, set and get.
    virtual void take(const uint8_t* bytes, size_t count, timed_answer* out) = 0;
    virtual bool set_value(std::string_view name, std::string_view value) = 0;
    virtual bool get_value(std::string_view name, std::string* value) const = 0;
    virtual std::string value_names() const = 0;

    // Appends a complete answer, shaped by the fault of the moment;
    // with_bad_check is the answer as bad_checksum sends it.
    void answer(const byte_string& good, const byte_string& with_bad_check, timed_answer* out);
    // Logs a complete message the device has taken.
    void log_taken(std::string_view message) const;

  private:
    byte_string hostile(const byte_string& good, timed_answer* out);

    mutable std::mutex lock_;
    device_fault fault_ = device_fault::none;
    int fault_count_ = 0;
    std::mt19937 random_{1};
    std::chrono::milliseconds stall_{2500};
    std::chrono::milliseconds late_{200};
    log_func log_;
};

// Bytes as a person reads them: printable characters as they are, control
// characters by name (<CR>, <STX>, <ACK>, ...), other bytes as <hex>.
std::string readable_bytes(std::string_view bytes);

// Whole-text number conversions for settings; false for anything else.
bool parse_number(std::string_view text, double* value);
std::string format_number(double value);

}  // namespace sim
