// The command line of virtual-instrument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vi {

// A fault the simulators carry from the start.
enum class fault_kind {
    none,
    board_nak,     // the instrument board NAKs every request
    laser_stuck,   // the wave monitor's laser is off and never follows "LO=1"
    no_bridge,     // the CAN library finds no bridge on the network
    no_scan,       // ramp starts are acknowledged, but the scanner never moves
    trigger_fail,  // the CAN bridge aborts the frame-grabber trigger write
};

// The surface under the simulated objective.
enum class surface_kind {
    sphere,  // radius SCENE_SPHERE_RADIUS_MM, apex at the centre
    tilt,    // SCENE_TILT_X_NM and SCENE_TILT_Y_NM per pixel
    step,    // SCENE_STEP_NM from the middle column on
    file,    // heights (nm) from a .npy file
};

// A fault of the simulated camera, which it carries from the start.
enum class camera_fault {
    none,
    drop_frame,  // misses trigger SCENE_FAULT_FRAME: that frame never comes
    stall,       // stops answering from trigger SCENE_FAULT_FRAME on
};

// The scene the simulated camera sees and how it sees it.
struct scene_options {
    surface_kind surface = surface_kind::sphere;
    std::string surface_file;  // for surface_kind::file
    int32_t width = 320;       // pixels; a file brings its own size
    int32_t height = 240;
    bool size_given = false;
    double noise = 8;    // counts (Gaussian sigma); 0: noise-free
    uint64_t seed = 1;   // of the noise and of the fringe contrast per pixel
    double speed = 1;    // the camera delivers frames this many times faster
    camera_fault fault = camera_fault::none;
};

struct options {
    int32_t board_type = 3;    // instrBdType: 1 UZ1, 3 UZ2, 6 NIF, 7 FTP, 8 CAN
    int32_t system_type = -1;  // -1: a default that suits the devices
    bool wave_monitor = false;
    bool temp_sensor = false;
    std::string dir;  // empty: a fresh folder under the temporary directory
    bool keep = false;
    fault_kind fault = fault_kind::none;
    int32_t report_ms = 0;  // a board report this often; 0: none
    std::vector<std::string> then;  // a command to run once ready, then stop
    scene_options scene;
    bool help = false;
};

// False with *error set for a command line it does not take.
bool parse_options(int argc, char** argv, options* out, std::string* error);

// The system type the instrument reports: the one asked for, else one whose
// switch-on runs the wave monitor steps when there is a wave monitor.
int32_t effective_system_type(const options& opts);

const char* help_text();
const char* fault_name(fault_kind fault);

}  // namespace vi
