// Response buffers through the allocation hooks, and unit conversion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <vector>

#include "util/util.h"

namespace {

// Allocation hooks that log each request and can refuse them.
std::vector<size_t> g_allocations;
int g_frees = 0;
bool g_refuse = false;

void* logging_malloc(size_t size) {
    g_allocations.push_back(size);
    return g_refuse ? nullptr : std::malloc(size);
}
void logging_free(void* block) {
    ++g_frees;
    std::free(block);
}

class ByteBuffer : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_malloc_ = gl_MallocFunc;
        saved_free_ = gl_FreeFunc;
        gl_MallocFunc = logging_malloc;
        gl_FreeFunc = logging_free;
        g_allocations.clear();
        g_frees = 0;
        g_refuse = false;
        u_bytebuf_init(&buf);
    }
    void TearDown() override {
        u_bytebuf_free(&buf);
        gl_MallocFunc = saved_malloc_;
        gl_FreeFunc = saved_free_;
    }

    u_bytebuf buf{};

  private:
    void* (*saved_malloc_)(size_t) = nullptr;
    void (*saved_free_)(void*) = nullptr;
};

TEST_F(ByteBuffer, KeepLargerKeepsTheBlock) {
    EXPECT_EQ(buf.data, nullptr);
    ASSERT_EQ(u_bytebuf_resize(&buf, 40, true), NO_ERROR);
    EXPECT_EQ(buf.capacity, 40u);
    EXPECT_EQ(buf.length, 40u);
    uint8_t* const block = buf.data;
    ASSERT_EQ(u_bytebuf_resize(&buf, 5, true), NO_ERROR);
    EXPECT_EQ(buf.data, block);
    EXPECT_EQ(buf.capacity, 40u);
    EXPECT_EQ(buf.length, 5u);
    ASSERT_EQ(u_bytebuf_resize(&buf, 40, true), NO_ERROR);
    EXPECT_EQ(buf.data, block);
    EXPECT_EQ(g_allocations, std::vector<size_t>{40});
    // Growing takes a new block of the exact size.
    ASSERT_EQ(u_bytebuf_resize(&buf, 41, true), NO_ERROR);
    EXPECT_EQ(buf.capacity, 41u);
    EXPECT_EQ(g_allocations, (std::vector<size_t>{40, 41}));
    EXPECT_EQ(g_frees, 1);
}

TEST_F(ByteBuffer, WithoutTheFlagTheBlockFitsExactly) {
    ASSERT_EQ(u_bytebuf_resize(&buf, 40, false), NO_ERROR);
    ASSERT_EQ(u_bytebuf_resize(&buf, 40, false), NO_ERROR);
    ASSERT_EQ(u_bytebuf_resize(&buf, 8, false), NO_ERROR);
    EXPECT_EQ(buf.capacity, 8u);
    EXPECT_EQ(buf.length, 8u);
    EXPECT_EQ(g_allocations, (std::vector<size_t>{40, 8}));
}

TEST_F(ByteBuffer, ZeroFreesAndFreeTwiceIsHarmless) {
    ASSERT_EQ(u_bytebuf_resize(&buf, 16, true), NO_ERROR);
    ASSERT_EQ(u_bytebuf_resize(&buf, 0, true), NO_ERROR);
    EXPECT_EQ(buf.data, nullptr);
    EXPECT_EQ(buf.capacity, 0u);
    EXPECT_EQ(buf.length, 0u);
    EXPECT_EQ(g_frees, 1);
    ASSERT_EQ(u_bytebuf_resize(&buf, 16, true), NO_ERROR);
    u_bytebuf_free(&buf);
    u_bytebuf_free(&buf);
    EXPECT_EQ(g_frees, 2);
    EXPECT_EQ(buf.data, nullptr);
    u_bytebuf_free(nullptr);
    EXPECT_EQ(u_bytebuf_resize(nullptr, 4, true), ERR_INVALID_PARAM);
}

TEST_F(ByteBuffer, NoMemoryLeavesTheRecordEmpty) {
    ASSERT_EQ(u_bytebuf_resize(&buf, 16, true), NO_ERROR);
    g_refuse = true;
    EXPECT_EQ(u_bytebuf_resize(&buf, 64, true), ERR_NO_MEM);
    EXPECT_EQ(buf.data, nullptr);
    EXPECT_EQ(buf.capacity, 0u);
    EXPECT_EQ(buf.length, 0u);
    EXPECT_EQ(g_frees, 1);
}

TEST(ConvertUnits, DecimalMultiples) {
    EXPECT_EQ(u_convert_units(0.25, U_UNITS_1E6, U_UNITS_1), 250000.0);
    EXPECT_EQ(u_convert_units(3, U_UNITS_1, U_UNITS_1E3), 0.003);
    EXPECT_EQ(u_convert_units(2, U_UNITS_1E12, U_UNITS_1E9), 2000.0);
    EXPECT_EQ(u_convert_units(-7, U_UNITS_1E3, U_UNITS_1E3), -7.0);
    EXPECT_EQ(U_UNITS_1, 1101);
    EXPECT_EQ(U_UNITS_1E12, 1105);
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(u_convert_units(1, 1100, U_UNITS_1), largest);
    EXPECT_EQ(u_convert_units(1, U_UNITS_1, 1106), largest);
    EXPECT_EQ(u_convert_units(1, 0, 0), largest);
}

}  // namespace
