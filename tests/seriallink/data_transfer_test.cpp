// Moving bytes against the pseudo-terminal peer: time-outs, short reads, the
// gap after a byte, sending, queue counts and draining the line.
#include <cstring>
#include <string>
#include <vector>

#include "serial_test_support.h"
#include "seriallink/wait_bounds.h"

namespace serial_test {
namespace {

using clock_type = std::chrono::steady_clock;

class DataTransfer : public PeerPort {
  protected:
    void SetUp() override {
        PeerPort::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(sio_setup_peer_line(port, SIO_LINE_INSTRUMENT_BOARD), NO_ERROR);
    }

    void send_text(const char* text) {
        uint32_t written = 0;
        ASSERT_EQ(sio_send_data(port, text, static_cast<int32_t>(std::strlen(text)), &written), 0);
        ASSERT_EQ(written, std::strlen(text));
    }
};

int64_t ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

TEST_F(DataTransfer, TimeoutInSecondsIsTheReadTotalConstant) {
    int32_t seconds = -1;
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 2);
    EXPECT_EQ(sio_set_timeout(port, 10), NO_ERROR);
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 10);
    plat::serial_timeouts timeouts{};
    ASSERT_TRUE(plat::serial_get_timeouts(port, &timeouts));
    EXPECT_EQ(timeouts.read_interval, 100u);
    EXPECT_EQ(timeouts.read_total_multiplier, 0u);
    EXPECT_EQ(timeouts.read_total_constant, 10000u);
    EXPECT_EQ(timeouts.write_total_multiplier, 0u);
    EXPECT_EQ(timeouts.write_total_constant, 1000u);

    // Seconds whose milliseconds do not fit the record are refused.
    EXPECT_EQ(sio_set_timeout(port, -1), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(sio_set_timeout(port, 4294968), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 10);
}

TEST_F(DataTransfer, ReadTimeoutsFollowTheScaleAndReadBackInItsSeconds) {
    const scaled_read_timeouts quick(50);
    ASSERT_EQ(sio_init(port, nullptr, 0), NO_ERROR);
    plat::serial_timeouts timeouts{};
    ASSERT_TRUE(plat::serial_get_timeouts(port, &timeouts));
    EXPECT_EQ(timeouts.read_interval, 5u);
    EXPECT_EQ(timeouts.read_total_constant, 100u);
    EXPECT_EQ(timeouts.write_total_constant, 1000u);  // writes keep theirs
    int32_t seconds = -1;
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 2);
    EXPECT_EQ(sio_set_timeout(port, 7), NO_ERROR);
    ASSERT_TRUE(plat::serial_get_timeouts(port, &timeouts));
    EXPECT_EQ(timeouts.read_total_constant, 350u);
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 7);
    // The range is that of the unscaled seconds.
    EXPECT_EQ(sio_set_timeout(port, 4294968), ERR_PARAM_OUT_OF_RANGE);
    // A read of a silent line ends at the scaled time-out.
    char byte = 0;
    uint32_t count = 7;
    EXPECT_EQ(sio_read_data(port, &byte, 1, &count), 1);
    EXPECT_EQ(count, 0u);
}

TEST_F(DataTransfer, SentBytesReachThePeer) {
    std::vector<uint8_t> frame(300);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7 + 1);
    uint32_t written = 0;
    EXPECT_EQ(sio_send_data(port, frame.data(), static_cast<int32_t>(frame.size()), &written), 0);
    EXPECT_EQ(written, frame.size());
    ASSERT_TRUE(peer.wait_received(frame.size(), kEventLimit));
    EXPECT_EQ(peer.received(), frame);
    EXPECT_EQ(sio_send_data(port, "x", 0, &written), 0);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(sio_send_data(port, "x", -1, &written), 1);
}

