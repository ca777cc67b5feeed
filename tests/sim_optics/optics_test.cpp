// The simulated camera's image: the fringe formula with each pixel's own
// contrast, the coherence envelope, dark pixels where there is no surface,
// and noise that depends on the seed and the frame alone.
#include "sim/optics/optics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

std::vector<uint16_t> frame(const optics::surface& surf, const optics::light_source& source,
                            const optics::camera& cam, double scanner_nm, uint64_t index) {
    std::vector<uint16_t> pixels(surf.height_nm.size());
    optics::render_frame(surf, source, cam, scanner_nm, index, pixels.data());
    return pixels;
}

TEST(Optics, EachPixelHasItsOwnContrast) {
    optics::camera cam;
    double lowest = 1;
    double highest = 0;
    double sum = 0;
    constexpr uint64_t kPixels = 20000;
    for (uint64_t i = 0; i < kPixels; ++i) {
        const double c = optics::pixel_contrast(cam, i);
        lowest = std::min(lowest, c);
        highest = std::max(highest, c);
        sum += c;
    }
    // contrast * (1 - spread * u), u uniform in 0..1: 0.64 .. 0.8, mean 0.72.
    EXPECT_GE(lowest, 0.64);
    EXPECT_LT(lowest, 0.641);
    EXPECT_LE(highest, 0.8);
    EXPECT_GT(highest, 0.799);
    EXPECT_NEAR(sum / kPixels, 0.72, 0.002);

    optics::camera other = cam;
    other.seed = 2;
    EXPECT_NE(optics::pixel_contrast(cam, 7), optics::pixel_contrast(other, 7));
    other.contrast_spread = 0;
    EXPECT_EQ(optics::pixel_contrast(other, 7), 0.8);

    // On a flat surface at the scanner's zero every fringe is at its top:
    // mean * (1 + c) with the pixel's c, in every frame.
    const optics::surface flat = optics::make_tilt(16, 8, 1.0, 0, 0);
    const std::vector<uint16_t> first = frame(flat, optics::monochromatic_source(), cam, 0, 0);
    EXPECT_EQ(frame(flat, optics::monochromatic_source(), cam, 0, 5), first);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i], std::round(cam.mean * (1 + optics::pixel_contrast(cam, i)))) << i;
    }
}

TEST(Optics, FringesEnvelopeAndDarkPixels) {
    optics::camera cam;
    cam.contrast_spread = 0;
    const optics::light_source mono = optics::monochromatic_source();
    const optics::light_source broad = optics::broadband_source();
    // A quarter wave of scan is half a wave of path: the fringe turns over.
    EXPECT_NEAR(optics::intensity(0, mono.wavelength_nm / 4, mono, cam), 1800 * (1 - 0.8), 1e-9);
    // The broad band's fringes fade as exp(-(d / coherence)^2), d = 2 (z - h).
    const double z = broad.coherence_nm / 2;
    const double top = optics::intensity(0, z, broad, cam);
    const double fringe = std::cos(2 * std::numbers::pi * broad.coherence_nm / broad.wavelength_nm);
    EXPECT_NEAR(top, 1800 * (1 + 0.8 * std::exp(-1.0) * fringe), 1e-9);
    EXPECT_NEAR(optics::intensity(100, 100 + 5 * broad.coherence_nm, broad, cam), 1800, 1e-6);

    optics::surface surf = optics::make_step(8, 2, 1.0, 79.1);
    surf.height_nm[3] = std::nan("");
    cam.mean = 3000;  // tops above full scale are clamped
    const std::vector<uint16_t> pixels = frame(surf, mono, cam, 0, 0);
    EXPECT_EQ(pixels[0], 4095);
    EXPECT_EQ(pixels[3], 0);
    EXPECT_EQ(pixels[4],
              std::round(3000 * (1 + 0.8 * std::cos(4 * std::numbers::pi * -79.1 / 632.8))));
}

TEST(Optics, NoiseDependsOnSeedAndFrameOnly) {
    optics::camera cam;
    cam.noise_sigma = 10;
    const optics::surface flat = optics::make_tilt(100, 100, 1.0, 0, 0);
    const optics::light_source source = optics::monochromatic_source();
    const std::vector<uint16_t> a = frame(flat, source, cam, 158.2, 3);
    EXPECT_EQ(frame(flat, source, cam, 158.2, 3), a);
    EXPECT_NE(frame(flat, source, cam, 158.2, 4), a);

    cam.noise_sigma = 0;
    const std::vector<uint16_t> clean = frame(flat, source, cam, 158.2, 3);
    double sum = 0;
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - static_cast<double>(clean[i]);
        sum += d;
        squares += d * d;
    }
    const double n = static_cast<double>(a.size());
    EXPECT_NEAR(sum / n, 0, 0.5);
    EXPECT_NEAR(std::sqrt(squares / n), 10, 0.4);
}

// A frame large enough to be rendered in bands on several threads: every
// pixel, the bands' edges included, is the formula's value for its own index.
TEST(Optics, LargeFrameIsTheFormulaAtEveryPixel) {
    optics::camera cam;
    cam.contrast_spread = 0;
    const optics::surface tilt = optics::make_tilt(700, 300, 1.0, 3.0, 1.5);
    const optics::light_source broad = optics::broadband_source();
    const std::vector<uint16_t> pixels = frame(tilt, broad, cam, 500, 3);
    size_t wrong = 0;
    for (int32_t y = 0; y < tilt.height; ++y) {
        for (int32_t x = 0; x < tilt.width; ++x) {
            const double value = optics::intensity(tilt.at(x, y), 500, broad, cam);
            const auto expected = static_cast<uint16_t>(std::clamp(std::round(value), 0.0, 4095.0));
            wrong += pixels[tilt.index(x, y)] != expected ? 1u : 0u;
        }
    }
    EXPECT_EQ(wrong, 0u);

    // With noise, the same frame twice is the same bytes.
    cam.noise_sigma = 8;
    EXPECT_EQ(frame(tilt, broad, cam, 500, 3), frame(tilt, broad, cam, 500, 3));
}

}  // namespace
