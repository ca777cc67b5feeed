// Bad lines of the system calibration file: each is reported with the file,
// its line number and its keyword, and the record stays as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cal_test_support.h"
#include "instrument/instrument.h"
#include "support/print_capture.h"
#include "support/temp_file.h"

namespace {

struct bad_line {
    std::string line;
    std::string keyword;  // as the message shows it
    std::string fault;
};

// Reads two good lines, a comment and then the bad line (line 4).
void expect_refused(const bad_line& bad) {
    SCOPED_TRACE(bad.line);
    const temp_file file("bad.cal");
    file.write_text("SystemType: 30\r\n# a comment\r\nFuture: x\r\n" + bad.line + "\r\nLightType: 1\r\n");
    sys_info info = record_in_use();
    const auto before = bytes_of(info);
    print_capture capture;
    EXPECT_EQ(sys_cal_read(file.c_str(), 1, &info), ERR_INVALID_CONFIG_FILE);
    EXPECT_EQ(capture.printed(), "sys_cal_read: \"" + file.str() + "\" line 4, keyword \"" +
                                     bad.keyword + "\": " + bad.fault + "\n");
    EXPECT_EQ(bytes_of(info), before);
}

TEST(CalFileBadLines, LinesThatAreNotKeywordLines) {
    for (const bad_line& bad : std::vector<bad_line>{
             {"SystemType 30", "SystemType 30", "no colon after the keyword"},
             {"  : 30", "", "no keyword before the colon"},
             {"System\x01Type: 30", "System\x01Type", "control character in the line"},
             {std::string("SystemType: 3\0", 14) + "0", "SystemType", "control character in the line"},
             {"SystemType: 30\r\r", "SystemType", "control character in the line"},
             // A comment follows the same rule: a lone carriage return would
             // hide what comes after it.
             {"# note\rSystemType: 5", "", "control character in the line"},
             {"  # colour \x1b[31mred", "", "control character in the line"},
             {"SystemType: " + std::string(500, '1'), "SystemType",
              "line longer than 511 characters"},
             {"system type : 31", "system type", "keyword given twice (first on line 1)"},
         }) {
        expect_refused(bad);
    }
}

TEST(CalFileBadLines, ValuesOutsideTheirTypeOrRange) {
    const std::string port(256, 'p');
    for (const bad_line& bad : std::vector<bad_line>{
             {"InstrumentBoard: 2", "InstrumentBoard",
              "expected integer, one of 0, 1, 3, 5, 6, 7, 8, found \"2\""},
             {"CameraType: 256", "CameraType", "expected integer, 0 to 255, found \"256\""},
             {"CameraType: -1", "CameraType", "expected integer, 0 to 255, found \"-1\""},
             {"CameraType: +1", "CameraType", "expected integer, 0 to 255, found \"+1\""},
             {"CameraType: 1.0", "CameraType", "expected integer, 0 to 255, found \"1.0\""},
             {"CameraType:", "CameraType", "expected integer, 0 to 255, found \"\""},
             {"OrvoEncZoomBacklash: 2147483648", "OrvoEncZoomBacklash",
              "expected integer, -2147483648 to 2147483647, found \"2147483648\""},
             {"PifocSerialNumber: 99999999999999999999999", "PifocSerialNumber",
              "expected integer, -1 to 2147483647, found \"99999999999999999999999\""},
             {"PifocPolarity: 0", "PifocPolarity", "expected integer, one of -1, 1, found \"0\""},
             {"WaveMonitorCL: 214.75", "WaveMonitorCL",
              "expected number, -214.7483647 to 214.7483647, found \"214.75\""},
             {"WaveMonitorSystemGain: 1,5", "WaveMonitorSystemGain",
              "expected number, 0 to 1e+06, found \"1,5\""},
             {"SweepMaxRate: inf", "SweepMaxRate",
              "expected number, 0 to 1.7976931348623157e+308, found \"inf\""},
             {"SweepMaxRate: nan", "SweepMaxRate",
              "expected number, 0 to 1.7976931348623157e+308, found \"nan\""},
             {"SweepMaxRate: 1e309", "SweepMaxRate",
              "expected number, 0 to 1.7976931348623157e+308, found \"1e309\""},
             {"SweepMinRate: 0x10", "SweepMinRate",
              "expected number, 0 to 1.7976931348623157e+308, found \"0x10\""},
             {"WaveMonitorPort: " + port, "WaveMonitorPort",
              "expected text, up to 255 characters, may be empty, found \"" + port.substr(0, 40) +
                  "\"..."},
             {"CanBridgeMacAddress: 00:11:22:33:44", "CanBridgeMacAddress",
              "expected MAC address, six pairs of hex digits, apart by blanks, colons or hyphens, "
              "found \"00:11:22:33:44\""},
             {"CanBridgeMacAddress: 00:11:22:33:44:5G", "CanBridgeMacAddress",
              "expected MAC address, six pairs of hex digits, apart by blanks, colons or hyphens, "
              "found \"00:11:22:33:44:5G\""},
             {"CanBridgeMacAddress: 0:11:22:33:44:55:6", "CanBridgeMacAddress",
              "expected MAC address, six pairs of hex digits, apart by blanks, colons or hyphens, "
              "found \"0:11:22:33:44:55:6\""},
             {"SleepTimeout: 18:12:16", "SleepTimeout",
              "expected hours:minutes:seconds, 0:00:00 to 18:12:15, minutes and seconds below "
              "60, found \"18:12:16\""},
             {"SleepTimeout: 1:60:00", "SleepTimeout",
              "expected hours:minutes:seconds, 0:00:00 to 18:12:15, minutes and seconds below "
              "60, found \"1:60:00\""},
             {"SleepTimeout: 90", "SleepTimeout",
              "expected hours:minutes:seconds, 0:00:00 to 18:12:15, minutes and seconds below "
              "60, found \"90\""},
             {"SleepTimeout: -0:01:00", "SleepTimeout",
              "expected hours:minutes:seconds, 0:00:00 to 18:12:15, minutes and seconds below "
              "60, found \"-0:01:00\""},
             {"OrvoEncZoomProgLim: 5 4", "OrvoEncZoomProgLim",
              "expected two integers, lower and upper, each -2147483648 to 2147483647, lower not "
              "above upper, found \"5 4\""},
             {"OrvoEncZoomWandLim: 1 2 3", "OrvoEncZoomWandLim",
              "expected two integers, lower and upper, each -2147483648 to 2147483647, lower not "
              "above upper, found \"1 2 3\""},
             {"OrvoEncZoomWandLim: 1,", "OrvoEncZoomWandLim",
              "expected two integers, lower and upper, each -2147483648 to 2147483647, lower not "
              "above upper, found \"1,\""},
             {"OrvoEncZoomStdMags: 1 0.4", "OrvoEncZoomStdMags",
              "expected list of numbers, up to 16, each 0.5 to 6, may be empty, found \"1 0.4\""},
             {"OrvoEncZoomStdMags: 1,,2", "OrvoEncZoomStdMags",
              "expected list of numbers, up to 16, each 0.5 to 6, may be empty, found \"1,,2\""},
             {"OrvoEncZoomStdMags: 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1", "OrvoEncZoomStdMags",
              "expected list of numbers, up to 16, each 0.5 to 6, may be empty, found \"1 1 1 1 1 "
              "1 1 1 1 1 1 1 1 1 1 1 1\""},
         }) {
        expect_refused(bad);
    }
}

TEST(CalFileBadLines, UnknownLinesBeyondTheirRoom) {
    const temp_file file("crowded.cal");
    std::string text;
    const std::string value(480, 'v');
    for (int i = 0; i < 17; ++i) text += "Future" + std::to_string(i) + ": " + value + "\n";
    file.write_text(text);
    sys_info info = record_in_use();
    const auto before = bytes_of(info);
    print_capture capture;
    EXPECT_EQ(sys_cal_read(file.c_str(), 1, &info), ERR_INVALID_CONFIG_FILE);
    EXPECT_EQ(capture.printed(),
              "sys_cal_read: \"" + file.str() +
                  "\" line 17, keyword \"Future16\": too many unknown keyword lines to keep "
                  "(8191 characters at most)\n");
    EXPECT_EQ(bytes_of(info), before);
}

TEST(CalFileBadLines, AFileOfTooManyLines) {
    const temp_file file("long.cal");
    file.write_text(std::string(100000, '\n') + "SystemType: 3\n");
    sys_info info = record_in_use();
    const auto before = bytes_of(info);
    print_capture capture;
    EXPECT_EQ(sys_cal_read(file.c_str(), 1, &info), ERR_INVALID_CONFIG_FILE);
    EXPECT_EQ(capture.printed(), "sys_cal_read: \"" + file.str() +
                                     "\" line 100001, keyword \"\": more than 100000 lines in the "
                                     "file\n");
    EXPECT_EQ(bytes_of(info), before);
}

}  // namespace
