// Pixels without a height: those that see no surface, those whose fringes
// are too faint; and unwrapping round invalid regions and over islands.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "scan_frames.h"

namespace {

const optics::light_source kLaser = optics::monochromatic_source();
const optics::light_source kWhite = optics::broadband_source();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

an_options options_for(int32_t ramp_type, int32_t frames, const optics::light_source& source) {
    an_options o{};
    EXPECT_EQ(an_options_from_ramp(ramp_type, frames, 0.25, source.wavelength_nm / 8,
                                   source.wavelength_nm, AN_DEFAULT_MIN_CONTRAST, &o),
              NO_ERROR);
    return o;
}

// The frames of two cameras on one surface: pixels where faint is true are
// seen with low fringe contrast.
scan_frames with_faint_pixels(const optics::surface& surf, const optics::light_source& source,
                              const optics::camera& cam, const an_options& o,
                              const std::vector<bool>& faint) {
    optics::camera dim = cam;
    dim.contrast = 0.03;
    scan_frames scan = render_scan(surf, source, cam, o.start_nm, o.frame_step_nm, o.n_frames);
    const scan_frames low = render_scan(surf, source, dim, o.start_nm, o.frame_step_nm, o.n_frames);
    for (size_t k = 0; k < scan.frames.size(); ++k)
        for (size_t i = 0; i < faint.size(); ++i)
            if (faint[i]) scan.frames[k][i] = low.frames[k][i];
    return scan;
}

// Expects PHASE_INVALID exactly where `invalid` says so.
void expect_invalid_exactly(const height_map& h, const std::vector<bool>& invalid) {
    ASSERT_EQ(h.err, NO_ERROR);
    ASSERT_EQ(h.m.size, invalid.size());
    for (size_t i = 0; i < invalid.size(); ++i) {
        EXPECT_EQ(h.m.matrix[i] == PHASE_INVALID, invalid[i]) << "pixel " << i;
        if (!invalid[i]) {
            EXPECT_LT(h.m.matrix[i], PHASE_INVALID);
        }
    }
}

TEST(InvalidPixels, NoSurfaceAndFaintFringesGiveNoHeight) {
    constexpr int32_t w = 24, hgt = 16;
    optics::surface surf = optics::make_tilt(w, hgt, 1.0, 20.0, 10.0);
    std::vector<bool> dark(surf.height_nm.size(), false), faint(surf.height_nm.size(), false);
    for (int32_t y = 0; y < hgt; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = surf.index(x, y);
            if (x >= 3 && x < 8 && y >= 4 && y < 9) dark[i] = true;  // a hole in the part
            if (x >= 15 && y >= 10) faint[i] = true;                // a washed-out corner
        }
    }
    for (size_t i = 0; i < dark.size(); ++i)
        if (dark[i]) surf.height_nm[i] = kNaN;
    std::vector<bool> invalid(dark.size());
    for (size_t i = 0; i < dark.size(); ++i) invalid[i] = dark[i] || faint[i];

    // A dark pixel's noise alone has a high contrast against its own
    // faint light: it must not pass for a fringe.
    for (const double noise : {0.0, 8.0}) {
        optics::camera cam;
        cam.noise_sigma = noise;
        for (const int32_t ramp_type : {1, 0}) {
            SCOPED_TRACE(std::string(ramp_type == 1 ? "PMI" : "SWLI") + " noise " + std::to_string(noise));
            const optics::light_source& source = ramp_type == 1 ? kLaser : kWhite;
            an_options o = options_for(ramp_type, ramp_type == 1 ? 5 : 61, source);
            if (ramp_type == 0) o.start_nm = -30 * o.frame_step_nm + 400;
            const scan_frames scan = with_faint_pixels(surf, source, cam, o, faint);
            height_map h;
            measure(o, scan, h);
            expect_invalid_exactly(h, invalid);
        }
    }
}

// A coherence peak beyond either end of the scan is no peak.
TEST(InvalidPixels, SurfaceOutsideTheScanGivesNoHeight) {
    const optics::surface far = optics::make_tilt(8, 4, 1.0, 0.0, 0.0);
    an_options o = options_for(0, 41, kWhite);
    o.start_nm = 1000;  // the scan runs from 1 um to 4.2 um above a surface at 0
    const scan_frames scan = render_scan(far, kWhite, optics::camera{}, o.start_nm, o.frame_step_nm, 41);
    height_map h;
    measure(o, scan, h);
    expect_invalid_exactly(h, std::vector<bool>(32, true));
}

// A tilt of several fringes with a wall of invalid pixels across most of
// it: the unwrapping goes round the wall's end, so both sides agree with
// the known surface.
TEST(Unwrapping, GoesRoundAnInvalidRegion) {
    constexpr int32_t w = 48, hgt = 40;
    optics::surface surf = optics::make_tilt(w, hgt, 1.0, 70.0, 40.0);
    for (int32_t y = 0; y < hgt - 4; ++y)
        for (int32_t x = 20; x < 26; ++x) surf.height_nm[surf.index(x, y)] = kNaN;
    const an_options o = options_for(1, 5, kLaser);
    const scan_frames scan = render_scan(surf, kLaser, optics::camera{}, 0, o.frame_step_nm, 5);
    height_map h;
    measure(o, scan, h);
    ASSERT_EQ(h.err, NO_ERROR);
    double rms = 1e9;
    int64_t count = 0;
    ASSERT_EQ(an_height_error(&h.m, surf.height_nm.data(), &rms, &count), NO_ERROR);
    EXPECT_EQ(count, int64_t{w} * hgt - 6 * (hgt - 4));
    EXPECT_LT(rms, kLaser.wavelength_nm / 1000);
}

// Two islands that no path joins: each is whole in itself (its own piston,
// since nothing ties the fringe orders of the two together).
TEST(Unwrapping, EachIslandIsUnwrappedOnItsOwn) {
    constexpr int32_t w = 48, hgt = 24;
    const optics::surface full = optics::make_tilt(w, hgt, 1.0, 60.0, 45.0);
    optics::surface surf = full;
    for (int32_t y = 0; y < hgt; ++y)
        for (int32_t x = 22; x < 25; ++x) surf.height_nm[surf.index(x, y)] = kNaN;
    const an_options o = options_for(1, 5, kLaser);
    const scan_frames scan = render_scan(surf, kLaser, optics::camera{}, 0, o.frame_step_nm, 5);
    height_map h;
    measure(o, scan, h);
    ASSERT_EQ(h.err, NO_ERROR);
    for (const bool left : {true, false}) {
        SCOPED_TRACE(left ? "left island" : "right island");
        std::vector<double> diff(surf.height_nm.size(), kNaN);
        for (int32_t y = 0; y < hgt; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                const size_t i = surf.index(x, y);
                if ((x < 22) != left || std::isnan(surf.height_nm[i])) continue;
                ASSERT_LT(h.m.matrix[i], PHASE_INVALID);
                diff[i] = h.m.matrix[i] / 1000.0 - full.height_nm[i];
            }
        }
        an_plane plane{};
        ASSERT_EQ(an_remove_plane(diff.data(), w, hgt, &plane), NO_ERROR);
        EXPECT_EQ(plane.count, int64_t{left ? 22 : w - 25} * hgt);
        double worst = 0;
        for (const double d : diff)
            if (!std::isnan(d)) worst = std::max(worst, std::fabs(d));
        EXPECT_LT(worst, kLaser.wavelength_nm / 200);
    }
}

}  // namespace
