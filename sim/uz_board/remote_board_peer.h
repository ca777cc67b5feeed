// The simulated instrument board run by the native serial peer server, for
// Windows test processes, which have no pseudo-terminals (see
// remote_serial_peer.h). The interface is board_peer's, less the direct
// access to the board.
#pragma once

#include <chrono>
#include <cstdint>

#include "sim/serial_peer/remote_serial_peer.h"
#include "sim/uz_board/uz_board.h"

namespace sim {

class remote_board_peer {
  public:
    static bool available() { return remote_serial_peer::available(); }

    explicit remote_board_peer(int32_t board_type);

    bool is_open() const { return peer_.is_open() && attached_; }
    const char* device_path() const { return peer_.device_path(); }

    void inject(uz_fault fault, int count, uint32_t seed = 1);
    void send_report(uint8_t code, uint8_t value);
    void set_software_version(uint8_t version);
    void set_query_data(uint8_t code, const byte_string& data);

    byte_string received() const { return peer_.received(); }
    void clear_received() { peer_.clear_received(); }
    bool wait_received(size_t count, std::chrono::milliseconds limit) {
        return peer_.wait_received(count, limit);
    }
    void record(bool on) { peer_.record(on); }

  private:
    remote_serial_peer peer_;
    bool attached_ = false;
};

}  // namespace sim
