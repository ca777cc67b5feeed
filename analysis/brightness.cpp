#include "analysis/brightness.h"

#include <algorithm>
#include <vector>

namespace {

// Enough pixels for a steady median, few enough to cost nothing beside the
// computation itself.
constexpr size_t kSamples = 4096;

}  // namespace

double typical_brightness(const frame_set& frames) {
    const size_t pixels = frames.pixels();
    if (pixels == 0 || frames.count <= 0) return 0;
    const size_t step = std::max<size_t>(1, pixels / kSamples);
    std::vector<double> means;
    means.reserve(pixels / step + 1);
    for (size_t i = 0; i < pixels; i += step) {
        double sum = 0;
        for (int32_t k = 0; k < frames.count; ++k) sum += frames.frames[k][i];
        means.push_back(sum / frames.count);
    }
    const auto middle = means.begin() + static_cast<std::ptrdiff_t>(means.size() / 2);
    std::nth_element(means.begin(), middle, means.end());
    return *middle;
}
