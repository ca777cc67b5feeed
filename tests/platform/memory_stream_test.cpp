// Memory streams: the bytes come back whole and in order, however the
// stream's backend moves them (on Windows a writer thread feeds a pipe much
// smaller than the bytes).
#include "platform/memory_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct stream_closer {
    void operator()(FILE* stream) const { std::fclose(stream); }
};
using stream_ptr = std::unique_ptr<FILE, stream_closer>;

std::vector<uint8_t> pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

std::vector<uint8_t> read_all(FILE* stream) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[7000];  // not a divisor of any pipe or chunk size
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

TEST(MemoryStream, BytesComeBackWholeAndInOrder) {
    for (const size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{3u << 20}}) {
        const std::vector<uint8_t> bytes = pattern(size, static_cast<uint32_t>(size));
        const stream_ptr stream(plat::open_memory_stream(bytes.data(), bytes.size()));
        ASSERT_NE(stream, nullptr) << size;
        const std::vector<uint8_t> got = read_all(stream.get());
        EXPECT_EQ(got.size(), size);
        EXPECT_TRUE(got == bytes) << size;
        EXPECT_NE(std::feof(stream.get()), 0) << size;
    }
}

#ifdef _WIN32
// The writer thread may run on after fclose, until its write fails, so it
// must never use the caller's bytes: the caller may change or free them as
// soon as the stream is closed. Here they change at once after the stream
// opens, while nearly all of them are still to be fed to the pipe.
TEST(MemoryStream, WriterNeverUsesTheCallersBytes) {
    constexpr size_t kSize = 4u << 20;
    const std::vector<uint8_t> expected = pattern(kSize, 7);
    std::vector<uint8_t> callers = expected;
    const stream_ptr stream(plat::open_memory_stream(callers.data(), callers.size()));
    ASSERT_NE(stream, nullptr);
    std::fill(callers.begin(), callers.end(), uint8_t{0xEE});
    const std::vector<uint8_t> got = read_all(stream.get());
    EXPECT_EQ(got.size(), kSize);
    EXPECT_TRUE(got == expected);

    // Closed after a few bytes, with the bytes freed at once: the writer,
    // blocked on a full pipe, ends on its own with nothing of ours to read.
    for (int i = 0; i < 20; ++i) {
        auto bytes = std::make_unique<std::vector<uint8_t>>(expected);
        FILE* const early = plat::open_memory_stream(bytes->data(), bytes->size());
        ASSERT_NE(early, nullptr);
        uint8_t first[16];
        ASSERT_EQ(std::fread(first, 1, sizeof first, early), sizeof first);
        EXPECT_TRUE(std::equal(first, first + sizeof first, expected.begin()));
        std::fclose(early);
        bytes.reset();
    }
}
#endif

}  // namespace
