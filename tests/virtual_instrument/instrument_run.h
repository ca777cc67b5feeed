// One run of virtual-instrument with instrument-demo started under it, in a
// scratch folder: the demo's transcript, the live log and what the
// simulators received.
#pragma once

#include <string>
#include <vector>

#include "support/temp_file.h"

namespace vi_test {

struct run_result {
    int status = -1;                      // virtual-instrument's, which is the demo's
    std::string live_log;                 // virtual-instrument's standard output
    std::string errors;                   // virtual-instrument's standard error
    // The demo's standard output without time stamps, the folder as DIR,
    // the calibration file as DIR/cfg/CAL and each serial port as PORT.
    std::vector<std::string> transcript;
    std::string demo_errors;              // the demo's standard error (library messages)
    std::vector<std::string> received;    // received.log, line by line
};

// Runs virtual-instrument with args and the demo with demo_args after --then.
run_result run_instrument(const std::string& name, const std::vector<std::string>& args,
                          const std::vector<std::string>& demo_args);

// What one device received, one frame a line, as received.log gives it
// (without the device's name); for the board only the command names.
std::vector<std::string> frames_of(const run_result& run, const std::string& device);

// The lines of text, each without its line end.
std::vector<std::string> lines_of(const std::string& text);

// Removes "YYYY-MM-DD HH:MM:SS " time stamps wherever they stand.
std::string without_stamps(const std::string& text);

}  // namespace vi_test
