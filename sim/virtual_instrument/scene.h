// The scene of a virtual instrument: the surface under the objective, which
// it writes into the folder as surface.npy, and the camera's settings, which
// it hands to the simulated frame grabber through the environment.
#pragma once

#include <cstdint>
#include <string>

#include "sim/optics/optics.h"
#include "sim/virtual_instrument/instrument_folder.h"
#include "sim/virtual_instrument/options.h"

namespace vi {

// The built-in surfaces, chosen to suit the instrument's ramps: every
// height lies well inside the +-5 um of a scanning ramp, and a pixel's
// height differs from its neighbour's by far less than a quarter wave, so
// that phase-measuring fringes stay resolved.
inline constexpr double SCENE_PIXEL_UM = 1.0;           // lateral size of a pixel
inline constexpr double SCENE_SPHERE_RADIUS_MM = 50.0;  // sag 400 nm at 200 um off centre
inline constexpr double SCENE_TILT_X_NM = 2.0;          // per pixel along a row
inline constexpr double SCENE_TILT_Y_NM = 1.0;          // per row
inline constexpr double SCENE_STEP_NM = 1000.0;         // height of the step

// Every built-in surface has a round hole in which the camera sees no
// surface (NaN heights, dark pixels): centred at (3/4 width, 1/4 height),
// its radius 1/16 of the smaller side.
inline constexpr int32_t SCENE_HOLE_DIVISOR = 16;

// The trigger (0-based) at which a camera fault strikes.
inline constexpr int32_t SCENE_FAULT_FRAME = 2;

// Limits of the options.
inline constexpr int32_t SCENE_MIN_SIDE = 16;
inline constexpr int32_t SCENE_MAX_SIDE = 4096;
inline constexpr int32_t SCENE_MAX_NOISE = 1000;
inline constexpr int32_t SCENE_MAX_SPEED = 1000000;

// The surface of a built-in scene (sphere, tilt or step), with its hole.
optics::surface scene_surface(const scene_options& scene);

// The surface of the scene (built in, or read from its file) as surface.npy
// in dir, and the variables that carry the scene to the camera: SIM_SURFACE,
// SIM_CAMERA_NOISE, SIM_CAMERA_SEED, SIM_TIME_SCALE, and SIM_CAMERA_FAULT
// ("drop:K" or "stall:K") when the camera has a fault. False with *error set
// when the surface file cannot be read or surface.npy cannot be written.
bool write_scene(const std::string& dir, const scene_options& scene, folder_environment* env,
                 std::string* error);

}  // namespace vi
