// The scene of virtual-instrument: the built-in surfaces fit the ramps they
// are measured with, surface.npy holds what the camera must see, and the
// camera's settings reach a program run under the instrument.
#include "sim/virtual_instrument/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "platform/child_process.h"
#include "sim/optics/surface_file.h"
#include "support/temp_file.h"

namespace {

namespace fs = std::filesystem;

size_t invalid_pixels(const optics::surface& surf) {
    size_t count = 0;
    for (const double h : surf.height_nm) count += std::isnan(h) ? 1u : 0u;
    return count;
}

// The largest height difference between neighbours along a row or a column.
double steepest_neighbours(const optics::surface& surf) {
    double steepest = 0;
    for (int32_t y = 0; y + 1 < surf.height; ++y) {
        for (int32_t x = 0; x + 1 < surf.width; ++x) {
            for (const double next : {surf.at(x + 1, y), surf.at(x, y + 1)}) {
                const double d = std::fabs(next - surf.at(x, y));
                if (!std::isnan(d)) steepest = std::max(steepest, d);
            }
        }
    }
    return steepest;
}

bool same_heights(const optics::surface& a, const optics::surface& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (size_t i = 0; i < a.height_nm.size(); ++i) {
        const double x = a.height_nm[i];
        const double y = b.height_nm[i];
        if (!(x == y || (std::isnan(x) && std::isnan(y)))) return false;
    }
    return true;
}

TEST(Scene, BuiltInSurfacesSuitTheRamps) {
    for (const vi::surface_kind kind :
         {vi::surface_kind::sphere, vi::surface_kind::tilt, vi::surface_kind::step}) {
        vi::scene_options scene;
        scene.surface = kind;
        const optics::surface surf = vi::scene_surface(scene);
        ASSERT_EQ(surf.width, 320);
        ASSERT_EQ(surf.height, 240);
        // The hole: radius 15 around (240, 60).
        EXPECT_TRUE(std::isnan(surf.at(240, 60)));
        EXPECT_TRUE(std::isnan(surf.at(255, 60)));
        EXPECT_FALSE(std::isnan(surf.at(256, 60)));
        EXPECT_NEAR(static_cast<double>(invalid_pixels(surf)), std::numbers::pi * 15 * 15, 30);
        // Every height inside the +-5 um of a scanning ramp.
        for (const double h : surf.height_nm) {
            if (!std::isnan(h)) {
                EXPECT_LE(std::fabs(h), 1000.0);
            }
        }
        // Fringes resolved: neighbours far less than a quarter wave apart
        // (the step's edge aside).
        if (kind != vi::surface_kind::step) {
            EXPECT_LT(steepest_neighbours(surf), 10.0);
        }
    }

    vi::scene_options sphere;
    const optics::surface s = vi::scene_surface(sphere);
    // Apex 0 at the centre (159.5, 119.5); sag r^2 / 2R at the corner.
    EXPECT_NEAR(s.at(159, 119), -0.5 * 0.5 * 2 * 1e6 / (2 * 50e6), 1e-6);
    const double corner_um2 = 159.5 * 159.5 + 119.5 * 119.5;
    EXPECT_NEAR(s.at(0, 0), -(corner_um2 * 1e6) / (2 * 50e6), 0.01);

    vi::scene_options step;
    step.surface = vi::surface_kind::step;
    step.width = 64;
    step.height = 16;
    const optics::surface st = vi::scene_surface(step);
    EXPECT_EQ(st.at(31, 8), 0.0);
    EXPECT_EQ(st.at(32, 8), 1000.0);
    EXPECT_EQ(invalid_pixels(st), 5u);  // radius 1 around (48, 4): a pixel and its 4 neighbours
}

TEST(Scene, WritesTheSurfaceAndTheCameraVariables) {
    const temp_file dir("scene");
    fs::create_directories(dir.path);
    vi::scene_options scene;
    scene.surface = vi::surface_kind::tilt;
    scene.width = 40;
    scene.height = 20;
    scene.noise = 2.5;
    scene.seed = 77;
    scene.speed = 1e4;
    scene.fault = vi::camera_fault::drop_frame;
    vi::folder_environment env;
    std::string error;
    ASSERT_TRUE(vi::write_scene(dir.str(), scene, &env, &error)) << error;
    const std::string npy = (dir.path / "surface.npy").string();
    EXPECT_EQ(env.variables,
              (std::vector<std::pair<std::string, std::string>>{{"SIM_SURFACE", npy},
                                                                {"SIM_CAMERA_NOISE", "2.5"},
                                                                {"SIM_CAMERA_SEED", "77"},
                                                                {"SIM_TIME_SCALE", "10000"},
                                                                {"SIM_CAMERA_FAULT", "drop:2"}}));
    optics::surface saved;
    ASSERT_TRUE(optics::load_surface(npy, &saved, &error)) << error;
    EXPECT_TRUE(same_heights(saved, vi::scene_surface(scene)));

    // A surface of the user's own is copied as it is, hole and all; no fault,
    // no fault variable.
    const temp_file own("own.npy");
    optics::surface mine = optics::make_step(17, 19, 1.0, 250.0);
    mine.height_nm[5] = std::nan("");
    ASSERT_TRUE(optics::save_surface(own.str(), mine, &error)) << error;
    vi::scene_options from_file;
    from_file.surface = vi::surface_kind::file;
    from_file.surface_file = own.str();
    vi::folder_environment file_env;
    ASSERT_TRUE(vi::write_scene(dir.str(), from_file, &file_env, &error)) << error;
    ASSERT_TRUE(optics::load_surface(npy, &saved, &error)) << error;
    EXPECT_TRUE(same_heights(saved, mine));
    EXPECT_EQ(file_env.variables.size(), 4u);

    from_file.surface_file = (dir.path / "missing.npy").string();
    EXPECT_FALSE(vi::write_scene(dir.str(), from_file, &file_env, &error));
    EXPECT_NE(error.find("missing.npy"), std::string::npos);
    fs::remove_all(dir.path);
}

#if !defined(_WIN32)
// The variables reach the command that runs under the instrument.
TEST(Scene, ReachesTheCommand) {
    const temp_file dir("scene-run");
    plat::process_result result;
    ASSERT_TRUE(
        plat::run_process({VIRTUAL_INSTRUMENT_EXE, "--kind", "can", "--dir", dir.str(), "--surface",
                           "step", "--size", "32x16", "--noise", "0", "--speed", "250", "--fault",
                           "camera-stall", "--then", "sh", "-c", "env | grep ^SIM_ | sort"},
                          &result));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string npy = (dir.path / "surface.npy").string();
    EXPECT_NE(result.out.find("export SIM_SURFACE=" + npy + "\n"), std::string::npos) << result.out;
    const temp_file out("scene-run/command.out");
    EXPECT_EQ(out.read(),
              "SIM_CAMERA_FAULT=stall:2\nSIM_CAMERA_NOISE=0\nSIM_CAMERA_SEED=1\n"
              "SIM_SCAN_FILE=" +
                  (dir.path / "scan.txt").string() + "\nSIM_SURFACE=" + npy + "\nSIM_TIME_SCALE=250\n");
    optics::surface saved;
    std::string error;
    ASSERT_TRUE(optics::load_surface(npy, &saved, &error)) << error;
    EXPECT_EQ(saved.width, 32);
    EXPECT_EQ(saved.height, 16);

    ASSERT_TRUE(plat::run_process(
        {VIRTUAL_INSTRUMENT_EXE, "--kind", "can", "--surface", (dir.path / "absent.npy").string()},
        &result));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("virtual-instrument: cannot open"), std::string::npos) << result.err;
    fs::remove_all(dir.path);
}
#endif

}  // namespace
