#include "sim/virtual_instrument/scene.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "sim/optics/surface_file.h"
#include "sim/scanner/scan_state.h"

namespace vi {
namespace {

optics::surface built_in(const scene_options& scene) {
    switch (scene.surface) {
        case surface_kind::tilt:
            return optics::make_tilt(scene.width, scene.height, SCENE_PIXEL_UM, SCENE_TILT_X_NM,
                                     SCENE_TILT_Y_NM);
        case surface_kind::step:
            return optics::make_step(scene.width, scene.height, SCENE_PIXEL_UM, SCENE_STEP_NM);
        default:
            return optics::make_sphere(scene.width, scene.height, SCENE_PIXEL_UM,
                                       SCENE_SPHERE_RADIUS_MM);
    }
}

void punch_hole(optics::surface& surf) {
    const double cx = surf.width * 3 / 4;
    const double cy = surf.height / 4;
    const double r = std::min(surf.width, surf.height) / SCENE_HOLE_DIVISOR;
    for (int32_t y = 0; y < surf.height; ++y) {
        for (int32_t x = 0; x < surf.width; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                surf.height_nm[surf.index(x, y)] = std::nan("");
            }
        }
    }
}

// The shortest text that reads back as the same number, in the C locale's form.
std::string decimal(double value) {
    char text[64];
    const auto [end, failed] = std::to_chars(text, text + sizeof text, value);
    return failed == std::errc() ? std::string(text, end) : "0";
}

}  // namespace

optics::surface scene_surface(const scene_options& scene) {
    optics::surface surf = built_in(scene);
    punch_hole(surf);
    return surf;
}

bool write_scene(const std::string& dir, const scene_options& scene, folder_environment* env,
                 std::string* error) {
    optics::surface surf;
    if (scene.surface == surface_kind::file) {
        if (!optics::load_surface(scene.surface_file, &surf, error)) return false;
    } else {
        surf = scene_surface(scene);
    }
    const std::string path = (std::filesystem::path(dir) / "surface.npy").string();
    if (!optics::save_surface(path, surf, error)) return false;

    env->variables.emplace_back(sim::SIM_SURFACE_ENV, path);
    env->variables.emplace_back(sim::SIM_CAMERA_NOISE_ENV, decimal(scene.noise));
    env->variables.emplace_back(sim::SIM_CAMERA_SEED_ENV, std::to_string(scene.seed));
    env->variables.emplace_back(sim::SIM_TIME_SCALE_ENV, decimal(scene.speed));
    if (scene.fault != camera_fault::none) {
        const char* kind = scene.fault == camera_fault::drop_frame ? "drop:" : "stall:";
        env->variables.emplace_back(sim::SIM_CAMERA_FAULT_ENV, kind + std::to_string(SCENE_FAULT_FRAME));
    }
    return true;
}

}  // namespace vi
