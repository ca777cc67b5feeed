// Matrix contents as analysis tools take them: the phase map as doubles with
// NaN for invalid points, and one intensity frame at a time.
#include <limits>

#include "datafile/datafile.h"
#include "datafile/element_count.h"

namespace {

// Elements in one frame of a window; negative dimensions count as none.
int64_t window_elements(const matrix_window& window) {
    if (window.width <= 0 || window.height <= 0) return 0;
    return element_count(window.width, window.height);
}

}  // namespace

int32_t phase_matrix_values(const phase_matrix* phase, double* out, uint64_t count) {
    if (phase == nullptr || out == nullptr) return ERR_BAD_PARAM;
    const int64_t n = window_elements(phase->window);
    if (static_cast<uint64_t>(n) > count || n > int64_t{phase->size}) return ERR_BAD_PARAM;
    if (n > 0 && phase->matrix == nullptr) return ERR_BAD_PARAM;
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    for (int64_t i = 0; i < n; ++i) {
        const int32_t v = phase->matrix[i];
        out[i] = phase_is_invalid(v) ? kNaN : static_cast<double>(v);
    }
    return NO_ERROR;
}

int32_t intens_matrix_frame(const intens_matrix* intens, int32_t frame,
                            const uint16_t** elements) {
    if (intens == nullptr || elements == nullptr) return ERR_BAD_PARAM;
    if (frame < 0 || frame >= intens->n_buckets || intens->matrix == nullptr) return ERR_BAD_PARAM;
    const int64_t per_frame = window_elements(intens->window);
    if (per_frame == 0 || per_frame * intens->n_buckets > int64_t{intens->size}) {
        return ERR_BAD_PARAM;
    }
    *elements = intens->matrix + per_frame * frame;
    return NO_ERROR;
}
