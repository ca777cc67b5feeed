// What the simulated scanner tells the simulated camera: the simulators of
// an instrument may run in different processes (the serial board in
// virtual-instrument, the CAN library and the frame grabber in the program
// that uses the library), so the scanner publishes each scan it makes as a
// small text file, replaced as a whole, which the camera reads.
//
// The file, one item a line:
//   scan SEQUENCE          increases with every ramp start
//   ramp_type TYPE         the ramp's type code (0 SWLI, 1..15 PMI, 17 BTW)
//   start_ns NS            the scan's start on the monotonic counter, in ns
//   frame INDEX NS NM      one camera trigger: its time after the start (ns)
//                          and the scanner's position then (nm)
//   end
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The environment variables the simulators find their shared files by.
inline constexpr const char* SIM_SCAN_FILE_ENV = "SIM_SCAN_FILE";
inline constexpr const char* SIM_SURFACE_ENV = "SIM_SURFACE";
// The simulated camera's noise (counts) and seed, the speed of its clock
// against the scan's, and a fault ("drop:K", "stall:K").
inline constexpr const char* SIM_CAMERA_NOISE_ENV = "SIM_CAMERA_NOISE";
inline constexpr const char* SIM_CAMERA_SEED_ENV = "SIM_CAMERA_SEED";
inline constexpr const char* SIM_TIME_SCALE_ENV = "SIM_TIME_SCALE";
inline constexpr const char* SIM_CAMERA_FAULT_ENV = "SIM_CAMERA_FAULT";

// A file is refused beyond this many triggers.
inline constexpr size_t SIM_SCAN_MAX_FRAMES = 100000;

struct scan_trigger {
    int64_t time_ns = 0;  // after the start
    double position_nm = 0;
};

struct scan_state {
    uint64_t sequence = 0;
    int32_t ramp_type = 0;
    int64_t start_ns = 0;
    std::vector<scan_trigger> triggers;
};

// Replaces the file at path as a whole; false when it cannot be written.
bool write_scan_state(const std::string& path, const scan_state& state);

// Reads the file; false (and *state untouched) when it is missing, malformed
// or holds more than SIM_SCAN_MAX_FRAMES triggers.
bool read_scan_state(const std::string& path, scan_state* state);

// The monotonic counter in nanoseconds, as start_ns counts it.
int64_t scan_clock_ns();

}  // namespace sim
