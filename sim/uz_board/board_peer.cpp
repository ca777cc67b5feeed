#include "sim/uz_board/board_peer.h"

namespace sim {

void attach_board(serial_peer& peer, uz_board& board) {
    peer.set_responder([&board](const uint8_t* bytes, size_t count, byte_string* answer) {
        board.receive(bytes, count, answer);
    });
}

board_peer::board_peer(int32_t board_type) : board_(board_type) {
    attach_board(peer_, board_);
}

}  // namespace sim
