#include "analysis/coherence_peak.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "analysis/parallel_rows.h"
#include "errors/errors.h"

namespace {

// The longest run of frames demodulated at once: a fringe of 1/30 of a
// fringe per frame and slower is sampled more finely than the envelope needs.
constexpr int32_t kLongestRun = 31;
// Up to this many fringes per frame a run of frames resolves the fringe;
// beyond it the scan is undersampled and only the envelope is left.
constexpr double kFinestDemodulated = 0.4;

struct peak_job {
    const frame_set* frames;
    const coherence_plan* plan;
    double* height_nm;
};

// Per-row scratch: the mean of each pixel, and the strongest frame so far
// with its fringe terms.
struct row_scratch {
    std::vector<double> mean, best, best_cos, best_sin, cosine, sine;
    std::vector<int32_t> best_frame;
    explicit row_scratch(size_t width)
        : mean(width), best(width), best_cos(width), best_sin(width), cosine(width), sine(width),
          best_frame(width) {}
};

// Squared fringe amplitude at frame k of pixel x of row y (k must leave room
// for the run on both sides).
double strength_at(const frame_set& fs, const coherence_plan& plan, int32_t y, size_t x, int32_t k,
                   double mean) {
    if (!plan.demodulate) {
        // The squared distance from the mean, smoothed by (1 2 1): an
        // alternating ripple (a fringe that aliases to a quarter fringe per
        // frame) cancels, and the peak stays where it was.
        const double before = fs.row(k - 1, y)[x] - mean;
        const double here = fs.row(k, y)[x] - mean;
        const double after = fs.row(k + 1, y)[x] - mean;
        return before * before + 2 * here * here + after * after;
    }
    const int32_t half = plan.weights.length / 2;
    double c = 0, s = 0;
    for (int32_t j = 0; j < plan.weights.length; ++j) {
        const double v = fs.row(k - half + j, y)[x];
        c += plan.weights.cosine[static_cast<size_t>(j)] * v;
        s += plan.weights.sine[static_cast<size_t>(j)] * v;
    }
    return c * c + s * s;
}

// Frames on either side of frame k that its strength takes in.
int32_t half_run(const coherence_plan& plan) {
    return plan.demodulate ? plan.weights.length / 2 : 1;
}

// Fills best* for every pixel of row y over the frames whose run fits.
void scan_row(const frame_set& fs, const coherence_plan& plan, int32_t y, row_scratch& r) {
    const size_t width = static_cast<size_t>(fs.width);
    const int32_t half = half_run(plan);
    std::fill(r.best.begin(), r.best.end(), -1.0);
    std::fill(r.best_frame.begin(), r.best_frame.end(), -1);
    for (int32_t k = half; k + half < fs.count; ++k) {
        if (plan.demodulate) {
            std::fill(r.cosine.begin(), r.cosine.end(), 0.0);
            std::fill(r.sine.begin(), r.sine.end(), 0.0);
            for (int32_t j = 0; j < plan.weights.length; ++j) {
                const uint16_t* in = fs.row(k - half + j, y);
                const double wc = plan.weights.cosine[static_cast<size_t>(j)];
                const double ws = plan.weights.sine[static_cast<size_t>(j)];
                // The five-frame formula weighs each frame in one sum only.
                if (wc != 0)
                    for (size_t x = 0; x < width; ++x) r.cosine[x] += wc * in[x];
                if (ws != 0)
                    for (size_t x = 0; x < width; ++x) r.sine[x] += ws * in[x];
            }
        } else {
            const uint16_t* before = fs.row(k - 1, y);
            const uint16_t* here = fs.row(k, y);
            const uint16_t* after = fs.row(k + 1, y);
            for (size_t x = 0; x < width; ++x) {
                const double b = before[x] - r.mean[x], h = here[x] - r.mean[x], a = after[x] - r.mean[x];
                r.cosine[x] = b * b + 2 * h * h + a * a;  // the strength itself
                r.sine[x] = 0;
            }
        }
        for (size_t x = 0; x < width; ++x) {
            const double m = plan.demodulate ? r.cosine[x] * r.cosine[x] + r.sine[x] * r.sine[x] : r.cosine[x];
            if (m > r.best[x]) {
                r.best[x] = m;
                r.best_frame[x] = k;
                r.best_cos[x] = r.cosine[x];
                r.best_sin[x] = r.sine[x];
            }
        }
    }
}

// The height of pixel x from its strongest frame; NaN when there is none.
double pixel_height(const frame_set& fs, const coherence_plan& plan, int32_t y, size_t x,
                    const row_scratch& r) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const int32_t half = half_run(plan);
    const int32_t k = r.best_frame[x];
    if (k <= half || k + half + 1 >= fs.count || !(r.mean[x] > 0)) return kNaN;
    // Without demodulation the strength is four squared amplitudes.
    const double amplitude = std::sqrt(plan.demodulate ? r.best[x] : r.best[x] / 4);
    const double contrast = amplitude / std::max(r.mean[x], plan.reference_brightness);
    if (!(contrast > 0) || contrast < plan.min_contrast) return kNaN;
    // A Gaussian envelope is a parabola in the logarithm of the strength.
    const double before = strength_at(fs, plan, y, x, k - 1, r.mean[x]);
    const double after = strength_at(fs, plan, y, x, k + 1, r.mean[x]);
    double offset = 0;
    if (before > 0 && after > 0) {
        const double a = std::log(before), b = std::log(r.best[x]), c = std::log(after);
        const double curvature = a - 2 * b + c;
        if (curvature < 0) offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    }
    const double envelope_nm = plan.start_nm + (k + offset) * plan.step_nm;
    if (!plan.demodulate) return envelope_nm;
    // The fringe phase at frame k is 4 pi (z_k - h) / wavelength: of the
    // heights it allows, half a wavelength apart, the one nearest the
    // envelope's peak.
    const double theta = std::atan2(r.best_sin[x], r.best_cos[x]);
    const double half_wave = plan.wavelength_nm / 2;
    const double phase_nm = plan.start_nm + k * plan.step_nm - theta * plan.wavelength_nm / (4 * std::numbers::pi);
    return phase_nm + half_wave * std::round((envelope_nm - phase_nm) / half_wave);
}

