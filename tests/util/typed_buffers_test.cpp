// Typed vectors and grids with their no-data values, and row blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "util/util.h"

namespace {

template <typename T>
T no_data_of(const void* block) {
    T value;
    std::memcpy(&value, block, sizeof value);
    return value;
}

TEST(TypedVector, EachTypeHasItsSizeAndNoDataValue) {
    struct expectation {
        int32_t type;
        uint64_t size;
    };
    const expectation table[] = {{0, 1}, {1, 1}, {2, 2}, {3, 2}, {4, 4},
                                 {5, 4}, {6, 4}, {7, 4}, {8, 4}, {9, 8}};
    for (const auto& e : table) {
        u_vec* vec = u_vec_create(10, e.type);
        ASSERT_NE(vec, nullptr) << e.type;
        EXPECT_EQ(vec->element_size, e.size);
        EXPECT_EQ(vec->count, 10u);
        EXPECT_EQ(vec->capacity, 10u);
        EXPECT_EQ(vec->flag, 0);
        EXPECT_EQ(vec->type, e.type);
        switch (e.type) {
            case 0:
                EXPECT_EQ(no_data_of<int8_t>(vec->no_data), 127);
                break;
            case 1:
                EXPECT_EQ(no_data_of<uint8_t>(vec->no_data), 255);
                break;
            case 2:
                EXPECT_EQ(no_data_of<int16_t>(vec->no_data), 32767);
                break;
            case 3:
                EXPECT_EQ(no_data_of<uint16_t>(vec->no_data), 65535);
                break;
            case 4:
            case 6:
                EXPECT_EQ(no_data_of<int32_t>(vec->no_data), 2147483647);
                break;
            case 5:
            case 7:
                EXPECT_EQ(no_data_of<uint32_t>(vec->no_data), 4294967295u);
                break;
            case 8:
                EXPECT_EQ(no_data_of<uint32_t>(vec->no_data), 0x7F7FFFFFu);
                EXPECT_EQ(no_data_of<float>(vec->no_data), std::numeric_limits<float>::max());
                break;
            case 9:
                EXPECT_TRUE(std::isinf(no_data_of<double>(vec->no_data)));
                break;
            default:
                break;
        }
        u_vec_free(vec);
    }
}

TEST(TypedVector, RefusesEmptyUnknownAndOversized) {
    EXPECT_EQ(u_vec_create(0, 4), nullptr);
    EXPECT_EQ(u_vec_create(10, 10), nullptr);
    EXPECT_EQ(u_vec_create(10, -1), nullptr);
    EXPECT_EQ(u_vec_create(UINT64_MAX / 2, 9), nullptr);  // bytes do not fit
    u_vec_free(nullptr);
}

TEST(TypedVector, ZeroedFormClearsTheData) {
    u_vec* vec = u_vec_create_zeroed(100, 9);
    ASSERT_NE(vec, nullptr);
    const std::vector<unsigned char> zeros(800, 0);
    EXPECT_EQ(std::memcmp(vec->data, zeros.data(), zeros.size()), 0);
    u_vec_free(vec);
}

// Allocation hook that fails after a number of successes.
int allocations_left = 0;
void* failing_malloc(size_t size) {
    if (allocations_left-- <= 0) return nullptr;
    return std::malloc(size);
}

TEST(TypedBuffers, FailedAllocationReleasesEverything) {
    // Run under the leak checker: every partial creation must release all.
    void* (*saved)(size_t) = gl_MallocFunc;
    gl_MallocFunc = failing_malloc;
    for (int n = 0; n < 3; ++n) {
        allocations_left = n;
        EXPECT_EQ(u_vec_create(4, 2), nullptr);
    }
    for (int n = 0; n < 4; ++n) {
        allocations_left = n;
        EXPECT_EQ(u_grid_create(3, 2, 2), nullptr);
    }
    allocations_left = 0;
    EXPECT_EQ(u_alloc_rows(2, 2, 2), nullptr);
    gl_MallocFunc = saved;
}

TEST(TypedGrid, RowsPointIntoTheDataBlock) {
    u_grid* grid = u_grid_create_zeroed(3, 4, 9);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->width, 3);
    EXPECT_EQ(grid->height, 4);
    EXPECT_EQ(grid->count, 12u);
    EXPECT_EQ(grid->origin_x, 0);
    EXPECT_EQ(grid->origin_y, 0);
    EXPECT_TRUE(std::isinf(no_data_of<double>(grid->no_data)));
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(grid->rows[row], static_cast<double*>(grid->data) + row * 3);
    }
    static_cast<double*>(grid->rows[3])[2] = 1.5;
    EXPECT_EQ(static_cast<double*>(grid->data)[11], 1.5);
    u_grid_free(grid);
}

TEST(TypedGrid, RefusesEmptyOversizedAndUnknown) {
    EXPECT_EQ(u_grid_create(0, 5, 4), nullptr);
    EXPECT_EQ(u_grid_create(5, 0, 4), nullptr);
    EXPECT_EQ(u_grid_create(32768, 1, 0), nullptr);
    EXPECT_EQ(u_grid_create(2, 2, 11), nullptr);
    u_grid_free(nullptr);
}

TEST(AllocRows, PointersThenRowsInOneBlock) {
    void** rows = u_alloc_rows(3, 5, 4);
    ASSERT_NE(rows, nullptr);
    auto* base = reinterpret_cast<unsigned char*>(rows);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(rows[row], base + 3 * 8 + row * 20);
    static_cast<int32_t*>(rows[2])[4] = 7;  // last element of the block
    gl_FreeFunc(rows);

    EXPECT_EQ(u_alloc_rows(0, 5, 4), nullptr);
    EXPECT_EQ(u_alloc_rows(3, 0, 4), nullptr);
    EXPECT_EQ(u_alloc_rows(3, 5, 0), nullptr);
}

TEST(AllocRows, SizesThatWouldWrapAreRefused) {
    // 2^32-1 rows of 2^32-1 columns of 2^32-1 bytes is far beyond 64 bits.
    EXPECT_EQ(u_alloc_rows(UINT32_MAX, UINT32_MAX, UINT32_MAX), nullptr);
}

TEST(IsMult4, Multiples) {
    EXPECT_TRUE(u_is_mult4(0));
    EXPECT_TRUE(u_is_mult4(12));
    EXPECT_FALSE(u_is_mult4(14));
    EXPECT_TRUE(u_is_mult4(UINT64_MAX - 3));
}

}  // namespace
