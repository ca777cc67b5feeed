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
