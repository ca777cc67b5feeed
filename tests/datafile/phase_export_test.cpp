// Phase statistics and the phase point-list export.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "ascii_samples.h"

namespace {


constexpr int32_t kInvalid = 2147483647;

// A phase matrix over caller-owned values.
phase_matrix matrix_of(std::vector<int32_t>& values, int16_t width, int16_t height, int16_t x = 0,
                       int16_t y = 0) {
    return phase_matrix{static_cast<uint32_t>(values.size()), {x, y, width, height}, values.data()};
}

TEST(PhaseExport, WritesCountPointsMinAndSpread) {
    std::vector<int32_t> values = {0, 100, kInvalid, 50};
    const phase_matrix phase = matrix_of(values, 2, 2, 7, 9);
    temp_file file("phase.txt");
    ASSERT_EQ(df_write_phase_text(file.c_str(), &phase), NO_ERROR);
    EXPECT_EQ(file.read(), "3\r\n0 0 0\r\n1 0 1\r\n1 1 0.5\r\n0\r\n100\r\n");
}

TEST(PhaseExport, ScaledValuesUndoWithMinAndSpread) {
    std::vector<int32_t> values = {-2000, 1000, 250, 2000, PHASE_INVALID, -1};
    const phase_matrix phase = matrix_of(values, 3, 2);
    temp_file file("phase.txt");
    ASSERT_EQ(df_write_phase_text(file.c_str(), &phase), NO_ERROR);
    EXPECT_EQ(file.read(),
              "5\r\n0 0 0\r\n1 0 0.75\r\n2 0 0.5625\r\n0 1 1\r\n2 1 0.49975\r\n"
              "-2000\r\n4000\r\n");
}

TEST(PhaseExport, EqualValuesScaleToZero) {
    std::vector<int32_t> values = {42, kInvalid, 42};
    const phase_matrix phase = matrix_of(values, 3, 1);
    temp_file file("phase.txt");
    ASSERT_EQ(df_write_phase_text(file.c_str(), &phase), NO_ERROR);
    EXPECT_EQ(file.read(), "2\r\n0 0 0\r\n2 0 0\r\n42\r\n0\r\n");
}

// A failed export leaves the output as it was: absent, or with what it held.
TEST(PhaseExport, NoValidPointOrOverflowLeavesTheOutputAlone) {
    std::vector<int32_t> invalid = {kInvalid, PHASE_INVALID};
    const phase_matrix none = matrix_of(invalid, 2, 1);
    temp_file absent("absent.txt");
    EXPECT_EQ(df_write_phase_text(absent.c_str(), &none), ERR_ALL_BAD_DATA);
    EXPECT_FALSE(absent.exists());

    std::vector<int32_t> wide = {-2000000000, 2000000000};
    const phase_matrix overflow = matrix_of(wide, 1, 2);
    temp_file earlier("earlier.txt");
    earlier.write_text("earlier export\r\n");
    EXPECT_EQ(df_write_phase_text(earlier.c_str(), &overflow), ERR_PEAKVAL_OVERFLOW);
    EXPECT_EQ(earlier.read(), "earlier export\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(earlier.path.parent_path()),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file is left beside it
}

TEST(PhaseExport, BadArguments) {
    temp_file file("phase.txt");
    EXPECT_EQ(df_write_phase_text(file.c_str(), nullptr), ERR_INVALID_PARAM);
    EXPECT_FALSE(file.exists());
    std::vector<int32_t> values = {1};
    const phase_matrix phase = matrix_of(values, 1, 1);
    EXPECT_EQ(df_write_phase_text("/nonexistent/dir/phase.txt", &phase), ERR_CANT_CREATE_FILE);
    EXPECT_EQ(df_write_phase_text("", &phase), ERR_CANT_CREATE_FILE);
}

TEST(PhaseStats, ExtremesMeanAndFirstPositions) {
    std::vector<int32_t> values = {5,        9,  -3, 9,  //
                                   kInvalid, -3, 0,  1};
    const phase_matrix phase = matrix_of(values, 4, 2, 100, 200);
    phase_stats stats{};
    ASSERT_EQ(phase_matrix_stats(&phase, nullptr, &stats), NO_ERROR);
    EXPECT_EQ(stats.count, 7);
    EXPECT_EQ(stats.max, 9);
    EXPECT_EQ(stats.min, -3);
    EXPECT_EQ(stats.pv, 12);
    EXPECT_DOUBLE_EQ(stats.mean, 18.0 / 7);
    EXPECT_EQ(stats.max_x, 101);  // the first 9, in walking order
    EXPECT_EQ(stats.max_y, 200);
    EXPECT_EQ(stats.min_x, 102);
    EXPECT_EQ(stats.min_y, 200);
}

TEST(PhaseStats, WindowInsideTheMatrix) {
    std::vector<int32_t> values = {50, 1,  2,  50,  //
                                   50, 3,  4,  50,  //
                                   50, 50, 50, -50};
    const phase_matrix phase = matrix_of(values, 4, 3, 10, 20);
    phase_stats stats{};
    const matrix_window inside{11, 20, 2, 2};
    ASSERT_EQ(phase_matrix_stats(&phase, &inside, &stats), NO_ERROR);
    EXPECT_EQ(stats.count, 4);
    EXPECT_EQ(stats.max, 4);
    EXPECT_EQ(stats.min, 1);
    EXPECT_EQ(stats.max_x, 12);
    EXPECT_EQ(stats.max_y, 21);
    EXPECT_EQ(stats.min_x, 11);
    EXPECT_EQ(stats.min_y, 20);

    ASSERT_EQ(phase_matrix_stats(&phase, &phase.window, &stats), NO_ERROR);
    EXPECT_EQ(stats.min, -50);
    EXPECT_EQ(stats.min_x, 13);
    EXPECT_EQ(stats.min_y, 22);

    const matrix_window empty{11, 21, 2, 0};
    EXPECT_EQ(phase_matrix_stats(&phase, &empty, &stats), ERR_ALL_BAD_DATA);
}

TEST(PhaseStats, WindowsNotInsideAreImproper) {
    std::vector<int32_t> values(12, 1);
    const phase_matrix phase = matrix_of(values, 4, 3, 10, 20);
    phase_stats stats{};
    for (const matrix_window w :
         {matrix_window{9, 20, 4, 3}, matrix_window{10, 20, 5, 3}, matrix_window{12, 21, 4, 2},
          matrix_window{0, 0, 2, 2}, matrix_window{10, 19, 1, 1}, matrix_window{9, 19, 6, 5}}) {
        EXPECT_EQ(phase_matrix_stats(&phase, &w, &stats), ERR_IMPROPER_WINDOW)
            << w.x << "," << w.y << " " << w.width << "x" << w.height;
    }
}

TEST(PhaseStats, ValidValuesAtTheLowestIntegerAreData) {
    std::vector<int32_t> values = {INT32_MIN, kInvalid, INT32_MIN};
    const phase_matrix phase = matrix_of(values, 3, 1);
    phase_stats stats{};
    ASSERT_EQ(phase_matrix_stats(&phase, nullptr, &stats), NO_ERROR);
    EXPECT_EQ(stats.count, 2);
    EXPECT_EQ(stats.max, INT32_MIN);
    EXPECT_EQ(stats.min, INT32_MIN);
    EXPECT_EQ(stats.pv, 0);
    EXPECT_EQ(stats.max_x, 0);

    // The largest spread that still fits.
    std::vector<int32_t> extremes = {0, 2147483639, -9};
    const phase_matrix wide = matrix_of(extremes, 3, 1);
    EXPECT_EQ(phase_matrix_stats(&wide, nullptr, &stats), ERR_PEAKVAL_OVERFLOW);
    extremes[2] = -8;
    ASSERT_EQ(phase_matrix_stats(&wide, nullptr, &stats), NO_ERROR);
    EXPECT_EQ(stats.pv, INT32_MAX);
}

}  // namespace