TEST_F(DataTransfer, ShortReadKeepsTheBytesThatCame) {
    peer.add_step({sim::to_bytes("Q"), sim::to_bytes("abc"), 0ms});
    send_text("Q");
    char buffer[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(sio_read_data(port, buffer, 5, &count), 1);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(DataTransfer, FullReadSucceeds) {
    peer.add_step({sim::to_bytes("Q"), sim::to_bytes("12345"), 50ms});
    send_text("Q");
    char buffer[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(sio_read_data(port, buffer, 5, &count), 0);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(std::string(buffer, 5), "12345");
    EXPECT_EQ(sio_read_data(port, buffer, 0, &count), 0);
    EXPECT_EQ(sio_read_data(port, buffer, -1, &count), 1);
}

TEST_F(DataTransfer, GapAfterAByteEndsTheReadEarly) {
    // No total time-out: only the gap after a byte can end this read before
    // all five bytes are in.
    ASSERT_EQ(sio_set_timeout(port, 0), NO_ERROR);
    peer.add_steps(
        {{sim::to_bytes("G"), sim::to_bytes("ab"), 0ms}, {{}, sim::to_bytes("cde"), 3000ms}});
    send_text("G");
    char buffer[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(sio_read_data(port, buffer, 5, &count), 1);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    // The late bytes are there for the next read.
    ASSERT_TRUE(peer.wait_script_done(kEventLimit));
    EXPECT_EQ(sio_read_data(port, buffer, 3, &count), 0);
    EXPECT_EQ(std::string(buffer, 3), "cde");
}

TEST_F(DataTransfer, FirstByteMayTakeLongerThanTheGap) {
    peer.add_step({sim::to_bytes("S"), sim::to_bytes("z"), 400ms});
    send_text("S");
    char byte = 0;
    uint32_t count = 0;
    EXPECT_EQ(sio_read_data(port, &byte, 1, &count), 0);
    EXPECT_EQ(byte, 'z');
}

TEST_F(DataTransfer, ReadOfASilentLineEndsAtTheTotalTimeout) {
    ASSERT_EQ(sio_set_timeout(port, 1), NO_ERROR);
    char byte = 0;
    uint32_t count = 7;
    const auto start = clock_type::now();
    EXPECT_EQ(sio_read_data(port, &byte, 1, &count), 1);
    const int64_t took = ms_since(start);
    EXPECT_EQ(count, 0u);
    EXPECT_GE(took, 990);  // the deadline is never cut short
    EXPECT_LT(took, 20000);
}

TEST_F(DataTransfer, TimeoutRecordSpecialCases) {
    plat::serial_timeouts at_once{plat::kTimeoutMax, 0, 0, 0, 1000};
    ASSERT_TRUE(plat::serial_set_timeouts(port, at_once));
    char buffer[8] = {};
    uint32_t count = 9;
    EXPECT_EQ(sio_read_data(port, buffer, 4, &count), 1);
    EXPECT_EQ(count, 0u);

    // Wait for a first byte, then take what is there without waiting for more.
    plat::serial_timeouts first_byte{plat::kTimeoutMax, plat::kTimeoutMax, 5000, 0, 1000};
    ASSERT_TRUE(plat::serial_set_timeouts(port, first_byte));
    peer.add_step({sim::to_bytes("F"), sim::to_bytes("xy"), 200ms});
    send_text("F");
    EXPECT_EQ(sio_read_data(port, buffer, 8, &count), 1);
    EXPECT_GE(count, 1u);
    EXPECT_EQ(buffer[0], 'x');
}

TEST_F(DataTransfer, SendToAPeerThatStopsReadingFailsWithinTheWriteTimeout) {
    peer.pause_reading(true);
    std::vector<uint8_t> block(1 << 20, 0x41);
    uint32_t written = 0;
    const auto start = clock_type::now();
    EXPECT_EQ(sio_send_data(port, block.data(), static_cast<int32_t>(block.size()), &written), 1);
    EXPECT_LT(written, block.size());
    EXPECT_LT(ms_since(start), 20000);
    peer.pause_reading(false);
}

TEST_F(DataTransfer, BytesWaitingCountsTheInputQueue) {
    int32_t waiting = -1;
    EXPECT_EQ(sio_bytes_waiting(port, &waiting), 0);
    EXPECT_EQ(waiting, 0);
    peer.send(sim::to_bytes("four"));
    ASSERT_TRUE(bytes_arrive(port, 4));
    EXPECT_EQ(sio_bytes_waiting(port, &waiting), 0);
    EXPECT_EQ(waiting, 4);
}

TEST_F(DataTransfer, ClearBufferOnAQuietLine) {
    peer.send(sim::to_bytes("stale bytes"));
    ASSERT_TRUE(bytes_arrive(port, 11));
    ASSERT_EQ(sio_set_timeout(port, 7), NO_ERROR);
    plat::serial_timeouts before{};
    ASSERT_TRUE(plat::serial_get_timeouts(port, &before));

    EXPECT_EQ(sio_clear_buffer(port), 0);
    int32_t waiting = -1;
    EXPECT_EQ(sio_bytes_waiting(port, &waiting), 0);
    EXPECT_EQ(waiting, 0);
    plat::serial_timeouts after{};
    ASSERT_TRUE(plat::serial_get_timeouts(port, &after));
    EXPECT_EQ(after.read_total_constant, before.read_total_constant);
    EXPECT_EQ(after.read_interval, before.read_interval);
}

// A frame sent has left the host, as on a real line where the send waited
// for the output queue to empty: clearing the line at once must not take
// back the bytes the peer has not read yet.
TEST_F(DataTransfer, ClearBufferRightAfterASendKeepsWhatWasSent) {
    const scaled_read_timeouts quick(50);
    peer.record(true);
    std::vector<uint8_t> frame(2049);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7);
    constexpr size_t kSends = 12;
    for (size_t i = 0; i < kSends; ++i) {
        uint32_t written = 0;
        ASSERT_EQ(sio_send_data(port, frame.data(), static_cast<int32_t>(frame.size()), &written),
                  0);
        ASSERT_EQ(sio_clear_buffer(port), 0);
    }
    ASSERT_TRUE(peer.wait_received(kSends * frame.size(), 5s))
        << peer.received().size() << " of " << kSends * frame.size() << " bytes arrived";
    EXPECT_EQ(peer.received().size(), kSends * frame.size());
}

TEST_F(DataTransfer, ClearBufferGivesUpOnALineThatKeepsTalking) {
    seriallink::wait_bounds& bounds = seriallink::bounds();
    const int64_t saved = bounds.clear_quiet_ms.load();
    bounds.clear_quiet_ms = 300;
    peer.keep_busy(true, sim::to_bytes("chatter"), 1ms);
    ASSERT_TRUE(bytes_arrive(port, 1));
    const auto start = clock_type::now();
    EXPECT_EQ(sio_clear_buffer(port), 1);
    EXPECT_LT(ms_since(start), 20000);
    bounds.clear_quiet_ms = saved;
    int32_t seconds = 0;
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 2);

    // Once the peer falls silent the line drains.
    peer.keep_busy(false);
    EXPECT_EQ(sio_clear_buffer(port), 0);
}

}  // namespace
}  // namespace serial_test
