// Coherence-peak scanning: each pixel's height from where along the scan
// its fringes are strongest.
#pragma once

#include <cstdint>

#include "analysis/fringe_weights.h"
#include "analysis/frame_set.h"

struct coherence_plan {
    double start_nm;       // scanner position of frame 0
    double step_nm;        // scanner travel per frame
    double wavelength_nm;  // centre wavelength: the fringe period is half of it
    double min_contrast;
    double reference_brightness;  // contrasts are taken against at least this
    // With demodulation, a run of weights.length (odd) frames centred on each
    // frame gives the fringe amplitude there and its phase, which refines
    // the height; without it, the squared distance from the mean is the
    // envelope and the height is the envelope's peak alone.
    bool demodulate;
    fringe_weights weights;
};

// The plan for a scan of n_frames frames at fringes_per_frame (the fringe
// phase moving by phase_step radians per frame): up to 0.4
// fringes per frame the fringe is demodulated over a run spanning about a
// fringe (5 to 31 frames); an undersampled scan uses the envelope alone.
// ERR_AC_SCAN_TOO_SHORT when the scan has fewer than two frames more than
// the run (3 frames for the envelope alone); ERR_PARAM_OUT_OF_RANGE when the
// weights cannot be made.
int32_t plan_coherence_scan(int32_t n_frames, double fringes_per_frame, double phase_step,
                            coherence_plan* plan);

// height_nm[i] for every pixel: the scanner position at the envelope's peak
// (a parabola through the logarithms of the three strongest positions),
// moved to the nearest position where the fringe phase is 0 when
// demodulating. NaN where the peak's contrast is below min_contrast or the
// peak lies at either end of the scan. ERR_NO_MEM.
int32_t find_coherence_peaks(const frame_set& frames, const coherence_plan& plan, int32_t threads,
                             double* height_nm);
