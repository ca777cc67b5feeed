// Coherence-peak scanning on simulated SWLI and BTW scans: the step, sphere
// and tilt within 1 % of the coherence length, the origin of the heights,
// and the undersampled and envelope-only ramps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "scan_frames.h"

namespace {

const optics::light_source kWhite = optics::broadband_source();

// A scan of `frames` frames at fringes_per_frame, centred on height 0.
struct swli_scan {
    an_options options;
    double start_nm;
};

swli_scan swli(int32_t ramp_type, int32_t frames, double fringes_per_frame) {
    swli_scan s{};
    EXPECT_EQ(an_options_from_ramp(ramp_type, frames, fringes_per_frame,
                                   fringes_per_frame * kWhite.wavelength_nm / 2,
                                   kWhite.wavelength_nm, AN_DEFAULT_MIN_CONTRAST, &s.options),
              NO_ERROR);
    s.start_nm = -(frames / 2) * s.options.frame_step_nm + 250.0;
    s.options.start_nm = s.start_nm;
    return s;
}

double swli_error(const optics::surface& surf, const swli_scan& s, const optics::camera& cam = {}) {
    const scan_frames scan = render_scan(surf, kWhite, cam, s.start_nm, s.options.frame_step_nm,
                                         s.options.n_frames);
    height_map h;
    measure(s.options, scan, h);
    EXPECT_EQ(h.err, NO_ERROR);
    double rms = 1e9;
    int64_t count = 0;
    EXPECT_EQ(an_height_error(&h.m, surf.height_nm.data(), &rms, &count), NO_ERROR);
    EXPECT_EQ(count, int64_t{surf.width} * surf.height);
    return rms;
}

TEST(CoherencePeak, StepSphereAndTiltWithinOnePercentOfTheCoherenceLength) {
    const double goal = kWhite.coherence_nm / 100;
    const optics::surface step = optics::make_step(48, 16, 1.0, 1000.0);
    const optics::surface sphere = optics::make_sphere(48, 32, 1.0, 0.5);
    const optics::surface tilt = optics::make_tilt(48, 32, 1.0, 30.0, 12.0);
    struct case_t {
        const char* name;
        const optics::surface* surf;
        int32_t ramp_type;
    };
    const case_t cases[] = {
        {"SWLI step 1000 nm, 101 frames at 1/4 fringe", &step, 0},
        {"SWLI sphere, 101 frames at 1/4 fringe", &sphere, 0},
        {"SWLI tilt, 101 frames at 1/4 fringe", &tilt, 0},
        {"BTW step 1000 nm, 101 frames at 1/4 fringe", &step, 17},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        const double rms = swli_error(*c.surf, swli(c.ramp_type, 101, 0.25));
        print_figure(c.name, rms, goal);
        EXPECT_LT(rms, goal);
    }
}

TEST(CoherencePeak, StepWithNoiseStaysWithinOnePercent) {
    const double goal = kWhite.coherence_nm / 100;
    optics::camera noisy;
    noisy.noise_sigma = 10;
    noisy.seed = 3;
    const optics::surface step = optics::make_step(48, 16, 1.0, 1000.0);
    const double rms = swli_error(step, swli(0, 101, 0.25), noisy);
    print_figure("SWLI step 1000 nm, noise 10 counts", rms, goal);
    EXPECT_LT(rms, goal);
}

// The heights are scanner positions, frame 0 at start_nm: without any
// plane removed, the step's two levels read as 0 and 1000 nm.
TEST(CoherencePeak, HeightsAreScannerPositionsFromTheGivenStart) {
    const optics::surface step = optics::make_step(8, 2, 1.0, 1000.0);
    const swli_scan s = swli(0, 101, 0.25);
    const scan_frames scan = render_scan(step, kWhite, optics::camera{}, s.start_nm,
                                         s.options.frame_step_nm, s.options.n_frames);
    height_map h;
    measure(s.options, scan, h);
    ASSERT_EQ(h.err, NO_ERROR);
    EXPECT_NEAR(h.at(0, 1) / 1000.0, 0.0, 2.0);
    EXPECT_NEAR(h.at(7, 1) / 1000.0, 1000.0, 2.0);
    // The same scan told to start 500 nm higher reads 500 nm higher.
    an_options shifted = s.options;
    shifted.start_nm += 500;
    height_map g;
    measure(shifted, scan, g);
    ASSERT_EQ(g.err, NO_ERROR);
    EXPECT_EQ(g.at(0, 1) - h.at(0, 1), 500000);
}

// A scan downwards (negative slope): the same heights from the frames in
// the other order, for both methods.
TEST(CoherencePeak, AScanDownwardsGivesTheSameHeights) {
    const optics::surface sphere = optics::make_sphere(24, 16, 1.0, 0.5);
    for (const int32_t ramp_type : {0, 1}) {
        SCOPED_TRACE(ramp_type == 0 ? "SWLI" : "PMI");
        const optics::light_source source = ramp_type == 0 ? kWhite : optics::monochromatic_source();
        swli_scan up{};
        ASSERT_EQ(an_options_from_ramp(ramp_type, ramp_type == 0 ? 61 : 5, 0.25,
                                       source.wavelength_nm / 8, source.wavelength_nm,
                                       AN_DEFAULT_MIN_CONTRAST, &up.options),
                  NO_ERROR);
        up.options.start_nm = ramp_type == 0 ? -2400 : 0;
        an_options down = up.options;
        down.frame_step_nm = -up.options.frame_step_nm;
        down.start_nm = up.options.start_nm + (up.options.n_frames - 1) * up.options.frame_step_nm;
        scan_frames scan = render_scan(sphere, source, optics::camera{}, up.options.start_nm,
                                       up.options.frame_step_nm, up.options.n_frames);
        height_map a, b;
        measure(up.options, scan, a);
        std::reverse(scan.pointers.begin(), scan.pointers.end());
        measure(down, scan, b);
        ASSERT_EQ(a.err, NO_ERROR);
        ASSERT_EQ(b.err, NO_ERROR);
        for (uint32_t i = 0; i < a.m.size; ++i) EXPECT_NEAR(a.m.matrix[i], b.m.matrix[i], 2) << i;
    }
}

// An undersampled scan (more than 0.4 fringes per frame) leaves the
// envelope alone, sampled at only two or three frames across for this
// source: every peak is found, to a fifth of the coherence length.
TEST(CoherencePeak, UndersampledScansUseTheEnvelopeAlone) {
    const double goal = kWhite.coherence_nm / 5;
    const optics::surface tilt = optics::make_tilt(32, 16, 1.0, 30.0, 12.0);
    for (const double fringes : {0.75, 1.25, 1.6}) {
        const std::string name = "SWLI tilt, envelope alone at " + std::to_string(fringes) + " fringes";
        SCOPED_TRACE(name);
        const double rms = swli_error(tilt, swli(0, 41, fringes));
        print_figure(name.c_str(), rms, goal);
        EXPECT_LT(rms, goal);
    }
}

TEST(CoherencePeak, FinelySampledFringesUseALongerRun) {
    const double goal = kWhite.coherence_nm / 100;
    const optics::surface sphere = optics::make_sphere(32, 16, 1.0, 0.5);
    const double rms = swli_error(sphere, swli(0, 201, 0.1));
    print_figure("SWLI sphere, 201 frames at 0.1 fringe", rms, goal);
    EXPECT_LT(rms, goal);
}

}  // namespace
