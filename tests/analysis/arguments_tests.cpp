// What the computation refuses, and with which code.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scan_frames.h"

namespace {

an_options pmi5() {
    an_options o{};
    EXPECT_EQ(an_options_from_ramp(1, 5, 0.25, 79.1, 632.8, AN_DEFAULT_MIN_CONTRAST, &o), NO_ERROR);
    return o;
}

struct small_scan {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(4 * 3 * 5, 1000);
    std::vector<const uint16_t*> frames;
    matrix_window window{0, 0, 4, 3};
    small_scan() {
        for (size_t k = 0; k < 5; ++k) frames.push_back(pixels.data() + 12 * k);
    }
};

int32_t run(const an_options& o, const small_scan& s, int32_t n_frames, matrix_window window) {
    phase_matrix out{};
    const int32_t err = an_surface_frames(&o, s.frames.data(), n_frames, window, &out);
    phase_matrix_free(&out);
    return err;
}

TEST(Arguments, RampTypesChooseTheMethod) {
    an_options o{};
    for (const int32_t type : {1, 7, 15}) {
        ASSERT_EQ(an_options_from_ramp(type, 5, 0.25, 79.1, 632.8, 0.1, &o), NO_ERROR);
        EXPECT_EQ(o.method, AN_PHASE_SHIFTING);
    }
    for (const int32_t type : {0, 17}) {
        ASSERT_EQ(an_options_from_ramp(type, 101, 0.25, 81, 648, 0.1, &o), NO_ERROR);
        EXPECT_EQ(o.method, AN_COHERENCE_PEAK);
    }
    EXPECT_EQ(o.start_nm, 0.0);
    EXPECT_EQ(o.threads, 1);
    for (const int32_t type : {-1, 16, 18})
        EXPECT_EQ(an_options_from_ramp(type, 5, 0.25, 79.1, 632.8, 0.1, &o), ERR_BAD_PARAM);
    EXPECT_EQ(an_options_from_ramp(1, 5, 0.25, 79.1, 632.8, 0.1, nullptr), ERR_BAD_PARAM);
}

TEST(Arguments, BadOptionsAreRefused) {
    const small_scan s;
    const an_options good = pmi5();
    EXPECT_EQ(run(good, s, 5, s.window), NO_ERROR);
    const auto with = [&](auto change) {
        an_options o = good;
        change(o);
        return run(o, s, o.n_frames, s.window);
    };
    EXPECT_EQ(with([](an_options& o) { o.method = 3; }), ERR_BAD_PARAM);
    EXPECT_EQ(with([](an_options& o) { o.threads = -1; }), ERR_BAD_PARAM);
    EXPECT_EQ(with([](an_options& o) { o.wavelength_nm = std::nan(""); }), ERR_BAD_PARAM);
    EXPECT_EQ(with([](an_options& o) { o.wavelength_nm = 0; }), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(with([](an_options& o) { o.fringes_per_frame = -0.25; }), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(with([](an_options& o) { o.min_contrast = 1.5; }), ERR_PARAM_OUT_OF_RANGE);
    // Half a fringe per frame: every frame has the same sine term.
    EXPECT_EQ(with([](an_options& o) { o.fringes_per_frame = 0.5; }), ERR_PARAM_OUT_OF_RANGE);
    EXPECT_EQ(with([](an_options& o) { o.n_frames = 2; }), ERR_AC_SCAN_TOO_SHORT);
    EXPECT_EQ(with([](an_options& o) {
                  o.method = AN_COHERENCE_PEAK;
                  o.frame_step_nm = 0;
              }),
              ERR_PARAM_OUT_OF_RANGE);
    // Five frames cannot hold a coherence peak.
    EXPECT_EQ(with([](an_options& o) { o.method = AN_COHERENCE_PEAK; }), ERR_AC_SCAN_TOO_SHORT);
}

TEST(Arguments, FramesThatDoNotFitTheOptionsAreRefused) {
    const small_scan s;
    const an_options o = pmi5();
    phase_matrix out{};
    EXPECT_EQ(an_surface_frames(nullptr, s.frames.data(), 5, s.window, &out), ERR_BAD_PARAM);
    EXPECT_EQ(an_surface_frames(&o, nullptr, 5, s.window, &out), ERR_BAD_PARAM);
    EXPECT_EQ(an_surface_frames(&o, s.frames.data(), 5, s.window, nullptr), ERR_BAD_PARAM);
    std::vector<const uint16_t*> holed = s.frames;
    holed[3] = nullptr;
    EXPECT_EQ(an_surface_frames(&o, holed.data(), 5, s.window, &out), ERR_BAD_PARAM);
    EXPECT_EQ(run(o, s, 4, s.window), ERR_WINDOWS_MISMATCHED);
    EXPECT_EQ(run(o, s, 5, matrix_window{0, 0, 0, 3}), ERR_WINDOWS_MISMATCHED);
    EXPECT_EQ(run(o, s, 5, matrix_window{0, 0, 4, -3}), ERR_WINDOWS_MISMATCHED);
    // 32767 x 32767 x 5 counts do not fit an intensity matrix's size.
    EXPECT_EQ(run(o, s, 5, matrix_window{0, 0, 32767, 32767}), ERR_MULTIPLY_OVERFLOW);
    EXPECT_EQ(out.matrix, nullptr);
}

TEST(Arguments, AnIntensityMatrixMustHoldItsFrames) {
    small_scan s;
    const an_options o = pmi5();
    intens_matrix m{};
    m.window = s.window;
    m.n_buckets = 5;
    m.size = static_cast<uint32_t>(s.pixels.size());
    m.matrix = s.pixels.data();
    phase_matrix out{};
    ASSERT_EQ(an_surface(&o, &m, &out), NO_ERROR);
    EXPECT_EQ(out.size, 12u);
    EXPECT_EQ(out.window.width, 4);
    EXPECT_EQ(out.window.height, 3);
    // A second measurement into the same matrix reuses it.
    EXPECT_EQ(an_surface(&o, &m, &out), NO_ERROR);
    phase_matrix_free(&out);
    intens_matrix short_buffer = m;
    short_buffer.size -= 1;
    EXPECT_EQ(an_surface(&o, &short_buffer, &out), ERR_WINDOWS_MISMATCHED);
    intens_matrix other_count = m;
    other_count.n_buckets = 4;
    EXPECT_EQ(an_surface(&o, &other_count, &out), ERR_WINDOWS_MISMATCHED);
    intens_matrix no_buffer = m;
    no_buffer.matrix = nullptr;
    EXPECT_EQ(an_surface(&o, &no_buffer, &out), ERR_WINDOWS_MISMATCHED);
    EXPECT_EQ(an_surface(&o, nullptr, &out), ERR_BAD_PARAM);
    EXPECT_EQ(out.matrix, nullptr);
}

// Flat frames have no fringes: every pixel is invalid, which is a result,
// not an error.
TEST(Arguments, FramesWithoutFringesGiveAnAllInvalidMap) {
    const small_scan s;
    const an_options o = pmi5();
    phase_matrix out{};
    ASSERT_EQ(an_surface_frames(&o, s.frames.data(), 5, s.window, &out), NO_ERROR);
    for (uint32_t i = 0; i < out.size; ++i) EXPECT_EQ(out.matrix[i], PHASE_INVALID);
    phase_matrix_free(&out);
}

}  // namespace
