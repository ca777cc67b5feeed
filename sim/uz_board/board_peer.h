// The simulated instrument board on a pseudo-terminal: a serial peer whose
// answers come from a uz_board. The library opens device_path() as the
// board's port. Everything received is recorded as by any serial peer.
#pragma once

#include <chrono>
#include <cstdint>

#include "sim/serial_peer/serial_peer.h"
#include "sim/uz_board/uz_board.h"

namespace sim {

// Lets the board answer what the peer receives; the board must outlive the
// peer's use of it (stop with peer.set_responder({}) or by destroying the
// peer first).
void attach_board(serial_peer& peer, uz_board& board);

class board_peer {
  public:
    static bool available() { return serial_peer::available(); }

    explicit board_peer(int32_t board_type);
    board_peer(const board_peer&) = delete;
    board_peer& operator=(const board_peer&) = delete;

    bool is_open() const { return peer_.is_open() && board_.is_valid(); }
    const char* device_path() const { return peer_.device_path(); }

    void inject(uz_fault fault, int count, uint32_t seed = 1) { board_.inject(fault, count, seed); }
    // Sends a report frame of the board now.
    void send_report(uint8_t code, uint8_t value) { peer_.send(board_.report(code, value)); }
    void set_software_version(uint8_t version) { board_.set_software_version(version); }
    void set_query_data(uint8_t code, const byte_string& data) {
        board_.set_query_data(code, data);
    }

    // Where the board's ramp starts publish their scans (uz_board::set_scan_file).
    void set_scan_file(const std::string& path) { board_.set_scan_file(path); }

    byte_string received() const { return peer_.received(); }
    void clear_received() { peer_.clear_received(); }
    bool wait_received(size_t count, std::chrono::milliseconds limit) {
        return peer_.wait_received(count, limit);
    }
    void record(bool on) { peer_.record(on); }
    // True once the board has answered everything that had come and sent
    // its answers (serial_peer::wait_settled).
    bool wait_settled(std::chrono::milliseconds limit) { return peer_.wait_settled(limit); }

    uz_board& board() { return board_; }

  private:
    uz_board board_;  // declared first: the peer's thread uses it until the peer is gone
    serial_peer peer_;
};

}  // namespace sim
