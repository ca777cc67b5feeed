// Helpers of the calibration file tests: a record with state of its own, so
// that tests can see what the reader leaves alone, and a byte-exact snapshot.
#pragma once

#include <cstring>
#include <vector>

#include "instrument/instrument.h"

// A cleared record that also holds open handles, wave monitor state and an
// acquisition mode, as a running instrument's record does.
inline sys_info record_in_use() {
    sys_info info;
    sys_info_clear(&info);
    info.board.line.portHandle = 11;
    info.waveMonitor.line.portHandle = 12;
    info.tempSensor.line.portHandle = 13;
    info.waveMonitor.state.calibrated = 1;
    info.waveMonitor.state.systemGain = 2.5F;
    info.can.node63ProductCode = 0x267215D5;
    info.ramps.hasDigitalScanner = 1;
    info.acq.numModes = 1;
    info.acq.modes[0].dataRate = 30.0;
    info.systemType = 99;  // configured: the reader replaces it
    return info;
}

inline std::vector<unsigned char> bytes_of(const sys_info& info) {
    const auto* p = reinterpret_cast<const unsigned char*>(&info);
    return {p, p + sizeof info};
}
