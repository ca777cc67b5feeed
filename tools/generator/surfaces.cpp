// The measured surface: a sphere inside a circular aperture, seen as
// phase-shifted fringe frames (intensity) and as a phase map.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/generator/datafile_generator.h"

namespace dfgen {
namespace {

// splitmix64: small, fast and the same on every platform.
class noise_source {
  public:
    explicit noise_source(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [-amplitude, amplitude].
    int32_t centred(int32_t amplitude) {
        const auto span = static_cast<uint64_t>(2 * amplitude + 1);
        return static_cast<int32_t>(next() % span) - amplitude;
    }

  private:
    uint64_t state_;
};

// Height of the surface in waves at a pixel, and whether it lies inside the
// aperture: 3 waves at the centre falling to -3 at the rim.
struct surface_point {
    double waves;
    bool inside;
};

surface_point surface_at(const options& opt, int x, int y) {
    const double cx = (opt.width - 1) / 2.0;
    const double cy = (opt.height - 1) / 2.0;
    const double radius = std::max(0.5, 0.45 * std::min(opt.width, opt.height));
    const double dx = x - cx;
    const double dy = y - cy;
    const double rho2 = (dx * dx + dy * dy) / (radius * radius);
    return {3.0 * (1.0 - 2.0 * rho2), rho2 <= 1.0};
}

size_t pixel_count(const options& opt) {
    if (opt.width <= 0 || opt.height <= 0) return 0;
    return static_cast<size_t>(opt.width) * static_cast<size_t>(opt.height);
}

}  // namespace

std::vector<uint16_t> fringe_frames(const options& opt) {
    if (!opt.intensity || opt.n_buckets <= 0) return {};
    const size_t pixels = pixel_count(opt);
    std::vector<uint16_t> frames(pixels * static_cast<size_t>(opt.n_buckets));
    noise_source noise(opt.seed * 2 + 1);
    constexpr double two_pi = 2.0 * std::numbers::pi;
    size_t i = 0;
    for (int k = 0; k < opt.n_buckets; ++k) {
        const double shift = two_pi * k / opt.n_buckets;
        for (int y = 0; y < opt.height; ++y) {
            for (int x = 0; x < opt.width; ++x) {
                const surface_point s = surface_at(opt, x, y);
                // Two waves of tilt across the field keep the fringes apart.
                const double tilt = 2.0 * x / opt.width;
                const double level =
                    s.inside ? 2000.0 + 1500.0 * std::cos(two_pi * (s.waves + tilt) + shift)
                             : 150.0;
                const long value = std::lround(level) + noise.centred(16);
                frames[i++] = static_cast<uint16_t>(std::clamp(value, 0l, 4095l));
            }
        }
    }
    return frames;
}

std::vector<int32_t> sphere_phase(const options& opt) {
    if (!opt.phase) return {};
    std::vector<int32_t> phase(pixel_count(opt));
    noise_source noise(opt.seed * 2 + 2);
    size_t i = 0;
    for (int y = 0; y < opt.height; ++y) {
        for (int x = 0; x < opt.width; ++x) {
            const surface_point s = surface_at(opt, x, y);
            const int32_t invalid = PHASE_INVALID + static_cast<int32_t>(noise.next() % 8);
            const int32_t valid =
                static_cast<int32_t>(std::lround(s.waves * 50000.0)) + noise.centred(64);
            phase[i++] = s.inside ? valid : invalid;
        }
    }
    return phase;
}

}  // namespace dfgen
