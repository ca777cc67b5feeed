// A simulated serial device run by the native serial peer server, for
// Windows test processes, which have no pseudo-terminals (see
// remote_serial_peer.h and device_requests.h). The interface is
// device_peer's.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/serial_device/simulated_device.h"
#include "sim/serial_peer/remote_serial_peer.h"

namespace sim {

class remote_device_peer {
  public:
    static bool available() { return remote_serial_peer::available(); }

    explicit remote_device_peer(std::string_view kind);

    bool is_open() const { return peer_.is_open() && attached_; }
    const char* device_path() const { return peer_.device_path(); }

    void inject(device_fault fault, int count, uint32_t seed = 1);
    bool set(std::string_view name, std::string_view value);
    std::string get(std::string_view name) const;

    byte_string received() const { return peer_.received(); }
    void clear_received() { peer_.clear_received(); }
    bool wait_received(size_t count, std::chrono::milliseconds limit) {
        return peer_.wait_received(count, limit);
    }
    bool wait_idle(std::chrono::milliseconds limit);
    bool line_settings(plat::pty_line_settings* settings) const {
        return peer_.line_settings(settings);
    }

  private:
    remote_serial_peer peer_;
    bool attached_ = false;
};

}  // namespace sim
