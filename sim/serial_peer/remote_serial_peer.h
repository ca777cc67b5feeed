// A serial peer that runs in another, native process: the serial peer server
// (serial_peer_server.cpp) runs each peer on a pseudo-terminal and links a
// COM port name to it, and this class drives it over a control line (another
// such COM port) named by the GRIDTEXT_SERIAL_PEER_CONTROL variable.
//
// Windows has no pseudo-terminals; under Wine, whose COM ports are links to
// device files, this lets the serial layer's tests run against the Win32
// backend with the same peer the POSIX tests use. The interface is
// serial_peer's.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pseudo_terminal.h"
#include "sim/serial_peer/serial_peer.h"

namespace sim {

class remote_serial_peer {
  public:
    // The variable that names the control line.
    static constexpr const char* kControlVariable = "GRIDTEXT_SERIAL_PEER_CONTROL";

    // Whether a server answers on the control line.
    static bool available();

    remote_serial_peer();
    ~remote_serial_peer();
    remote_serial_peer(const remote_serial_peer&) = delete;
    remote_serial_peer& operator=(const remote_serial_peer&) = delete;

    bool is_open() const { return id_ >= 0; }
    // The COM port linked to this peer's pseudo-terminal.
    const char* device_path() const { return port_name_.c_str(); }

    void add_steps(const std::vector<serial_step>& steps);
    void add_step(const serial_step& step) { add_steps({step}); }
    bool wait_script_done(std::chrono::milliseconds limit);
    size_t steps_done() const;

    void send(const byte_string& bytes);
    void keep_busy(bool on, const byte_string& pattern = {0x55},
                   std::chrono::milliseconds period = std::chrono::milliseconds(5));
    void pause_reading(bool paused);

    byte_string received() const;
    bool wait_received(size_t count, std::chrono::milliseconds limit);
    void clear_received();

    bool line_settings(plat::pty_line_settings* settings) const;

    // While off, the server's peer records nothing (script steps need it on).
    void record(bool on);

    // Sends "<verb> <id> <arguments>" and returns the reply's fields, "ok"
    // first; empty when the request failed. wait is how long the server may
    // take beyond the usual.
    std::vector<std::string> request(const std::string& verb, const std::string& arguments = "",
                                     std::chrono::milliseconds wait = {}) const;

  private:
    int64_t id_ = -1;
    std::string port_name_;
};

}  // namespace sim
