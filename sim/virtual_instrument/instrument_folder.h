// The folder of a virtual instrument: everything the library looks for when
// it runs against the simulators, written with the library's own writers.
#pragma once

#include <string>
#include <vector>

#include "sim/virtual_instrument/options.h"

namespace vi {

// The scan file in the folder (SIM_SCAN_FILE).
inline constexpr const char* kScanFile = "scan.txt";

// The device paths the simulators answer on; empty for a device not there.
struct device_ports {
    std::string board;
    std::string wave_monitor;
    std::string temp_sensor;
};

// What a program run against the folder needs in its environment.
struct folder_environment {
    std::vector<std::pair<std::string, std::string>> variables;  // name, value
    std::string can_log;  // the simulated CAN library's call log; empty: no CAN
};

// Writes into dir (which exists):
//   cfg/<default calibration file name of system 0>  the instrument record
//   cfg/ramps/rampcfg.txt and its ramp data files    PMI ramps of 5 and 13 buckets,
//                                                    SWLI ramps of 10 and 20 um, a
//                                                    BTW ramp of 10 um
//   (scan.txt, where the simulated scanner publishes its scans, is named
//   in the environment; the scanner writes it)
//   windows/KvAcq.ini                                the frame-grabber INI file
//   can_instrument.txt                               for a CAN instrument
// False with *error set when something cannot be written.
bool write_instrument_folder(const std::string& dir, const options& opts,
                             const device_ports& ports, folder_environment* env,
                             std::string* error);

}  // namespace vi
