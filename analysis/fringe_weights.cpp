#include "analysis/fringe_weights.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

using matrix3 = std::array<std::array<double, 3>, 3>;

// The five-frame formula: tan theta = 2 (I2 - I4) / (2 I3 - I1 - I5) for a
// 90 degree step, insensitive to small errors of the step; the dc weights
// (1 2 2 2 1) / 8 cancel the fringe term.
void five_frame(double sign, fringe_weights* w) {
    w->length = 5;
    w->dc = {1.0 / 8, 2.0 / 8, 2.0 / 8, 2.0 / 8, 1.0 / 8};
    w->cosine = {-0.25, 0, 0.5, 0, -0.25};
    w->sine = {0, 0.5 * sign, 0, -0.5 * sign, 0};
}

bool invert(const matrix3& m, matrix3* inv) {
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    // The normal matrix's entries are at most the frame count: relative to
    // that, a tiny determinant means the terms are not separable.
    const double scale = m[0][0] * m[0][0] * m[0][0];
    if (!(std::fabs(det) > 1e-9 * scale)) return false;
    (*inv)[0] = {c00 / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
                 (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
    (*inv)[1] = {c01 / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
                 (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
    (*inv)[2] = {c02 / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
                 (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
    return true;
}

// I_j = a0 + a1 cos(j step) + a2 sin(j step), a1 = B cos theta,
// a2 = -B sin theta: the least-squares a = (X^T X)^-1 X^T I is linear in I.
bool least_squares(int32_t length, double step, fringe_weights* w) {
    const double middle = (length - 1) / 2.0;
    std::vector<std::array<double, 3>> basis(static_cast<size_t>(length));
    matrix3 normal{};
    for (int32_t k = 0; k < length; ++k) {
        const double phase = (k - middle) * step;
        basis[static_cast<size_t>(k)] = {1.0, std::cos(phase), std::sin(phase)};
        for (size_t r = 0; r < 3; ++r)
            for (size_t c = 0; c < 3; ++c)
                normal[r][c] += basis[static_cast<size_t>(k)][r] * basis[static_cast<size_t>(k)][c];
    }
    matrix3 inv{};
    if (!invert(normal, &inv)) return false;
    w->length = length;
    w->dc.assign(static_cast<size_t>(length), 0.0);
    w->cosine.assign(static_cast<size_t>(length), 0.0);
    w->sine.assign(static_cast<size_t>(length), 0.0);
    for (size_t k = 0; k < static_cast<size_t>(length); ++k) {
        const auto& b = basis[k];
        w->dc[k] = inv[0][0] * b[0] + inv[0][1] * b[1] + inv[0][2] * b[2];
        w->cosine[k] = inv[1][0] * b[0] + inv[1][1] * b[1] + inv[1][2] * b[2];
        w->sine[k] = -(inv[2][0] * b[0] + inv[2][1] * b[1] + inv[2][2] * b[2]);
    }
    return true;
}

}  // namespace

bool make_fringe_weights(int32_t length, double step, fringe_weights* weights) {
    if (length < 3 || !std::isfinite(step)) return false;
    // Five frames have a frame in the middle, so a step and that step plus
    // whole turns give the same frames and the same middle phase.
    const double reduced = std::remainder(step, 2 * std::numbers::pi);
    if (length == 5 && std::fabs(std::fabs(reduced) - std::numbers::pi / 2) < 1e-9) {
        five_frame(reduced > 0 ? 1.0 : -1.0, weights);
        return true;
    }
    return least_squares(length, step, weights);
}
