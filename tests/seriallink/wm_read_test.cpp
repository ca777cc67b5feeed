// Reading wave monitor answers of the four kinds: what each accepts, the
// detail line of each fault, the first-byte wait, the hostile element count,
// and the line drained after a damaged answer.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "wm_test_support.h"

namespace serial_test {
namespace {

using clock_type = std::chrono::steady_clock;

class WmRead : public WmLine {
  protected:
    int32_t read(int32_t resp_len, int32_t kind, int32_t elem_size = -1, int32_t timeout_s = 0) {
        return wm_comm_read(&port, &response, resp_len, elem_size, kind, timeout_s);
    }
    // The read fails with the code and prints exactly this line (time stamp
    // removed), and the buffer is released.
    void expect_failure(int32_t code, const std::string& line, int32_t resp_len, int32_t kind,
                        int32_t elem_size = -1) {
        printed().clear();
        EXPECT_EQ(read(resp_len, kind, elem_size), code);
        EXPECT_EQ(said(), line);
        EXPECT_EQ(response.data, nullptr);
        EXPECT_EQ(response.capacity, 0u);
    }
};

TEST_F(WmRead, AckKind) {
    peer.send({0x06});
    EXPECT_EQ(read(0, WM_RESP_ACK), NO_ERROR);
    ASSERT_EQ(response.length, 1u);
    EXPECT_EQ(response.data[0], 0x06);

    peer.send({0x15});
    expect_failure(ERR_WM_NAK, "wm_comm_read: ERR_WM_NAK: WM_RESP_ACK: received NAK\n", 0,
                   WM_RESP_ACK);
    peer.send({0x41});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_ACK: invalid response 0x41, expected ACK "
                   "or NAK\n",
                   0, WM_RESP_ACK);
}

TEST_F(WmRead, ReadKindTakesTheDataAlone) {
    peer.send({1, 2, 3, 0x06});
    EXPECT_EQ(read(3, WM_RESP_READ), NO_ERROR);
    ASSERT_EQ(response.length, 4u);  // room for the data and one byte more
    EXPECT_EQ(std::memcmp(response.data, "\x01\x02\x03", 3), 0);
    // No acknowledgement was read: the 06 is still there.
    EXPECT_EQ(read(0, 99), NO_ERROR);
    EXPECT_EQ(response.data[0], 0x06);

    peer.send({7});
    expect_failure(ERR_WM_READ, "wm_comm_read: ERR_WM_READ: WM_RESP_READ: invalid respLen = 0\n",
                   0, WM_RESP_READ);
    peer.send({1, 2});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_READ: sio_read_data failed reading response "
                   "byte 3 of 3\n",
                   3, WM_RESP_READ);
}

TEST_F(WmRead, ReadAckKind) {
    peer.send({0x00, 0x80, 0x00, 0x00, 0x06});
    EXPECT_EQ(read(4, WM_RESP_READ_ACK), NO_ERROR);
    EXPECT_EQ(response.length, 5u);
    EXPECT_EQ(response.data[1], 0x80);

    peer.send({1, 2, 3, 4, 0x41});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_READ_ACK: invalid response 0x41, expected "
                   "ACK or NAK\n",
                   4, WM_RESP_READ_ACK);
    peer.send({1, 2, 3, 4, 0x15});
    expect_failure(ERR_WM_NAK, "wm_comm_read: ERR_WM_NAK: WM_RESP_READ_ACK: received NAK\n", 4,
                   WM_RESP_READ_ACK);
    peer.send({1, 2, 3, 4});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_READ_ACK: sio_read_data failed reading "
                   "response char 5 of 5\n",
                   4, WM_RESP_READ_ACK);
    peer.send({9});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_READ_ACK: invalid respLen = -1\n", -1,
                   WM_RESP_READ_ACK);
    // A length the link would not allocate for is refused the same way.
    peer.send({9});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_READ_ACK: invalid respLen = 2147483647\n",
                   INT32_MAX, WM_RESP_READ_ACK);
}

TEST_F(WmRead, SizeReadAckKind) {
    // Two elements of three bytes after one fixed byte.
    peer.send({2, 0, 0, 0, 0xAA, 1, 2, 3, 4, 5, 6, 0x06});
    EXPECT_EQ(read(1, WM_RESP_SIZE_READ_ACK, 3), NO_ERROR);
    ASSERT_EQ(response.length, 12u);
    EXPECT_EQ(std::memcmp(response.data, "\x02\x00\x00\x00\xAA\x01\x02\x03\x04\x05\x06\x06", 12),
              0);

    peer.send({2, 0});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: sio_read_data failed reading "
                   "byte 3 of 4\n",
                   1, WM_RESP_SIZE_READ_ACK, 3);
    peer.send({2, 0, 0, 0, 0xAA, 1, 2});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: sio_read_data failed reading "
                   "byte 8 of 12\n",
                   1, WM_RESP_SIZE_READ_ACK, 3);
    peer.send({0, 0, 0, 0, 0x15});
    expect_failure(ERR_WM_NAK, "wm_comm_read: ERR_WM_NAK: WM_RESP_SIZE_READ_ACK: received NAK\n",
                   0, WM_RESP_SIZE_READ_ACK, 3);
    peer.send({0, 0, 0, 0, 0x30});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: invalid response 0x30, "
                   "expected ACK or NAK\n",
                   0, WM_RESP_SIZE_READ_ACK, 3);
}

void* g_real_malloc(size_t size) {
    return std::malloc(size);
}
size_t g_largest_block = 0;
void* measuring_malloc(size_t size) {
    g_largest_block = std::max(g_largest_block, size);
    return g_real_malloc(size);
}

