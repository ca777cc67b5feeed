// Surfaces on disk: a numpy .npy file (version 1.0) of float64 heights in
// nanometres, shape (height, width), C order, NaN where the camera sees no
// surface. The simulated frame grabber reads the surface virtual-instrument
// wrote; a user gives one of her own the same way.
#pragma once

#include <string>

#include "sim/optics/optics.h"

namespace optics {

// Surfaces larger than this many pixels are refused.
inline constexpr uint64_t SURFACE_MAX_PIXELS = uint64_t{1} << 26;

// Reads '<f8' or '<f4' heights; false with *error set for a file that is
// missing, not such an array, or larger than SURFACE_MAX_PIXELS.
// pixel_um of the result is 1.
bool load_surface(const std::string& path, surface* out, std::string* error);

// Writes '<f8' heights through the shared file replacement.
bool save_surface(const std::string& path, const surface& surf, std::string* error);

}  // namespace optics
