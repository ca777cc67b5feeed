// Reading the system calibration file: values, spellings, defaults, line
// ends, what the reader leaves alone, and where it finds the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cal_test_support.h"
#include "instrument/cal_keywords.h"
#include "instrument/instrument.h"
#include "support/cal_file_sample.h"
#include "support/print_capture.h"
#include "support/temp_file.h"
#include "util/util.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

// Every field of the sample file, as the reader must take it.
void expect_full_sample(const sys_info& info) {
    EXPECT_EQ(info.initialised, 1);
    EXPECT_EQ(info.instrBdType, INSTR_BD_CAN);
    EXPECT_EQ(info.systemType, 30);
    EXPECT_EQ(info.cameraType, 12);
    EXPECT_EQ(info.lightType, 3);
    EXPECT_STREQ(info.board.line.portName, "/dev/ttyS7");
    EXPECT_STREQ(info.waveMonitor.line.portName, "COM9");
    EXPECT_EQ(info.waveMonitor.clValue, -12.5);
    EXPECT_EQ(info.waveMonitor.systemGain, 1.25F);
    EXPECT_EQ(info.waveMonitor.configLimits.minRate, 1000.0);
    EXPECT_EQ(info.waveMonitor.configLimits.maxRate, 2.5e9);
    EXPECT_EQ(info.waveMonitor.configLimits.minRange, 0.5);
    EXPECT_EQ(info.waveMonitor.configLimits.maxRange, 1e10);
    EXPECT_EQ(info.tempSensor.enabled, 1);
    EXPECT_STREQ(info.tempSensor.line.portName, "COM4");
    const uint8_t mac[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    EXPECT_EQ(std::memcmp(info.can.bridge.macAddress, mac, sizeof mac), 0);
    EXPECT_EQ(info.can.objectiveTurretType, SYS_TURRET_ENCODED);
    EXPECT_EQ(info.can.zoomChangerType, SYS_ZOOM_ENCODED);
    EXPECT_EQ(info.sleep.timeoutSeconds, 5405);
    EXPECT_EQ(info.encZoom.config, 1);
    EXPECT_EQ(info.encZoom.backlash, -25);
    EXPECT_EQ(info.encZoom.progLim[0], -1000);
    EXPECT_EQ(info.encZoom.progLim[1], 250000);
    EXPECT_EQ(info.encZoom.wandLim[0], 0);
    EXPECT_EQ(info.encZoom.wandLim[1], 240000);
    ASSERT_EQ(info.encZoom.stdMags.count, 5);
    const float mags[] = {0.5F, 1.0F, 2.0F, 4.5F, 6.0F};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(info.encZoom.stdMags.values[i], mags[i]);
    EXPECT_STREQ(info.encZoom.calFile, "C:\\cal\\zoom 2.txt");
    EXPECT_STREQ(info.ramps.configFile, "rampcfg_b.txt");
    EXPECT_EQ(info.ramps.pifocSerial, 12345);
    EXPECT_EQ(info.ramps.pifocPolarity, -1);
    EXPECT_EQ(info.ramps.pztSerial, 777);
    EXPECT_STREQ(info.calFile.unknownLines,
                 "Future Keyword:  kept  as it was: with a colon  \nAnotherFuture:1 2 3\n");
}

TEST(CalFileRead, TakesEveryKeywordOfAFullFile) {
    const temp_file file("full.cal");
    file.write_text(cal_sample::full_file());
    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(file.c_str(), 1, &info), NO_ERROR);
    expect_full_sample(info);
    EXPECT_STREQ(info.calFile.path, file.c_str());
}

TEST(CalFileRead, LineEndsAndALastLineWithoutOne) {
    const temp_file crlf("crlf.cal");
    const temp_file lf("lf.cal");
    const temp_file open_end("open_end.cal");
    crlf.write_text(cal_sample::full_file());
    lf.write_text(cal_sample::join(cal_sample::full_lines(), "\n"));
    std::string text = cal_sample::full_file();
    text.resize(text.size() - 2);  // "AnotherFuture:1 2 3" ends the file
    open_end.write_text(text);

    sys_info from_crlf = record_in_use();
    sys_info from_lf = record_in_use();
    sys_info from_open_end = record_in_use();
    ASSERT_EQ(sys_cal_read(crlf.c_str(), 1, &from_crlf), NO_ERROR);
    ASSERT_EQ(sys_cal_read(lf.c_str(), 1, &from_lf), NO_ERROR);
    ASSERT_EQ(sys_cal_read(open_end.c_str(), 1, &from_open_end), NO_ERROR);
    EXPECT_TRUE(cal_same_configuration(from_crlf, from_lf));
    EXPECT_TRUE(cal_same_configuration(from_crlf, from_open_end));
}

