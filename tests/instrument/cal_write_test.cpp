// Writing the system calibration file: the exact text, the round trip, the
// kept unknown lines, the replacement in one step, and records that cannot
// be written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cal_test_support.h"
#include "instrument/cal_keywords.h"
#include "instrument/instrument.h"
#include "platform/platform.h"
#include "support/cal_file_sample.h"
#include "support/folder_entries.h"
#include "support/print_capture.h"
#include "support/temp_file.h"
#include "util/util.h"

namespace fs = std::filesystem;

namespace {

// The configuration directory of this test program: a scratch folder, set
// before anything asks for the directory (it is fixed at the first query).
struct config_folder : ::testing::Environment {
    temp_file folder{"cfg"};
    void SetUp() override {
        fs::create_directories(folder.path);
        plat::set_environment("MB_CONFIG_DIR", folder.c_str());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder.path, ignored);
    }
};
auto* const g_config = static_cast<config_folder*>(
    ::testing::AddGlobalTestEnvironment(new config_folder));

const char* const kFullWritten =
    "# System calibration file: \"Keyword: value\" lines.\r\n"
    "# Blanks and letter case in keywords do not count.\r\n"
    "\r\n"
    "# Instrument\r\n"
    "InstrumentBoard: 8\r\n"
    "SystemType: 30\r\n"
    "CameraType: 12\r\n"
    "LightType: 3\r\n"
    "InstrumentBoardPort: /dev/ttyS7\r\n"
    "\r\n"
    "# Wave monitor\r\n"
    "WaveMonitorPort: COM9\r\n"
    "WaveMonitorCL: -12.5\r\n"
    "WaveMonitorSystemGain: 1.25\r\n"
    "SweepMinRate: 1000\r\n"
    "SweepMaxRate: 2.5e+09\r\n"
    "SweepMinRange: 0.5\r\n"
    "SweepMaxRange: 1e+10\r\n"
    "\r\n"
    "# Temperature sensor\r\n"
    "TemperatureSensorEnabled: 1\r\n"
    "TemperatureSensorPort: COM4\r\n"
    "\r\n"
    "# CAN\r\n"
    "CanBridgeMacAddress: 00:1A:2B:3C:4D:5E\r\n"
    "ObjectiveTurretType: 2\r\n"
    "ZoomChangerType: 1\r\n"
    "\r\n"
    "# Sleep mode\r\n"
    "SleepTimeout: 1:30:05\r\n"
    "\r\n"
    "# Encoded zoom\r\n"
    "OrvoEncZoomConfig: 1\r\n"
    "OrvoEncZoomBacklash: -25\r\n"
    "OrvoEncZoomProgLim: -1000 250000\r\n"
    "OrvoEncZoomWandLim: 0 240000\r\n"
    "OrvoEncZoomStdMags: 0.5 1 2 4.5 6\r\n"
    "OrvoEncZoomCalFile: C:\\cal\\zoom 2.txt\r\n"
    "\r\n"
    "# Ramps\r\n"
    "Ramp Config: rampcfg_b.txt\r\n"
    "PifocSerialNumber: 12345\r\n"
    "PifocPolarity: -1\r\n"
    "PztSerialNumber: 777\r\n"
    "\r\n"
    "# Light sources\r\n"
    "PmiWavelength: 633\r\n"
    "BroadbandWavelength: 600.5\r\n"
    "\r\n"
    "# Keywords this version does not know, kept as they were read\r\n"
    "Future Keyword:  kept  as it was: with a colon  \r\n"
    "AnotherFuture:1 2 3\r\n";

sys_info read_full_sample() {
    const temp_file sample("sample.cal");
    sample.write_text(cal_sample::full_file());
    sys_info info = record_in_use();
    EXPECT_EQ(sys_cal_read(sample.c_str(), 1, &info), NO_ERROR);
    return info;
}

TEST(CalFileWrite, AFullFileRoundTrips) {
    const sys_info read = read_full_sample();
    const temp_file written("written.cal");
    ASSERT_EQ(sys_cal_write(written.c_str(), 1, &read), NO_ERROR);
    EXPECT_EQ(written.read(), kFullWritten);

    sys_info again = record_in_use();
    ASSERT_EQ(sys_cal_read(written.c_str(), 1, &again), NO_ERROR);
    EXPECT_TRUE(cal_same_configuration(read, again));
    const temp_file rewritten("rewritten.cal");
    ASSERT_EQ(sys_cal_write(rewritten.c_str(), 1, &again), NO_ERROR);
    EXPECT_EQ(rewritten.read(), kFullWritten);
}

TEST(CalFileWrite, UnknownKeywordLinesComeBackUnchangedAndInOrder) {
    const temp_file file("unknown.cal");
    file.write_text(
        "Zeta:\t1\n"
        "# a comment is not kept\n"
        "SystemType: 5\n"
        "  alpha beta :  x:y  \n"
        "Zeta: 2\n");
    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(file.c_str(), 1, &info), NO_ERROR);
    ASSERT_EQ(sys_cal_write(file.c_str(), 1, &info), NO_ERROR);
    const std::string text = file.read();
    const std::string tail =
        "# Keywords this version does not know, kept as they were read\r\n"
        "Zeta:\t1\r\n"
        "  alpha beta :  x:y  \r\n"
        "Zeta: 2\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(text.find("a comment"), std::string::npos);
    EXPECT_NE(text.find("\r\nSystemType: 5\r\n"), std::string::npos);
}

TEST(CalFileWrite, ADefaultRecordWritesEveryDefault) {
    sys_info info;
    sys_info_clear(&info);
    const temp_file file("defaults.cal");
    ASSERT_EQ(sys_cal_write(file.c_str(), 1, &info), NO_ERROR);
    const std::string text = file.read();
    for (const cal_keyword& keyword : cal_keywords()) {
        const std::string value = keyword.default_value;
        const std::string line =
            "\r\n" + std::string(keyword.name) + ":" + (value.empty() ? "" : " " + value) + "\r\n";
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.find("do not know"), std::string::npos);
}

