#include "sim/optics/optics.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <thread>
#include <vector>

namespace optics {
namespace {

surface blank(int32_t width, int32_t height, double pixel_um) {
    surface surf;
    surf.width = std::max(width, 0);
    surf.height = std::max(height, 0);
    surf.pixel_um = pixel_um;
    surf.height_nm.assign(surf.index(0, surf.height), 0.0);
    return surf;
}

// splitmix64: the noise of a pixel depends only on the seed, the frame and
// the pixel, whatever order frames are made in.
uint64_t mix(uint64_t z) {
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double unit_interval(uint64_t bits) {
    return (static_cast<double>(bits >> 11) + 0.5) * 0x1.0p-53;  // never 0, never 1
}

// A standard normal deviate (Box-Muller) for one pixel of one frame.
double gaussian(uint64_t seed, uint64_t frame, uint64_t pixel) {
    const uint64_t base = mix(mix(seed ^ mix(frame)) ^ pixel);
    const double u1 = unit_interval(base);
    const double u2 = unit_interval(mix(base));
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

// The intensity for a contrast of the pixel's own.
double fringe_intensity(double height_nm, double scanner_nm, const light_source& source,
                        double mean, double contrast) {
    if (std::isnan(height_nm)) return 0;
    const double d = 2.0 * (scanner_nm - height_nm);
    double envelope = 1.0;
    if (source.coherence_nm > 0) {
        const double u = d / source.coherence_nm;
        envelope = std::exp(-u * u);
    }
    return mean * (1.0 + contrast * envelope * std::cos(2.0 * std::numbers::pi * d / source.wavelength_nm));
}

// Keeps the contrast pattern apart from the noise of any frame.
constexpr uint64_t kContrastStream = 0xC0A7'5EED'0000'0001ull;

}  // namespace

surface make_sphere(int32_t width, int32_t height, double pixel_um, double radius_mm) {
    surface surf = blank(width, height, pixel_um);
    const double r_nm = radius_mm * 1e6;
    const double cx = (surf.width - 1) / 2.0;
    const double cy = (surf.height - 1) / 2.0;
    for (int32_t y = 0; y < surf.height; ++y) {
        for (int32_t x = 0; x < surf.width; ++x) {
            const double dx = (x - cx) * pixel_um * 1e3;
            const double dy = (y - cy) * pixel_um * 1e3;
            const double rho2 = dx * dx + dy * dy;
            double h = std::nan("");
            if (rho2 < r_nm * r_nm) h = std::sqrt(r_nm * r_nm - rho2) - r_nm;
            surf.height_nm[surf.index(x, y)] = h;
        }
    }
    return surf;
}

surface make_tilt(int32_t width, int32_t height, double pixel_um, double slope_x, double slope_y) {
    surface surf = blank(width, height, pixel_um);
    for (int32_t y = 0; y < surf.height; ++y)
        for (int32_t x = 0; x < surf.width; ++x)
            surf.height_nm[surf.index(x, y)] = slope_x * x + slope_y * y;
    return surf;
}

surface make_step(int32_t width, int32_t height, double pixel_um, double step_nm) {
    surface surf = blank(width, height, pixel_um);
    for (int32_t y = 0; y < surf.height; ++y)
        for (int32_t x = surf.width / 2; x < surf.width; ++x)
            surf.height_nm[surf.index(x, y)] = step_nm;
    return surf;
}

light_source monochromatic_source() { return {632.8, 0}; }
light_source broadband_source() { return {648.0, 1200.0}; }

double intensity(double height_nm, double scanner_nm, const light_source& source, const camera& cam) {
    return fringe_intensity(height_nm, scanner_nm, source, cam.mean, cam.contrast);
}

double pixel_contrast(const camera& cam, uint64_t pixel) {
    if (cam.contrast_spread == 0) return cam.contrast;
    const double u = unit_interval(mix(mix(cam.seed ^ kContrastStream) ^ pixel));
    return cam.contrast * (1.0 - cam.contrast_spread * u);
}

void render_frame(const surface& surf, const light_source& source, const camera& cam,
                  double scanner_nm, uint64_t frame_index, uint16_t* pixels) {
    const size_t count = surf.height_nm.size();
    const double top = cam.full_scale;
    auto render = [&](size_t first, size_t end) {
        for (size_t i = first; i < end; ++i) {
            double value = fringe_intensity(surf.height_nm[i], scanner_nm, source, cam.mean,
                                            pixel_contrast(cam, i));
            if (cam.noise_sigma > 0) value += cam.noise_sigma * gaussian(cam.seed, frame_index, i);
            pixels[i] = static_cast<uint16_t>(std::clamp(std::round(value), 0.0, top));
        }
    };
    // Each pixel depends on its own index alone, so bands of the frame go to
    // one thread per core and the frame is the same however it is split. A
    // small frame is not worth a thread.
    constexpr size_t kPixelsPerThread = 64 * 1024;
    const size_t bands = std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()), 8,
                                           std::max<size_t>(1, count / kPixelsPerThread)});
    std::vector<std::thread> helpers;
    size_t first = 0;
    for (size_t band = 1; band < bands; ++band) {
        const size_t end = count * band / bands;
        try {
            helpers.emplace_back(render, first, end);
        } catch (const std::exception&) {
            break;  // no thread (or no room for one): the calling thread renders the rest
        }
        first = end;
    }
    render(first, count);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace optics
