// Piston and tilt: the plane that fits a height map, and the error of a
// measured map against a known one without them.
#include <cmath>
#include <new>
#include <vector>

#include "analysis/analysis.h"

int32_t an_remove_plane(double* values, int32_t width, int32_t height, an_plane* plane) {
    if (values == nullptr || width < 1 || height < 1) return ERR_BAD_PARAM;
    // Normal equations in coordinates about the centre, which keeps the sums
    // well conditioned on large maps.
    const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, sz = 0, sxz = 0, syz = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const double z = values[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            if (std::isnan(z)) continue;
            const double u = x - cx, v = y - cy;
            n += 1;
            sx += u;
            sy += v;
            sxx += u * u;
            syy += v * v;
            sxy += u * v;
            sz += z;
            sxz += u * z;
            syz += v * z;
        }
    }
    // Solve [n sx sy; sx sxx sxy; sy sxy syy] (a b c) = (sz sxz syz).
    const double c00 = sxx * syy - sxy * sxy;
    const double c01 = sxy * sy - sx * syy;
    const double c02 = sx * sxy - sxx * sy;
    const double det = n * c00 + sx * c01 + sy * c02;
    if (n < 3 || !(std::fabs(det) > 1e-12 * n * (sxx + 1) * (syy + 1))) return ERR_ALL_BAD_DATA;
    const double a = (c00 * sz + c01 * sxz + c02 * syz) / det;
    const double b = (c01 * sz + (n * syy - sy * sy) * sxz + (sx * sy - n * sxy) * syz) / det;
    const double c = (c02 * sz + (sx * sy - n * sxy) * sxz + (n * sxx - sx * sx) * syz) / det;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double& z = values[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            if (!std::isnan(z)) z -= a + b * (x - cx) + c * (y - cy);
        }
    }
    if (plane != nullptr) *plane = {a - b * cx - c * cy, b, c, static_cast<int64_t>(n)};
    return NO_ERROR;
}

int32_t an_height_error(const phase_matrix* heights, const double* truth_nm, double* rms_nm,
                        int64_t* count) {
    if (heights == nullptr || truth_nm == nullptr || rms_nm == nullptr) return ERR_BAD_PARAM;
    const int32_t width = heights->window.width, height = heights->window.height;
    if (width < 1 || height < 1) return ERR_BAD_PARAM;
    try {
        std::vector<double> diff(static_cast<size_t>(width) * static_cast<size_t>(height));
        int32_t err = phase_matrix_values(heights, diff.data(), diff.size());
        if (err != NO_ERROR) return err;
        for (size_t i = 0; i < diff.size(); ++i) diff[i] = diff[i] / 1000.0 - truth_nm[i];
        err = an_remove_plane(diff.data(), width, height, nullptr);
        if (err != NO_ERROR) return err;
        double sum = 0;
        int64_t n = 0;
        for (const double d : diff) {
            if (std::isnan(d)) continue;
            sum += d * d;
            ++n;
        }
        *rms_nm = std::sqrt(sum / static_cast<double>(n));
        if (count != nullptr) *count = n;
    } catch (const std::bad_alloc&) {
        return ERR_NO_MEM;
    }
    return NO_ERROR;
}
