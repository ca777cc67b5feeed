// A serial peer on a pseudo-terminal: the library opens device_path() as its
// port while this side plays the device. A script of steps runs on the
// peer's own thread: each step waits until the expected bytes have come
// (anywhere after the previous step's match), waits its delay, then answers.
// Everything received is recorded. The peer can also send bytes at once,
// keep the line busy with a repeating pattern, or stop reading. A responder
// turns it into a device with a state of its own: it is given every chunk of
// bytes as it comes and answers at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/pseudo_terminal.h"

namespace sim {

using byte_string = std::vector<uint8_t>;

inline byte_string to_bytes(std::string_view text) {
    return byte_string(text.begin(), text.end());
}

struct serial_step {
    byte_string expect;  // empty: answer without waiting for input
    byte_string answer;
    std::chrono::milliseconds delay{0};
};

// Takes bytes just received from the line and appends the answer to *answer.
// Runs on the peer's thread.
using serial_responder =
    std::function<void(const uint8_t* bytes, size_t count, byte_string* answer)>;

class serial_peer {
  public:
    // Whether peers can run on this system at all (it has pseudo-terminals).
    static bool available() { return plat::kHasPseudoTerminals; }

    serial_peer();
    ~serial_peer();
    serial_peer(const serial_peer&) = delete;
    serial_peer& operator=(const serial_peer&) = delete;

    // False when no pseudo-terminal could be opened.
    bool is_open() const { return open_; }
    const char* device_path() const { return pair_.device_path; }

    // Appends steps to the script.
    void add_steps(const std::vector<serial_step>& steps);
    void add_step(const serial_step& step) { add_steps({step}); }
    // True once every step added so far has answered; false after the limit.
    bool wait_script_done(std::chrono::milliseconds limit);
    size_t steps_done() const;

    // Sends bytes now, ahead of any busy pattern.
    void send(const byte_string& bytes);
    // While on, repeats the pattern every period.
    void keep_busy(bool on, const byte_string& pattern = {0x55},
                   std::chrono::milliseconds period = std::chrono::milliseconds(5));
    // While paused the peer reads nothing, so the port's output backs up.
    void pause_reading(bool paused);
    // Answers every chunk received through the responder from now on
    // (none: stop answering).
    void set_responder(serial_responder responder);
    // Recording is on from the start; a long-running device turns it off.
    // Script steps match only recorded bytes.
    void record(bool on);

    byte_string received() const;
    // True once at least count bytes have been received; false after the limit.
    bool wait_received(size_t count, std::chrono::milliseconds limit);
    // True once the peer has taken every byte that had come from the line
    // when it was called and has written everything it had to send; false
    // after the limit.
    bool wait_settled(std::chrono::milliseconds limit);
    void clear_received();

    // The port's line settings as seen from this side.
    bool line_settings(plat::pty_line_settings* settings) const;

  private:
    using clock_type = std::chrono::steady_clock;

    void run();
    void advance_script(clock_type::time_point now);  // with lock_ held
    void write_pending();

    plat::pty_pair pair_{};
    bool open_ = false;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool paused_ = false;
    bool recording_ = true;
    serial_responder responder_;
    byte_string received_;
    size_t match_from_ = 0;  // where the current step's search starts
    std::vector<serial_step> script_;
    size_t next_step_ = 0;
    bool step_matched_ = false;
    clock_type::time_point answer_at_{};
    std::deque<uint8_t> outgoing_;
    bool busy_ = false;
    byte_string busy_pattern_;
    std::chrono::milliseconds busy_period_{5};
    clock_type::time_point next_busy_{};
    uint64_t rounds_ = 0;  // of the peer's thread, each one a read and a write

    std::thread thread_;
};

}  // namespace sim
