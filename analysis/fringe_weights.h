// Phase-shifting algorithms as three weight vectors over a run of frames.
#pragma once

#include <cstdint>
#include <vector>

// For frames I_j = A + B cos(theta + j step), j counted from the middle of
// the run (-(length-1)/2 .. (length-1)/2), the weighted sums
//     dc = sum dc[k] I_k = A,  cosine = sum ... = B cos theta,  sine = ... = B sin theta
// so theta is the fringe phase at the middle of the run.
struct fringe_weights {
    int32_t length = 0;
    std::vector<double> dc;
    std::vector<double> cosine;
    std::vector<double> sine;
};

// The five-frame error-compensating formula for steps of +-90 degrees, least
// squares with the known step for any other length and step. False when the
// step cannot separate the three terms (a multiple of pi, or too few frames).
bool make_fringe_weights(int32_t length, double step, fringe_weights* weights);
