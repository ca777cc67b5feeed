// The intensity frame picture decoded with libpng: 8-bit grey, one pixel per
// element, the frame's minimum black and maximum white.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/gridtool/png_picture.h"
#include "picture_matrices.h"
#include "support/measurement.h"
#include "support/temp_file.h"

namespace {

decoded_png write_frame(const intens_matrix& intens, int frame) {
    temp_file out("frame.png");
    std::string reason;
    EXPECT_EQ(gt_write_frame_png(out.str(), intens, frame, &reason), NO_ERROR) << reason;
    decoded_png png = decode_png(out.str(), true);
    EXPECT_TRUE(png.ok);
    EXPECT_EQ(png.file_format, PNG_FORMAT_GRAY);  // 8-bit grey
    EXPECT_EQ(png.width, static_cast<uint32_t>(intens.window.width));
    EXPECT_EQ(png.height, static_cast<uint32_t>(intens.window.height));
    return png;
}

TEST(FramePicture, EachFrameScaledOnItsOwn) {
    // Frame 0 is one value throughout, frame 1 spans 255 steps.
    owned_intens intens(3, 2, 2, {7, 7, 7, 7, 7, 7, 100, 200, 355, 300, 150, 101});
    const decoded_png flat = write_frame(intens.m, 0);
    if (!flat.ok) return;
    for (int64_t i = 0; i < 6; ++i) EXPECT_EQ(flat.grey(i % 3, i / 3), 128) << i;

    const decoded_png png = write_frame(intens.m, 1);
    if (!png.ok) return;
    EXPECT_EQ(png.grey(0, 0), 0);
    EXPECT_EQ(png.grey(1, 0), 100);
    EXPECT_EQ(png.grey(2, 0), 255);
    EXPECT_EQ(png.grey(0, 1), 200);
    EXPECT_EQ(png.grey(1, 1), 50);
    EXPECT_EQ(png.grey(2, 1), 1);
}

TEST(FramePicture, BundledExampleLastFrame) {
    measurement m;
    ASSERT_EQ(df_read_binary(GRIDTOOL_PNG_EXAMPLE, &m.ident, &m.params, &m.intens, nullptr), NO_ERROR);
    const int last = m.intens.n_buckets - 1;
    const decoded_png png = write_frame(m.intens, last);
    if (!png.ok) return;
    const int64_t columns = m.intens.window.width;
    const int64_t count = columns * m.intens.window.height;
    const uint16_t* frame = m.intens.matrix + last * count;
    const auto lowest = std::min_element(frame, frame + count) - frame;
    const auto highest = std::max_element(frame, frame + count) - frame;
    ASSERT_NE(frame[lowest], frame[highest]);
    EXPECT_EQ(png.grey(lowest % columns, lowest / columns), 0);
    EXPECT_EQ(png.grey(highest % columns, highest / columns), 255);
}

}  // namespace
