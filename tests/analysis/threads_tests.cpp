// The thread count changes how the rows are shared, never a result.
#include <gtest/gtest.h>

#include <vector>

#include "scan_frames.h"

namespace {

std::vector<int32_t> heights_with(an_options o, const scan_frames& scan, int32_t threads) {
    o.threads = threads;
    height_map h;
    measure(o, scan, h);
    EXPECT_EQ(h.err, NO_ERROR);
    if (h.err != NO_ERROR) return {};
    return std::vector<int32_t>(h.m.matrix, h.m.matrix + h.m.size);
}

TEST(Threads, EveryThreadCountGivesTheSameHeights) {
    // An odd number of rows, so that the last chunk is short; noise, so
    // that every pixel differs.
    optics::camera noisy;
    noisy.noise_sigma = 10;
    const optics::surface sphere = optics::make_sphere(37, 29, 1.0, 0.5);
    for (const int32_t ramp_type : {1, 0}) {
        SCOPED_TRACE(ramp_type == 1 ? "PMI" : "SWLI");
        const optics::light_source source =
            ramp_type == 1 ? optics::monochromatic_source() : optics::broadband_source();
        const int32_t frames = ramp_type == 1 ? 13 : 61;
        an_options o{};
        ASSERT_EQ(an_options_from_ramp(ramp_type, frames, 0.25, source.wavelength_nm / 8,
                                       source.wavelength_nm, AN_DEFAULT_MIN_CONTRAST, &o),
                  NO_ERROR);
        o.start_nm = ramp_type == 1 ? 0 : -2000;
        const scan_frames scan = render_scan(sphere, source, noisy, o.start_nm, o.frame_step_nm, frames);
        const std::vector<int32_t> single = heights_with(o, scan, 1);
        ASSERT_EQ(single.size(), size_t{37} * 29);
        for (const int32_t threads : {0, 2, 3, 8, 64}) {
            EXPECT_EQ(heights_with(o, scan, threads), single) << threads << " threads";
        }
    }
}

}  // namespace
