// The simulated interferometer's optics: a surface under the objective, a
// light source, and the camera image of their interference at one position
// of the scanner. Pure computation, the same on every platform, seeded so
// that a frame is a function of its arguments alone.
//
// A pixel whose surface height is h (nm) seen with the scanner at z (nm)
// has the optical path difference d = 2 (z - h) between the two beams and
// the intensity
//     I = mean * (1 + c * envelope(d) * cos(2 pi d / wavelength))
// plus, where asked, Gaussian noise of noise_sigma counts; envelope(d) is 1
// for a monochromatic source and exp(-(d / coherence_length)^2) for a
// broad-band one. The fringe contrast c of a pixel is
//     c = contrast * (1 - contrast_spread * u)
// with u uniform in 0 .. 1, fixed for the pixel by the seed (the same in
// every frame). The counts are rounded and clamped to 0 .. full_scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace optics {

// Heights in nanometres on a grid of width x height pixels, row by row;
// NaN marks a pixel that sees no surface (it images as dark).
struct surface {
    int32_t width = 0;
    int32_t height = 0;
    double pixel_um = 1.0;  // lateral size of one pixel
    std::vector<double> height_nm;
    size_t index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
    }
    double at(int32_t x, int32_t y) const { return height_nm[index(x, y)]; }
};

// A sphere of the given radius of curvature (mm), its apex at the centre,
// heights relative to the apex (negative away from it).
surface make_sphere(int32_t width, int32_t height, double pixel_um, double radius_mm);
// A plane tilted about both axes: slope_x, slope_y in nm per pixel.
surface make_tilt(int32_t width, int32_t height, double pixel_um, double slope_x, double slope_y);
// Two levels: 0 left of the middle column, step_nm from it on.
surface make_step(int32_t width, int32_t height, double pixel_um, double step_nm);

struct light_source {
    double wavelength_nm = 632.8;   // centre wavelength
    double coherence_nm = 0;        // coherence length; 0: monochromatic
};

// The sources of the simulated instrument: a single wavelength for the
// phase-measuring ramps, a broad band for the scanning ramps.
light_source monochromatic_source();
light_source broadband_source();

struct camera {
    double mean = 1800;           // counts at zero contrast
    double contrast = 0.8;        // fringe contrast, 0 .. 1, of the best pixel
    double contrast_spread = 0.2; // pixels lose up to this share of it; 0: all alike
    double noise_sigma = 0;       // counts; 0: noise-free
    uint32_t full_scale = 4095;   // largest count (12-bit camera)
    uint64_t seed = 1;            // noise of frame k comes from (seed, k); contrast too
};

// The fringe contrast of the pixel at that index (row by row).
double pixel_contrast(const camera& cam, uint64_t pixel);

// The intensity of one pixel whose contrast is cam.contrast (the spread
// aside), before noise and rounding.
double intensity(double height_nm, double scanner_nm, const light_source& source, const camera& cam);

// One frame: surf.width x surf.height counts into pixels (row by row), for
// the scanner at scanner_nm; frame_index picks the frame's noise. A large
// frame is rendered in bands on one thread per core.
void render_frame(const surface& surf, const light_source& source, const camera& cam,
                  double scanner_nm, uint64_t frame_index, uint16_t* pixels);

}  // namespace optics
