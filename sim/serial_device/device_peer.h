// A simulated serial device on a pseudo-terminal: the library opens
// device_path() as the device's port. Everything received is recorded, as
// by any serial peer.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "sim/serial_device/device_host.h"
#include "sim/serial_peer/serial_peer.h"

namespace sim {

class device_peer {
  public:
    static bool available() { return serial_peer::available(); }

    // kind: see make_device.
    explicit device_peer(std::string_view kind);

    bool is_open() const { return peer_.is_open() && host_ != nullptr; }
    const char* device_path() const { return peer_.device_path(); }

    void inject(device_fault fault, int count, uint32_t seed = 1) {
        host_->device().inject(fault, count, seed);
    }
    bool set(std::string_view name, std::string_view value) {
        return host_->device().set(name, value);
    }
    // The value's text; empty for an unknown name.
    std::string get(std::string_view name) const;
    std::string setting_names() const { return host_->device().setting_names(); }

    byte_string received() const { return peer_.received(); }
    void clear_received() { peer_.clear_received(); }
    bool wait_received(size_t count, std::chrono::milliseconds limit) {
        return peer_.wait_received(count, limit);
    }
    // See device_host::wait_idle.
    bool wait_idle(std::chrono::milliseconds limit) { return host_->wait_idle(limit); }
    bool line_settings(plat::pty_line_settings* settings) const {
        return peer_.line_settings(settings);
    }
    // Logs each message taken and answer sent (see simulated_device::set_log).
    void set_log(simulated_device::log_func log) { host_->device().set_log(std::move(log)); }
    // Recording is on from the start; a long-running device turns it off.
    void record(bool on) { peer_.record(on); }

  private:
    serial_peer peer_;
    std::unique_ptr<device_host> host_;  // after the peer: it goes first
};

}  // namespace sim
