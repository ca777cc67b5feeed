// Piston and tilt removal and the height error built on it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "analysis/analysis.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Plane, ATiltedPlaneWithHolesIsRemovedExactly) {
    constexpr int32_t w = 7, h = 5;
    std::vector<double> z(w * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) z[static_cast<size_t>(y * w + x)] = 12.5 + 3.0 * x - 2.0 * y;
    z[3] = kNaN;
    z[17] = kNaN;
    an_plane plane{};
    ASSERT_EQ(an_remove_plane(z.data(), w, h, &plane), NO_ERROR);
    EXPECT_NEAR(plane.piston, 12.5, 1e-9);
    EXPECT_NEAR(plane.slope_x, 3.0, 1e-12);
    EXPECT_NEAR(plane.slope_y, -2.0, 1e-12);
    EXPECT_EQ(plane.count, w * h - 2);
    for (size_t i = 0; i < z.size(); ++i) {
        if (i == 3 || i == 17) {
            EXPECT_TRUE(std::isnan(z[i]));
        } else {
            EXPECT_NEAR(z[i], 0.0, 1e-9);
        }
    }
}

TEST(Plane, PointsThatFixNoPlaneAreRefused) {
    std::vector<double> row = {1, 2, 3, 4};  // one row: every point on one line
    EXPECT_EQ(an_remove_plane(row.data(), 4, 1, nullptr), ERR_ALL_BAD_DATA);
    std::vector<double> two = {1, kNaN, kNaN, 2};
    EXPECT_EQ(an_remove_plane(two.data(), 2, 2, nullptr), ERR_ALL_BAD_DATA);
    EXPECT_EQ(an_remove_plane(nullptr, 2, 2, nullptr), ERR_BAD_PARAM);
    EXPECT_EQ(an_remove_plane(two.data(), 0, 2, nullptr), ERR_BAD_PARAM);
}

// Measured in pm against truth in nm: a bump on a tilted, offset plane
// leaves exactly the bump's own RMS once the plane is fitted away, and
// invalid points and NaN truth are left out.
TEST(Plane, HeightErrorIgnoresPistonTiltAndInvalidPoints) {
    constexpr int16_t w = 4, h = 4;
    std::vector<int32_t> pm(w * h);
    std::vector<double> truth(w * h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y * w + x);
            truth[i] = 100.0 + x;
            pm[i] = static_cast<int32_t>(std::lround((truth[i] + 7.0 + 0.5 * x - 0.25 * y) * 1000));
        }
    }
    pm[5] = PHASE_INVALID;
    truth[10] = kNaN;
    phase_matrix m{static_cast<uint32_t>(pm.size()), {0, 0, w, h}, pm.data()};
    double rms = -1;
    int64_t count = 0;
    ASSERT_EQ(an_height_error(&m, truth.data(), &rms, &count), NO_ERROR);
    EXPECT_EQ(count, 14);
    EXPECT_NEAR(rms, 0.0, 1e-9);
    pm[0] += 14000;  // one point 14 nm off
    ASSERT_EQ(an_height_error(&m, truth.data(), &rms, &count), NO_ERROR);
    EXPECT_GT(rms, 1.0);
}

}  // namespace
