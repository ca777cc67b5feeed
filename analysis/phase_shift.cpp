#include "analysis/phase_shift.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/brightness.h"
#include "analysis/parallel_rows.h"
#include "errors/errors.h"

namespace {

struct phase_job {
    const frame_set* frames;
    const fringe_weights* weights;
    double min_contrast;
    double reference;  // typical brightness
    double* phase;
    float* quality;
};

bool shift_rows(void* context, int32_t begin, int32_t end) {
    const phase_job& job = *static_cast<const phase_job*>(context);
    const frame_set& fs = *job.frames;
    const size_t width = static_cast<size_t>(fs.width);
    std::vector<double> dc(width), cosine(width), sine(width);
    for (int32_t y = begin; y < end; ++y) {
        std::fill(dc.begin(), dc.end(), 0.0);
        std::fill(cosine.begin(), cosine.end(), 0.0);
        std::fill(sine.begin(), sine.end(), 0.0);
        for (int32_t k = 0; k < fs.count; ++k) {
            const uint16_t* in = fs.row(k, y);
            const double wd = job.weights->dc[static_cast<size_t>(k)];
            const double wc = job.weights->cosine[static_cast<size_t>(k)];
            const double ws = job.weights->sine[static_cast<size_t>(k)];
            for (size_t x = 0; x < width; ++x) {
                const double v = in[x];
                dc[x] += wd * v;
                cosine[x] += wc * v;
                sine[x] += ws * v;
            }
        }
        const size_t base = static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            const double modulation = std::hypot(cosine[x], sine[x]);
            const double light = std::max(dc[x], job.reference);
            const double contrast = light > 0 ? modulation / light : 0.0;
            const bool valid = contrast > 0 && contrast >= job.min_contrast;
            job.phase[base + x] = valid ? -std::atan2(sine[x], cosine[x]) : 0.0;
            job.quality[base + x] = valid ? static_cast<float>(contrast) : -1.0f;
        }
    }
    return true;
}

}  // namespace

int32_t shift_phases(const frame_set& frames, const fringe_weights& weights, double min_contrast,
                     int32_t threads, double* phase, float* quality) {
    phase_job job{&frames, &weights, min_contrast, typical_brightness(frames), phase, quality};
    return run_rows(frames.height, threads, shift_rows, &job);
}
