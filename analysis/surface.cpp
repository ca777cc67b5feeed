// The surface from frames: checks, the method of the options, and the
// heights into the phase matrix.
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/brightness.h"
#include "analysis/coherence_peak.h"
#include "analysis/phase_shift.h"
#include "analysis/unwrap.h"

namespace {

constexpr int32_t kFewestPhaseFrames = 3;

int32_t check_options(const an_options& o) {
    if (o.method != AN_PHASE_SHIFTING && o.method != AN_COHERENCE_PEAK) return ERR_BAD_PARAM;
    if (!std::isfinite(o.fringes_per_frame) || !std::isfinite(o.frame_step_nm) ||
        !std::isfinite(o.wavelength_nm) || !std::isfinite(o.min_contrast) ||
        !std::isfinite(o.start_nm) || o.threads < 0) {
        return ERR_BAD_PARAM;
    }
    if (o.n_frames < kFewestPhaseFrames) return ERR_AC_SCAN_TOO_SHORT;
    if (o.wavelength_nm <= 0 || o.fringes_per_frame <= 0 || o.min_contrast < 0 ||
        o.min_contrast > 1) {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    if (o.method == AN_COHERENCE_PEAK && o.frame_step_nm == 0) return ERR_PARAM_OUT_OF_RANGE;
    return NO_ERROR;
}

// The fringe phase per frame, 2 pi fringes_per_frame, turns the other way
// when the scanner moves down.
double phase_step(const an_options& o) {
    const double step = 2 * std::numbers::pi * o.fringes_per_frame;
    return o.frame_step_nm < 0 ? -step : step;
}

// Heights (nm, NaN for none) into picometres; a height beyond what an int32
// holds below the invalid mark is no height.
void store_heights(const std::vector<double>& height_nm, int32_t* out) {
    for (size_t i = 0; i < height_nm.size(); ++i) {
        const double pm = height_nm[i] * 1000.0;
        const double rounded = pm + (pm < 0 ? -0.5 : 0.5);  // truncated below: to the nearest
        const bool fits = rounded > INT32_MIN - 1.0 && rounded < PHASE_INVALID;  // false for NaN
        out[i] = fits ? static_cast<int32_t>(rounded) : PHASE_INVALID;
    }
}

// Phase shifting: height = z_middle + unwrapped phase * wavelength / (4 pi),
// z_middle the scanner position of the middle of the frames.
int32_t phase_shifting(const an_options& o, const frame_set& fs, std::vector<double>& height_nm) {
    fringe_weights weights;
    if (!make_fringe_weights(fs.count, phase_step(o), &weights))
        return ERR_PARAM_OUT_OF_RANGE;
    std::vector<float> quality(fs.pixels());
    int32_t err = shift_phases(fs, weights, o.min_contrast, o.threads, height_nm.data(), quality.data());
    if (err == NO_ERROR) err = unwrap_phase(fs.width, fs.height, quality.data(), height_nm.data());
    if (err != NO_ERROR) return err;
    const double middle_nm = o.start_nm + (fs.count - 1) / 2.0 * o.frame_step_nm;
    const double nm_per_radian = o.wavelength_nm / (4 * std::numbers::pi);
    for (size_t i = 0; i < height_nm.size(); ++i) {
        height_nm[i] = quality[i] < 0 ? std::nan("") : middle_nm + height_nm[i] * nm_per_radian;
    }
    return NO_ERROR;
}

int32_t coherence_peaks(const an_options& o, const frame_set& fs, std::vector<double>& height_nm) {
    coherence_plan plan;
    int32_t err = plan_coherence_scan(fs.count, o.fringes_per_frame, phase_step(o), &plan);
    if (err != NO_ERROR) return err;
    plan.start_nm = o.start_nm;
    plan.step_nm = o.frame_step_nm;
    plan.wavelength_nm = o.wavelength_nm;
    plan.min_contrast = o.min_contrast;
    plan.reference_brightness = typical_brightness(fs);
    return find_coherence_peaks(fs, plan, o.threads, height_nm.data());
}

int32_t compute(const an_options& o, const frame_set& fs, matrix_window window, phase_matrix* heights) {
    std::vector<double> height_nm(fs.pixels());
    int32_t err = o.method == AN_PHASE_SHIFTING ? phase_shifting(o, fs, height_nm)
                                                : coherence_peaks(o, fs, height_nm);
    if (err != NO_ERROR) return err;
    err = phase_matrix_resize(heights, window, false);
    if (err != NO_ERROR) return err;
    store_heights(height_nm, heights->matrix);
    return NO_ERROR;
}

}  // namespace

int32_t an_surface_frames(const an_options* options, const uint16_t* const* frames,
                          int32_t n_frames, matrix_window window, phase_matrix* heights) {
    if (options == nullptr || frames == nullptr || heights == nullptr) return ERR_BAD_PARAM;
    int32_t err = check_options(*options);
    if (err != NO_ERROR) return err;
    if (n_frames != options->n_frames || window.width <= 0 || window.height <= 0)
        return ERR_WINDOWS_MISMATCHED;
    const int64_t values = int64_t{window.width} * window.height * n_frames;
    if (values > int64_t{UINT32_MAX}) return ERR_MULTIPLY_OVERFLOW;
    for (int32_t k = 0; k < n_frames; ++k)
        if (frames[k] == nullptr) return ERR_BAD_PARAM;
    const frame_set fs{frames, n_frames, window.width, window.height};
    try {
        return compute(*options, fs, window, heights);
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
}

int32_t an_surface(const an_options* options, const intens_matrix* frames, phase_matrix* heights) {
    if (options == nullptr || frames == nullptr || heights == nullptr) return ERR_BAD_PARAM;
    const int32_t err = check_options(*options);
    if (err != NO_ERROR) return err;
    const matrix_window window = frames->window;
    const int32_t count = frames->n_buckets;
    if (count != options->n_frames || window.width <= 0 || window.height <= 0)
        return ERR_WINDOWS_MISMATCHED;
    const int64_t per_frame = int64_t{window.width} * window.height;
    if (frames->matrix == nullptr || per_frame * count > int64_t{frames->size})
        return ERR_WINDOWS_MISMATCHED;
    try {
        std::vector<const uint16_t*> pointers(static_cast<size_t>(count));
        for (int32_t k = 0; k < count; ++k) pointers[static_cast<size_t>(k)] = frames->matrix + per_frame * k;
        return an_surface_frames(options, pointers.data(), count, window, heights);
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
}