bool peak_rows(void* context, int32_t begin, int32_t end) {
    const peak_job& job = *static_cast<const peak_job*>(context);
    const frame_set& fs = *job.frames;
    const size_t width = static_cast<size_t>(fs.width);
    row_scratch r(width);
    for (int32_t y = begin; y < end; ++y) {
        std::fill(r.mean.begin(), r.mean.end(), 0.0);
        for (int32_t k = 0; k < fs.count; ++k) {
            const uint16_t* in = fs.row(k, y);
            for (size_t x = 0; x < width; ++x) r.mean[x] += in[x];
        }
        for (size_t x = 0; x < width; ++x) r.mean[x] /= fs.count;
        scan_row(fs, *job.plan, y, r);
        double* out = job.height_nm + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) out[x] = pixel_height(fs, *job.plan, y, x, r);
    }
    return true;
}

}  // namespace

int32_t plan_coherence_scan(int32_t n_frames, double fringes_per_frame, double phase_step,
                            coherence_plan* plan) {
    plan->demodulate = fringes_per_frame <= kFinestDemodulated;
    int32_t run = 3;  // the (1 2 1) smoothing of the envelope alone
    if (plan->demodulate) {
        const double wanted = 2 * std::ceil(0.5 / fringes_per_frame) + 1;  // odd, about a fringe
        run = wanted >= kLongestRun ? kLongestRun : std::max(5, static_cast<int32_t>(wanted));
    }
    if (n_frames < run + 2) return ERR_AC_SCAN_TOO_SHORT;
    if (plan->demodulate &&
        !make_fringe_weights(run, phase_step, &plan->weights)) {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    return NO_ERROR;
}

int32_t find_coherence_peaks(const frame_set& frames, const coherence_plan& plan, int32_t threads,
                             double* height_nm) {
    peak_job job{&frames, &plan, height_nm};
    return run_rows(frames.height, threads, peak_rows, &job);
}