TEST_F(WmRead, HostileElementCountAllocatesNothingLarge) {
    void* (*saved)(size_t) = gl_MallocFunc;
    gl_MallocFunc = measuring_malloc;
    g_largest_block = 0;
    // 0x7FFFFFFF elements of four bytes: 8 GiB announced, a few bytes sent.
    peer.send({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 0x06});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: answer of 8589934593 bytes "
                   "is larger than 1048576\n",
                   0, WM_RESP_SIZE_READ_ACK, 4);
    peer.send({0x00, 0x00, 0x00, 0x80, 0x06});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: invalid size: -2147483648 "
                   "elements of 4 bytes, respLen = 0\n",
                   0, WM_RESP_SIZE_READ_ACK, 4);
    // The element size is the caller's; the commands pass -1.
    peer.send({0x01, 0x00, 0x00, 0x00, 0x06});
    expect_failure(ERR_WM_READ,
                   "wm_comm_read: ERR_WM_READ: WM_RESP_SIZE_READ_ACK: invalid size: 1 elements "
                   "of -1 bytes, respLen = 0\n",
                   0, WM_RESP_SIZE_READ_ACK, -1);
    gl_MallocFunc = saved;
    EXPECT_LE(g_largest_block, 16u);
}

TEST_F(WmRead, AnyOtherKindEndsAfterTheFirstByte) {
    peer.send({0x15});
    EXPECT_EQ(read(4, 7), NO_ERROR);
    EXPECT_EQ(response.length, 1u);
    EXPECT_EQ(response.data[0], 0x15);
}

TEST_F(WmRead, DamagedAnswerIsDrainedFromTheLine) {
    // A NAK where the acknowledgement belongs, and the device goes on talking.
    peer.send({1, 2, 3, 4, 0x15, 0x06, 0x06, 0x11});
    EXPECT_EQ(read(4, WM_RESP_READ_ACK), ERR_WM_NAK);
    // The next answer is read whole, not from the leftovers of the last.
    peer.send({5, 6, 7, 8, 0x06});
    EXPECT_EQ(read(4, WM_RESP_READ_ACK), NO_ERROR);
    EXPECT_EQ(std::memcmp(response.data, "\x05\x06\x07\x08", 4), 0);
}

int64_t ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

TEST_F(WmRead, FirstByteWaitAndTheTimeoutPutBack) {
    seriallink::bounds().wm_first_byte_s = 2;
    // Below 1: the link's own first-byte wait.
    auto start = clock_type::now();
    expect_failure(ERR_WM_TIMEOUT, "wm_comm_read: ERR_WM_TIMEOUT\n", 4, WM_RESP_READ_ACK);
    EXPECT_GE(ms_since(start), 1900);
    start = clock_type::now();
    EXPECT_EQ(read(4, WM_RESP_READ_ACK, -1, 1), ERR_WM_TIMEOUT);
    const int64_t one_second = ms_since(start);
    EXPECT_GE(one_second, 900);
    EXPECT_LT(one_second, 1900);
    int32_t seconds = 0;
    EXPECT_EQ(sio_get_timeout(port, &seconds), NO_ERROR);
    EXPECT_EQ(seconds, 1);

    // A late first byte within the wait is taken.
    peer.add_step({{}, {0x06}, 1300ms});
    EXPECT_EQ(read(0, WM_RESP_ACK), NO_ERROR);
}

TEST_F(WmRead, MissingHandleOrBuffer) {
    EXPECT_EQ(wm_comm_read(nullptr, &response, 4, -1, WM_RESP_READ_ACK, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_comm_read(&port, nullptr, 4, -1, WM_RESP_READ_ACK, 0), ERR_INVALID_PARAM);
    EXPECT_EQ(said(), "wm_comm_read: ERR_INVALID_PARAM\nwm_comm_read: ERR_INVALID_PARAM\n");
    EXPECT_EQ(wm_comm_write(nullptr, "MS?"), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_comm_write(&port, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_flush_inp(nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(wm_comm_close(nullptr), NO_ERROR);
    plat::port_handle closed = plat::kInvalidPort;
    printed().clear();
    EXPECT_EQ(wm_comm_read(&closed, &response, 4, -1, WM_RESP_READ_ACK, 0), ERR_SERIAL_NOT_OPEN);
    EXPECT_EQ(said(), "wm_comm_read: ERR_SERIAL_NOT_OPEN\n");
    EXPECT_EQ(wm_comm_write(&closed, "MS?"), ERR_WM_COMM);
}

TEST_F(WmRead, ExchangeNamesTheCommandOfAFailedRead) {
    on("LO=1", {0x15});
    EXPECT_EQ(wm_comm_write_rd(&port, "LO=1", &response, 0, -1, WM_RESP_ACK, 0), ERR_WM_NAK);
    EXPECT_EQ(said(),
              "wm_comm_read: ERR_WM_NAK: WM_RESP_ACK: received NAK\n"
              "wm_comm_write_rd: error reading response to command \"LO=1\": ERR_WM_NAK\n");
    EXPECT_EQ(peer.received(), sim::to_bytes("LO=1\r"));
    // A lone NAK to a query is a short answer: the data are awaited first.
    on("MS?", {0x15});
    EXPECT_EQ(wm_comm_write_rd(&port, "MS?", &response, 36, -1, WM_RESP_READ_ACK, 0), ERR_WM_READ);
}

}  // namespace
}  // namespace serial_test
