// The phase picture decoded with libpng: colours at known points, the bar,
// its labels and the picture's size, for ordinary, extreme and empty maps.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "app/gridtool/png_picture.h"
#include "picture_matrices.h"
#include "support/measurement.h"
#include "support/temp_file.h"

namespace {

const rgb8 LOWEST = GT_COLOUR_MAP[0];
const rgb8 HIGHEST = GT_COLOUR_MAP[255];
const rgb8 MIDDLE = GT_COLOUR_MAP[128];

struct written_phase {
    decoded_png png;
    phase_picture_layout layout{};
};

// Writes the map and decodes it; the layout is the one for labels of
// label_chars characters.
written_phase write_and_decode(const phase_matrix& phase, int64_t label_chars) {
    temp_file out("phase.png");
    std::string reason;
    EXPECT_EQ(gt_write_phase_png(out.str(), phase, &reason), NO_ERROR) << reason;
    written_phase w{decode_png(out.str(), false),
                    gt_phase_layout(phase.window.width, phase.window.height, label_chars)};
    EXPECT_TRUE(w.png.ok);
    EXPECT_EQ(w.png.file_format, PNG_FORMAT_RGB);  // 8-bit RGB, no alpha
    EXPECT_EQ(w.png.width, w.layout.width);
    EXPECT_EQ(w.png.height, w.layout.height);
    return w;
}

rgb8 bar_top(const written_phase& w) {
    return w.png.rgb(w.layout.bar_x + w.layout.bar_width / 2, w.layout.bar_y);
}
rgb8 bar_bottom(const written_phase& w) {
    return w.png.rgb(w.layout.bar_x + w.layout.bar_width / 2,
                     w.layout.bar_y + w.layout.bar_height - 1);
}

TEST(PhasePicture, KnownPointsBarAndLabels) {
    const int32_t bad = PHASE_INVALID;
    owned_phase map(4, 2, {-2550, -1550, 0, bad, -1000, bad + 5, INT32_MAX, -2550});
    const written_phase w = write_and_decode(map.m, 5);
    if (!w.png.ok) return;
    const phase_picture_layout& l = w.layout;
    EXPECT_GT(l.zoom, 1);  // a small map is enlarged
    EXPECT_EQ(map_point(w.png, l, 0, 0), LOWEST);
    EXPECT_EQ(map_point(w.png, l, 1, 0), GT_COLOUR_MAP[100]);  // 1000 of 2550 above the minimum
    EXPECT_EQ(map_point(w.png, l, 2, 0), HIGHEST);
    EXPECT_EQ(map_point(w.png, l, 3, 0), GT_INVALID_COLOUR);
    EXPECT_EQ(map_point(w.png, l, 1, 1), GT_INVALID_COLOUR);
    EXPECT_EQ(map_point(w.png, l, 2, 1), GT_INVALID_COLOUR);
    EXPECT_EQ(map_point(w.png, l, 3, 1), LOWEST);
    // A point fills its whole square.
    EXPECT_EQ(w.png.rgb(l.map_x + l.zoom, l.map_y), GT_COLOUR_MAP[100]);
    EXPECT_EQ(w.png.rgb(l.map_x + 2 * l.zoom - 1, l.map_y + l.zoom - 1), GT_COLOUR_MAP[100]);

    EXPECT_EQ(bar_top(w), HIGHEST);
    EXPECT_EQ(bar_bottom(w), LOWEST);
    EXPECT_EQ(w.png.rgb(0, 0), GT_BACKGROUND_COLOUR);
    EXPECT_EQ(w.png.rgb(l.map_x + l.map_width, l.map_y), GT_BACKGROUND_COLOUR);  // map..bar gap
    EXPECT_EQ(w.png.rgb(l.width - 1, l.height - 1), GT_BACKGROUND_COLOUR);
    EXPECT_EQ(label_mismatch(w.png, l, l.max_label_y, "0"), "");
    EXPECT_EQ(label_mismatch(w.png, l, l.min_label_y, "-2550"), "");
}

// The bundled example against the library's own statistics of it.
TEST(PhasePicture, BundledExample) {
    measurement m;
    ASSERT_EQ(df_read_binary(GRIDTOOL_PNG_EXAMPLE, &m.ident, &m.params, nullptr, &m.phase), NO_ERROR);
    phase_stats stats{};
    ASSERT_EQ(phase_matrix_stats(&m.phase, nullptr, &stats), NO_ERROR);
    const std::string min_text = std::to_string(stats.min);
    const std::string max_text = std::to_string(stats.max);
    const written_phase w =
        write_and_decode(m.phase, static_cast<int64_t>(std::max(min_text.size(), max_text.size())));
    if (!w.png.ok) return;
    const phase_picture_layout& l = w.layout;
    const matrix_window& win = m.phase.window;
    EXPECT_EQ(map_point(w.png, l, stats.min_x - win.x, stats.min_y - win.y), LOWEST);
    EXPECT_EQ(map_point(w.png, l, stats.max_x - win.x, stats.max_y - win.y), HIGHEST);
    EXPECT_EQ(label_mismatch(w.png, l, l.max_label_y, max_text), "");
    EXPECT_EQ(label_mismatch(w.png, l, l.min_label_y, min_text), "");
    int invalid = 0;
    for (int64_t r = 0; r < win.height; ++r) {
        for (int64_t c = 0; c < win.width; ++c) {
            const int32_t v = m.phase.matrix[r * win.width + c];
            const rgb8 want =
                v >= PHASE_INVALID
                    ? GT_INVALID_COLOUR
                    : GT_COLOUR_MAP[std::lround(255.0 * (v - stats.min) / stats.pv)];
            invalid += v >= PHASE_INVALID ? 1 : 0;
            ASSERT_EQ(map_point(w.png, l, c, r), want) << c << ", " << r << ": " << v;
        }
    }
    EXPECT_GT(invalid, 0);  // the aperture's outside
}

TEST(PhasePicture, AllInvalidMapIsGreyWithoutLabels) {
    owned_phase map(5, 3, std::vector<int32_t>(15, PHASE_INVALID));
    const written_phase w = write_and_decode(map.m, 0);
    if (!w.png.ok) return;
    for (int64_t y = 0; y < w.png.height; ++y) {
        for (int64_t x = 0; x < w.png.width; ++x) {
            const rgb8 c = w.png.rgb(x, y);
            ASSERT_TRUE(c == GT_INVALID_COLOUR || c == GT_BACKGROUND_COLOUR) << x << ", " << y;
        }
    }
    EXPECT_EQ(map_point(w.png, w.layout, 4, 2), GT_INVALID_COLOUR);
    EXPECT_EQ(bar_top(w), GT_INVALID_COLOUR);
}

TEST(PhasePicture, ConstantMapAndSinglePoint) {
    owned_phase constant(3, 3, {42, 42, 42, 42, PHASE_INVALID, 42, 42, 42, 42});
    const written_phase w = write_and_decode(constant.m, 2);
    if (!w.png.ok) return;
    EXPECT_EQ(map_point(w.png, w.layout, 0, 0), MIDDLE);
    EXPECT_EQ(map_point(w.png, w.layout, 1, 1), GT_INVALID_COLOUR);
    EXPECT_EQ(bar_top(w), MIDDLE);
    EXPECT_EQ(bar_bottom(w), MIDDLE);
    EXPECT_EQ(label_mismatch(w.png, w.layout, w.layout.max_label_y, "42"), "");
    EXPECT_EQ(label_mismatch(w.png, w.layout, w.layout.min_label_y, "42"), "");

    owned_phase single(1, 1, {-7});
    const written_phase one = write_and_decode(single.m, 2);
    if (!one.png.ok) return;
    EXPECT_GE(one.layout.map_width, 64);  // visible, not one pixel
    EXPECT_EQ(map_point(one.png, one.layout, 0, 0), MIDDLE);
    EXPECT_EQ(label_mismatch(one.png, one.layout, one.layout.min_label_y, "-7"), "");
}

// Extremes: a spread beyond 32 bits signed, and the widest window.
TEST(PhasePicture, WidestRangeAndWidestWindow) {
    owned_phase range(3, 1, {INT32_MIN, 0, PHASE_INVALID - 1});
    const written_phase w = write_and_decode(range.m, 11);
    if (!w.png.ok) return;
    EXPECT_EQ(map_point(w.png, w.layout, 0, 0), LOWEST);
    EXPECT_EQ(map_point(w.png, w.layout, 1, 0), GT_COLOUR_MAP[128]);  // 127.5000003 of 255
    EXPECT_EQ(map_point(w.png, w.layout, 2, 0), HIGHEST);
    EXPECT_EQ(label_mismatch(w.png, w.layout, w.layout.min_label_y, "-2147483648"), "");
    EXPECT_EQ(label_mismatch(w.png, w.layout, w.layout.max_label_y, "2147483639"), "");

    std::vector<int32_t> ramp(2 * 32767);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int32_t>(i % 32767);
    owned_phase wide(32767, 2, ramp);
    const written_phase ww = write_and_decode(wide.m, 5);
    if (!ww.png.ok) return;
    EXPECT_EQ(ww.layout.zoom, 1);
    EXPECT_EQ(map_point(ww.png, ww.layout, 0, 1), LOWEST);
    EXPECT_EQ(map_point(ww.png, ww.layout, 32766, 1), HIGHEST);
}

}  // namespace
