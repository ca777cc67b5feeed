#include "sim/uz_board/remote_board_peer.h"

#include <string>

#include "sim/serial_peer/peer_protocol.h"

namespace sim {

remote_board_peer::remote_board_peer(int32_t board_type) {
    attached_ = !peer_.request("board", std::to_string(board_type)).empty();
}

void remote_board_peer::inject(uz_fault fault, int count, uint32_t seed) {
    peer_.request("fault", std::string(uz_fault_name(fault)) + " " + std::to_string(count) + " " +
                               std::to_string(seed));
}

void remote_board_peer::send_report(uint8_t code, uint8_t value) {
    peer_.request("report", std::to_string(code) + " " + std::to_string(value));
}

void remote_board_peer::set_software_version(uint8_t version) {
    peer_.request("version", std::to_string(version));
}

void remote_board_peer::set_query_data(uint8_t code, const byte_string& data) {
    peer_.request("query_data", std::to_string(code) + " " + peer_protocol::to_hex(data));
}

}  // namespace sim
