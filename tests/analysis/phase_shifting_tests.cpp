// Phase shifting on simulated PMI scans: the recovered surface against the
// known one after piston and tilt, noise-free and with camera noise, for
// the five-frame formula and the least-squares algorithms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scan_frames.h"

namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;

const optics::light_source kLaser = optics::monochromatic_source();

an_options pmi_options(int32_t frames, double fringes_per_frame) {
    an_options o{};
    EXPECT_EQ(an_options_from_ramp(1, frames, fringes_per_frame,
                                   fringes_per_frame * kLaser.wavelength_nm / 2,
                                   kLaser.wavelength_nm, AN_DEFAULT_MIN_CONTRAST, &o),
              NO_ERROR);
    return o;
}

// RMS height error (nm) of a PMI measurement of surf with frames at the
// ramp's steps from start_nm.
double pmi_error(const optics::surface& surf, const optics::camera& cam, int32_t frames,
                 double fringes_per_frame, double start_nm = 0) {
    const an_options o = pmi_options(frames, fringes_per_frame);
    const scan_frames scan = render_scan(surf, kLaser, cam, start_nm, o.frame_step_nm, frames);
    height_map h;
    measure(o, scan, h);
    EXPECT_EQ(h.err, NO_ERROR);
    double rms = 1e9;
    int64_t count = 0;
    EXPECT_EQ(an_height_error(&h.m, surf.height_nm.data(), &rms, &count), NO_ERROR);
    EXPECT_EQ(count, int64_t{surf.width} * surf.height);  // every pixel valid
    return rms;
}

TEST(PhaseShifting, NoiseFreeSurfacesWithinAThousandthOfTheWavelength) {
    const double goal = kLaser.wavelength_nm / 1000;
    const optics::camera clean;
    const optics::surface sphere = optics::make_sphere(kWidth, kHeight, 1.0, 0.5);
    const optics::surface tilt = optics::make_tilt(kWidth, kHeight, 1.0, 25.0, -15.0);
    const optics::surface step = optics::make_step(kWidth, kHeight, 1.0, 60.0);
    struct case_t {
        const char* name;
        const optics::surface* surf;
        int32_t frames;
        double fringes;
    };
    const case_t cases[] = {
        {"PMI sphere, 5 frames at 90 deg (five-frame formula)", &sphere, 5, 0.25},
        {"PMI tilt, 5 frames at 90 deg", &tilt, 5, 0.25},
        {"PMI step 60 nm, 5 frames at 90 deg", &step, 5, 0.25},
        {"PMI sphere, 7 frames at 60 deg (least squares)", &sphere, 7, 1.0 / 6},
        {"PMI sphere, 11 frames at 90 deg (least squares)", &sphere, 11, 0.25},
        {"PMI sphere, 13 frames at 90 deg (least squares)", &sphere, 13, 0.25},
        {"PMI sphere, 4 frames at 90 deg (least squares)", &sphere, 4, 0.25},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        const double rms = pmi_error(*c.surf, clean, c.frames, c.fringes);
        print_figure(c.name, rms, goal);
        EXPECT_LT(rms, goal);
    }
}

TEST(PhaseShifting, WithTenCountsOfNoiseWithinTwoHundredthsOfTheWavelength) {
    const double goal = kLaser.wavelength_nm / 200;
    optics::camera noisy;
    noisy.noise_sigma = 10;
    noisy.seed = 7;
    const optics::surface sphere = optics::make_sphere(kWidth, kHeight, 1.0, 0.5);
    for (const int32_t frames : {5, 13}) {
        const std::string name = "PMI sphere, noise 10 counts, " + std::to_string(frames) + " frames";
        SCOPED_TRACE(name);
        const double rms = pmi_error(sphere, noisy, frames, 0.25);
        print_figure(name.c_str(), rms, goal);
        EXPECT_LT(rms, goal);
    }
}

// A scanner whose steps are 5 % long (a calibration error of the ramp):
// the five-frame formula hardly notices (least squares over the same five
// frames errs five times as much), which is why it serves five frames.
TEST(PhaseShifting, TheFiveFrameFormulaToleratesAStepError) {
    const optics::surface sphere = optics::make_sphere(kWidth, kHeight, 1.0, 0.5);
    const an_options o = pmi_options(5, 0.25);
    const scan_frames scan = render_scan(sphere, kLaser, optics::camera{}, 0, 1.05 * o.frame_step_nm, 5);
    height_map h;
    measure(o, scan, h);
    ASSERT_EQ(h.err, NO_ERROR);
    double rms = 1e9;
    ASSERT_EQ(an_height_error(&h.m, sphere.height_nm.data(), &rms, nullptr), NO_ERROR);
    print_figure("PMI sphere, 5 frames, steps 5 % long", rms, kLaser.wavelength_nm / 6000);
    EXPECT_LT(rms, kLaser.wavelength_nm / 6000);
}

// Without piston removed, the heights lie within a quarter wavelength of the
// scanner position of the middle frame: a flat surface there reads as its
// height, whatever the scan's start.
TEST(PhaseShifting, HeightsAreTakenFromTheMiddleOfTheScan) {
    const optics::surface flat = optics::make_tilt(16, 8, 1.0, 0.0, 0.0);
    const an_options o0 = pmi_options(5, 0.25);
    for (const double start : {-2 * o0.frame_step_nm, -2 * o0.frame_step_nm + 100.0}) {
        an_options o = o0;
        o.start_nm = start;
        const scan_frames scan = render_scan(flat, kLaser, optics::camera{}, start, o.frame_step_nm, 5);
        height_map h;
        measure(o, scan, h);
        ASSERT_EQ(h.err, NO_ERROR);
        // The middle frame is at start + 2 steps: 0 or 100 nm above the
        // surface, which is at 0; both are within a quarter wavelength.
        EXPECT_NEAR(h.at(3, 3) / 1000.0, 0.0, 0.1);
    }
}

// A PMI ramp in the intensity matrix's layout gives what the separate
// frames give.
TEST(PhaseShifting, IntensityMatrixAndSeparateFramesAgree) {
    const optics::surface sphere = optics::make_sphere(20, 10, 1.0, 0.5);
    const an_options o = pmi_options(5, 0.25);
    const scan_frames scan = render_scan(sphere, kLaser, optics::camera{}, 0, o.frame_step_nm, 5);
    std::vector<uint16_t> buffer;
    const intens_matrix frames = as_intens_matrix(scan, buffer);
    height_map a, b;
    measure(o, scan, a);
    b.err = an_surface(&o, &frames, &b.m);
    ASSERT_EQ(a.err, NO_ERROR);
    ASSERT_EQ(b.err, NO_ERROR);
    EXPECT_EQ(std::vector<int32_t>(a.m.matrix, a.m.matrix + a.m.size),
              std::vector<int32_t>(b.m.matrix, b.m.matrix + b.m.size));
}

}  // namespace
