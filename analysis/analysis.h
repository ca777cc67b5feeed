// Surfaces from interferograms: the height of every pixel from the frames a
// ramp makes, into a phase matrix of heights in picometres.
//
// Two methods, chosen by the ramp type:
// - phase shifting (PMI ramps): an N-frame algorithm for the ramp's frame
//   count and phase step gives each pixel's fringe phase and its contrast;
//   pixels whose contrast is below the threshold are invalid; the phase is
//   unwrapped over the image, guided by contrast, island by island, and
//       height = phase * wavelength / (4 pi).
// - coherence peak (SWLI and BTW ramps): each pixel's height is the scanner
//   position at the peak of its fringe envelope along the scan, refined by
//   the fringe phase at the peak when the ramp samples the fringe finely
//   enough.
//
// Pure computation: no device, no file. docs/analysis.md gives the formulas,
// thresholds and the origin of the heights.
#pragma once

#include <cstdint>

#include "datafile/datafile.h"

enum an_method : int32_t {
    AN_PHASE_SHIFTING = 1,
    AN_COHERENCE_PEAK = 2,
};

// A threshold that keeps every pixel of a clean interferogram and drops the
// dark and washed-out ones.
inline constexpr double AN_DEFAULT_MIN_CONTRAST = 0.1;

// What the computation needs to know of the scan.
struct an_options {
    int32_t method;            // an_method
    int32_t n_frames;          // frames the ramp makes (its nBuckets)
    double fringes_per_frame;  // phase step per frame = 2 pi fringes_per_frame
    double frame_step_nm;      // scanner travel between frames (the ramp's slope); below 0
                               // the scanner moves down and the phase steps backwards
    double wavelength_nm;      // the source's (centre) wavelength
    double min_contrast;       // fringe contrast below which a pixel is invalid, 0 .. 1
    double start_nm;           // scanner position of frame 0 (0 unless told)
    int32_t threads;           // 1: the calling thread only; 0: one per core
};

// Options from a ramp's values: ramp type (0 SWLI, 1 to 15 PMI, 17 BTW),
// nBuckets, fringesPerFrame, rampSlope (nm per frame), the source's
// wavelength (nm) and a contrast threshold; start_nm 0, threads 1.
// ERR_BAD_PARAM for a null options or another ramp type; the values
// themselves are checked when the surface is computed.
int32_t an_options_from_ramp(int32_t ramp_type, int32_t n_buckets, double fringes_per_frame,
                             double ramp_slope_nm, double wavelength_nm, double min_contrast,
                             an_options* options);

// The surface from frames held one after the other in an intensity matrix
// (as the data file keeps them): heights gets the frames' window and one
// height per pixel in picometres, PHASE_INVALID where there is none. heights
// may hold a buffer (it is resized) or none. The frames stay the caller's.
// Errors: ERR_BAD_PARAM (a null argument, an unknown method, a value that is
// not finite, a negative thread count), ERR_AC_SCAN_TOO_SHORT (fewer frames
// than the method needs), ERR_PARAM_OUT_OF_RANGE (a wavelength or step of 0
// or below, a threshold outside 0 .. 1, a phase step the algorithm cannot
// use), ERR_WINDOWS_MISMATCHED (frame count or buffer size not those of the
// options and window), ERR_MULTIPLY_OVERFLOW (more than 2^32 - 1 intensity
// values), ERR_NO_MEM.
int32_t an_surface(const an_options* options, const intens_matrix* frames, phase_matrix* heights);

// The same from n_frames separate frames of window.width x window.height
// counts each, row by row.
int32_t an_surface_frames(const an_options* options, const uint16_t* const* frames,
                          int32_t n_frames, matrix_window window, phase_matrix* heights);

// ---- comparing surfaces ----------------------------------------------------

// A plane z = piston + slope_x * x + slope_y * y (x, y in pixels).
struct an_plane {
    double piston;
    double slope_x;
    double slope_y;
    int64_t count;  // points it was fitted to
};

// Fits a plane by least squares to the values that are not NaN (width x
// height, row by row) and subtracts it from them. ERR_BAD_PARAM for a null
// pointer or a dimension below 1, ERR_ALL_BAD_DATA when the points do not
// fix a plane (fewer than 3, or all on one line). plane may be null.
int32_t an_remove_plane(double* values, int32_t width, int32_t height, an_plane* plane);

// How far measured heights are from known ones once piston and tilt are
// removed: the RMS (nm) of (measured - truth) minus its best-fitting plane,
// over the pixels valid in heights whose truth_nm (window width x height
// values) is not NaN. count (may be null) gets the number of those pixels.
// Errors as an_remove_plane's; ERR_NO_MEM.
int32_t an_height_error(const phase_matrix* heights, const double* truth_nm, double* rms_nm,
                        int64_t* count);
