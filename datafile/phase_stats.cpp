// Statistics of the valid values of a phase matrix over a window.
#include <cstring>

#include "datafile/datafile.h"

namespace {

// The window equals the matrix's window or lies wholly inside it.
bool lies_inside(const matrix_window& inner, const matrix_window& outer) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           int32_t{inner.x} + inner.width <= int32_t{outer.x} + outer.width &&
           int32_t{inner.y} + inner.height <= int32_t{outer.y} + outer.height;
}

}  // namespace

int32_t phase_matrix_stats(const phase_matrix* phase, const matrix_window* window,
                           phase_stats* stats) {
    std::memset(stats, 0, sizeof *stats);
    const matrix_window& whole = phase->window;
    const matrix_window w = window != nullptr ? *window : whole;
    if (window != nullptr && !lies_inside(w, whole)) return ERR_IMPROPER_WINDOW;
    if (w.height < 1) return ERR_ALL_BAD_DATA;
    if (phase->matrix == nullptr) return ERR_ALL_BAD_DATA;

    int32_t max = INT32_MIN;
    int32_t min = INT32_MAX;
    int32_t count = 0;
    double sum = 0.0;
    const int64_t first_column = int64_t{w.x} - whole.x;
    for (int32_t row = w.y; row < int32_t{w.y} + w.height; ++row) {
        const int32_t* values =
            phase->matrix + (row - int64_t{whole.y}) * whole.width + first_column;
        for (int32_t column = 0; column < w.width; ++column) {
            const int32_t value = values[column];
            if (value >= PHASE_INVALID) continue;
            // The first valid value is the first maximum and the first
            // minimum, even when it equals a starting value (INT32_MIN).
            if (count == 0 || value > max) {
                max = value;
                stats->max_x = static_cast<int16_t>(w.x + column);
                stats->max_y = static_cast<int16_t>(row);
            }
            if (count == 0 || value < min) {
                min = value;
                stats->min_x = static_cast<int16_t>(w.x + column);
                stats->min_y = static_cast<int16_t>(row);
            }
            ++count;
            sum += value;
        }
    }
    // "No data" is decided by the count: valid values that all equal the
    // starting maximum, INT32_MIN, are still data.
    if (count == 0) {
        std::memset(stats, 0, sizeof *stats);
        return ERR_ALL_BAD_DATA;
    }
    const double difference = static_cast<double>(max) - static_cast<double>(min);
    if (difference > 2147483647.0) return ERR_PEAKVAL_OVERFLOW;

    stats->pv = static_cast<int32_t>(difference);
    stats->max = max;
    stats->min = min;
    stats->mean = sum / count;
    stats->count = count;
    return NO_ERROR;
}
