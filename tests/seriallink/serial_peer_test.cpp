// The pseudo-terminal peer that later protocol tests build on: a script
// answers in order even when its expected bytes come in pieces.
#include <cstring>
#include <string>

#include "serial_test_support.h"

namespace serial_test {
namespace {

using SerialPeer = PeerPort;

TEST_F(SerialPeer, ScriptAnswersInOrderWhenRequestsComeInPieces) {
    ASSERT_EQ(sio_setup_peer_line(port, SIO_LINE_WAVE_MONITOR), NO_ERROR);
    peer.add_steps({{sim::to_bytes("HELLO\r"), sim::to_bytes("one"), 0ms},
                    {sim::to_bytes("AGAIN\r"), sim::to_bytes("two"), 20ms}});
    uint32_t written = 0;
    for (const char* piece : {"HEL", "LO\r", "junk AG", "AIN\r"}) {
        ASSERT_EQ(sio_send_data(port, piece, static_cast<int32_t>(std::strlen(piece)), &written),
                  0);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(peer.wait_script_done(kEventLimit));
    EXPECT_EQ(peer.steps_done(), 2u);
    char buffer[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(sio_read_data(port, buffer, 6, &count), 0);
    EXPECT_EQ(std::string(buffer, 6), "onetwo");
    EXPECT_EQ(peer.received(), sim::to_bytes("HELLO\rjunk AGAIN\r"));

    // An expected text that never comes holds the script there.
    peer.add_step({sim::to_bytes("NEVER"), sim::to_bytes("x"), 0ms});
    EXPECT_FALSE(peer.wait_script_done(50ms));
    EXPECT_EQ(peer.steps_done(), 2u);
    peer.clear_received();
    EXPECT_TRUE(peer.received().empty());
}

}  // namespace
}  // namespace serial_test