TEST(CalFileRead, KeywordsIgnoreBlanksAndCaseAndValuesMayHoldColons) {
    const temp_file file("spellings.cal");
    file.write_text(
        "ramp config: a.txt\n"
        "SLEEP TIME OUT : 0:00:59\n"
        "Orvo Enc Zoom Cal File:c:\\x:y.txt\n"
        "InstrumentBoardPort: \\\\.\\COM12\n");
    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(file.c_str(), 1, &info), NO_ERROR);
    EXPECT_STREQ(info.ramps.configFile, "a.txt");
    EXPECT_EQ(info.sleep.timeoutSeconds, 59);
    EXPECT_STREQ(info.encZoom.calFile, "c:\\x:y.txt");
    EXPECT_STREQ(info.board.line.portName, "\\\\.\\COM12");
}

TEST(CalFileRead, MissingKeywordsTakeDefaultsAndStateIsLeftAlone) {
    const temp_file full("full.cal");
    const temp_file sparse("sparse.cal");
    full.write_text(cal_sample::full_file());
    sparse.write_text("# only two keywords\r\nPifocPolarity: -1\r\nRamp Config:\r\n");

    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(full.c_str(), 1, &info), NO_ERROR);
    ASSERT_EQ(sys_cal_read(sparse.c_str(), 1, &info), NO_ERROR);

    sys_info expected = record_in_use();
    cal_set_defaults(&expected);
    expected.ramps.pifocPolarity = -1;
    expected.ramps.configFile[0] = '\0';  // empty: no ramp configuration file
    EXPECT_TRUE(cal_same_configuration(info, expected));
    EXPECT_EQ(info.calFile.unknownLines[0], '\0');  // the first file's are gone too
    // Handles and state are the running instrument's, not the file's.
    EXPECT_EQ(info.board.line.portHandle, 11);
    EXPECT_EQ(info.waveMonitor.line.portHandle, 12);
    EXPECT_EQ(info.tempSensor.line.portHandle, 13);
    EXPECT_EQ(info.waveMonitor.state.calibrated, 1);
    EXPECT_EQ(info.can.node63ProductCode, 0x267215D5U);
    EXPECT_EQ(info.acq.modes[0].dataRate, 30.0);
    EXPECT_EQ(info.initialised, 1);
}

TEST(CalFileRead, AnEmptyFileGivesAllDefaults) {
    const temp_file file("empty.cal");
    file.write_text("");
    sys_info info = record_in_use();
    ASSERT_EQ(sys_cal_read(file.c_str(), 1, &info), NO_ERROR);
    sys_info cleared;
    sys_info_clear(&cleared);
    EXPECT_TRUE(cal_same_configuration(info, cleared));
    EXPECT_EQ(info.initialised, 1);
}

TEST(CalFileRead, AMissingFileIsReportedAndLeavesTheRecord) {
    const temp_file file("absent.cal");
    sys_info info = record_in_use();
    const auto before = bytes_of(info);
    print_capture capture;
    EXPECT_EQ(sys_cal_read(file.c_str(), 1, &info), ERR_CANT_READ_FILE);
    EXPECT_EQ(bytes_of(info), before);
    EXPECT_EQ(capture.printed(), "sys_cal_read: cannot find system calibration file \"" +
                                     file.str() + "\": ERR_CANT_READ_FILE\n");
    EXPECT_EQ(sys_cal_read(file.c_str(), 1, nullptr), ERR_INVALID_PARAM);
}

#if !defined(_WIN32)
// A FIFO in the calibration file's place is no file to read: refused at
// once, where opening it would wait for a writer.
TEST(CalFileRead, AFifoIsNoCalibrationFile) {
    const temp_file fifo("fifo.cal");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    sys_info info = record_in_use();
    const auto before = bytes_of(info);
    print_capture capture;
    EXPECT_EQ(sys_cal_read(fifo.c_str(), 1, &info), ERR_CANT_READ_FILE);
    EXPECT_EQ(bytes_of(info), before);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo.path));
}
#endif

// The default name is the computer's, found in the current folder first.
TEST(CalFileRead, WithoutANameReadsTheDefaultFile) {
    const temp_file file(u_cal_file_name(1));
    file.write_text("SystemType: 19\r\n");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(file.path.parent_path());
    sys_info from_null;
    sys_info from_empty;
    sys_info_clear(&from_null);
    sys_info_clear(&from_empty);
    const int32_t null_error = sys_cal_read(nullptr, 1, &from_null);
    const int32_t empty_error = sys_cal_read("", 1, &from_empty);
    std::filesystem::current_path(saved);
    ASSERT_EQ(null_error, NO_ERROR);
    ASSERT_EQ(empty_error, NO_ERROR);
    EXPECT_EQ(from_null.systemType, 19);
    EXPECT_EQ(from_empty.systemType, 19);
}

}  // namespace
