// Allocation, resizing and release of the data matrices.
#include <gtest/gtest.h>

#include "datafile/datafile.h"

namespace {

int allocations = 0;
void* counting_malloc(size_t size) {
    ++allocations;
    return std::malloc(size);
}
void* failing_malloc(size_t) {
    return nullptr;
}

struct MatrixTest : ::testing::Test {
    void SetUp() override {
        allocations = 0;
        gl_MallocFunc = counting_malloc;
    }
    void TearDown() override { gl_MallocFunc = std::malloc; }
};

TEST_F(MatrixTest, AllocRefusesEmptyAndNegativeCounts) {
    phase_matrix phase{};
    phase.window = {0, 0, 0, 5};
    EXPECT_EQ(phase_matrix_alloc(&phase), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(phase.matrix, nullptr);

    intens_matrix intens{};
    intens.window = {0, 0, 4, 4};
    intens.n_buckets = 0;
    EXPECT_EQ(intens_matrix_alloc(&intens), ERR_PARAM_OUT_OF_RANGE);
    intens.n_buckets = -2;
    EXPECT_EQ(intens_matrix_alloc(&intens), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(intens.window.width, 4);  // left as it was
    EXPECT_EQ(allocations, 0);
}

TEST_F(MatrixTest, AllocRefusesCountsBeyond32Bits) {
    intens_matrix intens{};
    intens.window = {0, 0, 32767, 32767};
    intens.n_buckets = 32767;  // would wrap in 32-bit arithmetic
    EXPECT_EQ(intens_matrix_alloc(&intens), ERR_DATASET_DIM_TOO_LARGE);
    EXPECT_EQ(allocations, 0);
}

TEST_F(MatrixTest, AllocAndFree) {
    intens_matrix intens{};
    intens.window = {7, 8, 3, 2};
    intens.n_buckets = 2;
    intens.range = 4095;
    ASSERT_EQ(intens_matrix_alloc(&intens), NO_ERROR);
    EXPECT_EQ(intens.size, 12u);
    ASSERT_NE(intens.matrix, nullptr);
    intens.matrix[11] = 1;  // the whole buffer is usable
    intens_matrix_free(&intens);
    EXPECT_EQ(intens.matrix, nullptr);
    EXPECT_EQ(intens.size, 0u);
    EXPECT_EQ(intens.n_buckets, 0);
    EXPECT_EQ(intens.window.width, 0);
    EXPECT_EQ(intens.window.height, 0);
    EXPECT_EQ(intens.window.x, 7);
    EXPECT_EQ(intens.range, 4095);
    intens_matrix_free(&intens);  // twice is harmless
    EXPECT_EQ(intens.matrix, nullptr);
}

TEST_F(MatrixTest, AllocFailureLeavesNoBuffer) {
    gl_MallocFunc = failing_malloc;
    intens_matrix intens{};
    intens.window = {1, 1, 3, 2};
    intens.n_buckets = 2;
    EXPECT_EQ(intens_matrix_alloc(&intens), ERR_NO_MEM);
    EXPECT_EQ(intens.matrix, nullptr);
    EXPECT_EQ(intens.size, 0u);
    EXPECT_EQ(intens.n_buckets, 0);
    EXPECT_EQ(intens.window.width, 0);

    phase_matrix phase{};
    phase.window = {1, 1, 3, 2};
    EXPECT_EQ(phase_matrix_alloc(&phase), ERR_NO_MEM);
    EXPECT_EQ(phase.matrix, nullptr);
    EXPECT_EQ(phase.size, 0u);
    EXPECT_EQ(phase.window.width, 3);  // the phase window keeps its values
}

TEST_F(MatrixTest, ResizeKeepsLargerBufferOnlyWhenAsked) {
    phase_matrix phase{};
    ASSERT_EQ(phase_matrix_resize(&phase, {0, 0, 10, 10}, false), NO_ERROR);
    EXPECT_EQ(phase.size, 100u);
    int32_t* const big = phase.matrix;

    ASSERT_EQ(phase_matrix_resize(&phase, {2, 3, 4, 5}, true), NO_ERROR);
    EXPECT_EQ(phase.matrix, big);
    EXPECT_EQ(phase.size, 100u);
    EXPECT_EQ(phase.window.x, 2);
    EXPECT_EQ(phase.window.height, 5);

    ASSERT_EQ(phase_matrix_resize(&phase, {0, 0, 4, 5}, false), NO_ERROR);
    EXPECT_EQ(phase.size, 20u);
    EXPECT_EQ(allocations, 2);

    ASSERT_EQ(phase_matrix_resize(&phase, {0, 0, 0, 5}, false), NO_ERROR);
    EXPECT_EQ(phase.matrix, nullptr);
    EXPECT_EQ(phase.size, 0u);
    phase_matrix_free(&phase);
}

TEST_F(MatrixTest, IntensityResizeStoresBuckets) {
    intens_matrix intens{};
    ASSERT_EQ(intens_matrix_resize(&intens, {0, 0, 3, 2}, 4, false), NO_ERROR);
    EXPECT_EQ(intens.size, 24u);
    EXPECT_EQ(intens.n_buckets, 4);
    EXPECT_EQ(intens_matrix_resize(&intens, {0, 0, 3, 2}, -1, false), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(intens.size, 24u);  // a refused resize changes nothing
    gl_MallocFunc = failing_malloc;
    EXPECT_EQ(intens_matrix_resize(&intens, {0, 0, 30, 20}, 4, false), ERR_NO_MEM);
    EXPECT_EQ(intens.matrix, nullptr);
    EXPECT_EQ(intens.size, 0u);
    intens_matrix_free(&intens);
}

}  // namespace