TEST(CalFileWrite, ReplacesTheTargetWithNothingLeftBeside) {
    const temp_file target("target.cal");
    target.write_text("SystemType: 4\r\nOld: line\r\n");
    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(target.c_str(), 1, &info), NO_ERROR);
    info.systemType = 7;
    ASSERT_EQ(sys_cal_write(target.c_str(), 1, &info), NO_ERROR);
    const std::string text = target.read();
    EXPECT_NE(text.find("\r\nSystemType: 7\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nOld: line\r\n"), std::string::npos);
    for (const std::string& name : folder_entries(target.path.parent_path())) {
        EXPECT_EQ(name.rfind("_cal", 0), std::string::npos) << "left behind: " << name;
    }
}

TEST(CalFileWrite, ANewRelativeNameGoesToTheConfigurationDirectory) {
    sys_info info;
    sys_info_clear(&info);
    info.systemType = 27;
    ASSERT_EQ(sys_cal_write("new_instrument.cal", 1, &info), NO_ERROR);
    const fs::path written = g_config->folder.path / "new_instrument.cal";
    ASSERT_TRUE(fs::exists(written));
    sys_info back;
    sys_info_clear(&back);
    ASSERT_EQ(sys_cal_read("new_instrument.cal", 1, &back), NO_ERROR);  // found there again
    EXPECT_EQ(back.systemType, 27);
    fs::remove(written);

    // Without a name: the default name, in the same place.
    ASSERT_EQ(sys_cal_write(nullptr, 1, &info), NO_ERROR);
    const fs::path default_file = g_config->folder.path / u_cal_file_name(1);
    EXPECT_TRUE(fs::exists(default_file));
    fs::remove(default_file);
}

TEST(CalFileWrite, RecordsThatWouldNotReadBackAreRefused) {
    struct damage {
        const char* keyword;  // named in the message; null for the unknown lines
        std::function<void(sys_info&)> apply;
    };
    const std::vector<damage> cases = {
        {"SystemType", [](sys_info& i) { i.systemType = 300; }},
        {"InstrumentBoard", [](sys_info& i) { i.instrBdType = 2; }},
        {"WaveMonitorCL", [](sys_info& i) { i.waveMonitor.clValue = std::nan(""); }},
        {"SweepMaxRate", [](sys_info& i) { i.waveMonitor.configLimits.maxRate = INFINITY; }},
        {"WaveMonitorPort",
         [](sys_info& i) { std::strcpy(i.waveMonitor.line.portName, "COM1\nSystemType: 1"); }},
        {"InstrumentBoardPort",
         [](sys_info& i) { std::memset(i.board.line.portName, 'x', SYS_PORT_NAME_LEN); }},
        {"Ramp Config", [](sys_info& i) { std::strcpy(i.ramps.configFile, " lead.txt"); }},
        {"OrvoEncZoomStdMags", [](sys_info& i) { i.encZoom.stdMags.count = 17; }},
        {"OrvoEncZoomStdMags", [](sys_info& i) { i.encZoom.stdMags.count = -1; }},
        {"OrvoEncZoomStdMags",
         [](sys_info& i) {
             i.encZoom.stdMags.count = 1;
             i.encZoom.stdMags.values[0] = 7.0F;
         }},
        {"OrvoEncZoomProgLim", [](sys_info& i) { i.encZoom.progLim[0] = 5; }},
        {"PifocPolarity", [](sys_info& i) { i.ramps.pifocPolarity = 0; }},
        {nullptr, [](sys_info& i) { std::strcpy(i.calFile.unknownLines, "Future: 1"); }},
        {nullptr, [](sys_info& i) { std::strcpy(i.calFile.unknownLines, "SystemType: 5\n"); }},
        {nullptr, [](sys_info& i) { std::strcpy(i.calFile.unknownLines, "# note\n"); }},
        {nullptr, [](sys_info& i) { std::strcpy(i.calFile.unknownLines, "Future\n"); }},
        {nullptr,
         [](sys_info& i) { std::memset(i.calFile.unknownLines, 'x', SYS_CAL_UNKNOWN_SIZE); }},
    };
    const temp_file target("kept.cal");
    target.write_text("SystemType: 4\r\n");
    for (size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE(n);
        sys_info info;
        sys_info_clear(&info);
        cases[n].apply(info);
        print_capture capture;
        EXPECT_EQ(sys_cal_write(target.c_str(), 1, &info), ERR_INVALID_PARAM);
        const std::string expected =
            cases[n].keyword == nullptr
                ? "sys_cal_write: the kept unknown keyword lines are damaged\n"
                : "sys_cal_write: the value of \"" + std::string(cases[n].keyword) +
                      "\" cannot be written so that it reads back\n";
        EXPECT_EQ(capture.printed(), expected);
        EXPECT_EQ(target.read(), "SystemType: 4\r\n");
    }
    EXPECT_EQ(sys_cal_write(target.c_str(), 1, nullptr), ERR_INVALID_PARAM);
}

TEST(CalFileWrite, AFolderThatDoesNotExistIsReported) {
    const temp_file missing("missing");
    const std::string target = (missing.path / "x.cal").string();
    sys_info info;
    sys_info_clear(&info);
    print_capture capture;
    EXPECT_EQ(sys_cal_write(target.c_str(), 1, &info), ERR_CANT_CREATE_FILE);
    EXPECT_NE(capture.printed().find("sys_cal_write: cannot create a temporary file for \"" +
                                     target + "\"\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(missing.path));
}

}  // namespace
