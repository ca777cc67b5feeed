// A system calibration file that sets every keyword away from its default,
// in the loose spellings a person might type (keyword case and blanks,
// commas in lists, lower-case hex), with comments, blank lines and lines of
// keywords the reader does not know. Shared by the tests and the fuzz seeds.
#pragma once

#include <string>
#include <vector>

namespace cal_sample {

inline std::vector<std::string> full_lines() {
    return {
        "# Calibration of a test instrument",
        "InstrumentBoard: 8",
        "  System Type :30",
        "cameratype: 12",
        "LightType:\t3",
        "InstrumentBoardPort: /dev/ttyS7",
        "",
        "   # the wave monitor",
        "WaveMonitorPort: COM9",
        "WaveMonitorCL: -12.5",
        "WaveMonitorSystemGain: 1.25",
        "SweepMinRate: 1000",
        "SweepMaxRate: 2.5e9",
        "SweepMinRange: 0.5",
        "SweepMaxRange: 10000000000",
        "TemperatureSensorEnabled: 1",
        "TemperatureSensorPort: COM4",
        "Future Keyword:  kept  as it was: with a colon  ",
        "CanBridgeMacAddress: 00:1a:2B-3c 4D5e",
        "ObjectiveTurretType: 2",
        "ZoomChangerType: 1",
        "\t",
        "SleepTimeout: 1:30:5",
        "OrvoEncZoomConfig: 1",
        "OrvoEncZoomBacklash: -25",
        "OrvoEncZoomProgLim: -1000 250000",
        "OrvoEncZoomWandLim: 0, 240000",
        "OrvoEncZoomStdMags: 0.5, 1 2,4.5 6",
        "OrvoEncZoomCalFile: C:\\cal\\zoom 2.txt",
        "RampConfig: rampcfg_b.txt",
        "PifocSerialNumber: 12345",
        "PifocPolarity: -1",
        "PztSerialNumber: 777",
        "PmiWavelength: 633.0",
        "broadband wavelength: 600.5",
        "AnotherFuture:1 2 3",
    };
}

inline std::string join(const std::vector<std::string>& lines, const std::string& line_end) {
    std::string text;
    for (const std::string& line : lines) text += line + line_end;
    return text;
}

// The full file with CR LF line ends.
inline std::string full_file() {
    return join(full_lines(), "\r\n");
}

}  // namespace cal_sample
