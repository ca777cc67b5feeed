// The grabber the simulated library describes when nothing sets up another:
// what virtual-instrument's programs discover and grab from.
#include "grab_fixture.h"
#include "sim/kv_acq/virtual_system.h"

namespace acq_test {
namespace {

using AcqVirtualGrabber = AcqTest;

struct scan_publisher {
    std::string path;
    sim::scan_state scan;
    static int32_t publish(void* context) {
        auto* self = static_cast<scan_publisher*>(context);
        return sim::write_scan_state(self->path, self->scan) ? NO_ERROR : ERR_CANT_WRITE_FILE;
    }
};

TEST_F(AcqVirtualGrabber, IsWhatTheLibraryHoldsWhenLoadedAndGrabsTheSurface) {
    // The fixture's hold zeroed the state: give it up so that the library
    // is loaded afresh.
    plat::unload_library(held_);
    held_ = plat::load_library(ACQ_LIBRARY);
    ASSERT_NE(held_, nullptr);
    auto control =
        reinterpret_cast<sim_acq_control_func>(plat::library_symbol(held_, SIM_ACQ_CONTROL));
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control()->devices[0].id, SIM_VI_DEVICE_ID) << "the library was not loaded afresh";

    print_capture capture;
    ASSERT_EQ(init(), NO_ERROR);
    EXPECT_EQ(acq().numModes, 2);
    EXPECT_EQ(acq().primaryCameraId, SIM_VI_CAMERA_ID);
    EXPECT_EQ(acq().modes[0].dataRate, 60);
    EXPECT_EQ(acq().modes[0].userWidth, 4096);
    EXPECT_EQ(acq().modes[0].bytesPerPixel, 2);
    EXPECT_EQ(acq_pick_mode(&gl_SysInfo[0], 25), 0);
    EXPECT_EQ(acq_pick_mode(&gl_SysInfo[0], 100), 1);

    temp_file surface_file("virtual-surface.npy");
    temp_file scan_file("virtual-scan.txt");
    const optics::surface surface = optics::make_sphere(24, 20, 2.0, 5.0);
    std::string error;
    ASSERT_TRUE(optics::save_surface(surface_file.str(), surface, &error)) << error;
    scoped_env surface_env("SIM_SURFACE", surface_file.c_str());
    scoped_env scan_env("SIM_SCAN_FILE", scan_file.c_str());
    scoped_env scale_env("SIM_TIME_SCALE", "1e6");
    scoped_env fault_env("SIM_CAMERA_FAULT", nullptr);
    scan_publisher publisher{scan_file.str(), quarter_fringe_scan(1, RR_RAMP_PMI, 4)};
    const acq_grab_request request{25, 4, scan_publisher::publish, &publisher};
    intens_matrix frames{};
    ASSERT_EQ(acq_grab_frames(&gl_SysInfo[0], &request, &frames), NO_ERROR);
    EXPECT_EQ(frames.window.width, 24);
    EXPECT_EQ(frames.window.height, 20);
    EXPECT_EQ(control()->camera.openMode, SIM_VI_STANDARD_MODE_ID);
    intens_matrix_free(&frames);
}

}  // namespace
}  // namespace acq_test
