// The instrument record: its empty state and the lookup of a board's record.
#include <gtest/gtest.h>

#include <cstring>

#include "instrument/cal_keywords.h"
#include "instrument/instrument.h"

namespace {

void expect_empty(const sys_info& info) {
    EXPECT_EQ(info.initialised, 0);
    EXPECT_EQ(info.board.line.portHandle, plat::kInvalidPort);
    EXPECT_EQ(info.waveMonitor.line.portHandle, plat::kInvalidPort);
    EXPECT_EQ(info.tempSensor.line.portHandle, plat::kInvalidPort);
    for (const uint8_t byte : info.can.bridge.ipAddress) EXPECT_EQ(byte, 0xFF);
    EXPECT_EQ(info.calFile.unknownLines[0], '\0');
    EXPECT_EQ(info.calFile.path[0], '\0');
    // Every configured field holds its keyword's default.
    for (const cal_keyword& keyword : cal_keywords()) {
        char value[CAL_TEXT_SIZE];
        cal_format_value(keyword, keyword.field_of(info), value);
        EXPECT_STREQ(value, keyword.default_value) << keyword.name;
    }
}

TEST(SysInfoRecord, ClearSetsHandlesInvalidAndEveryDefault) {
    sys_info info;
    std::memset(&info, 0x5A, sizeof info);
    sys_info_clear(&info);
    expect_empty(info);
    EXPECT_STREQ(info.ramps.configFile, "rampcfg.txt");
    EXPECT_EQ(info.ramps.pifocSerial, SYS_NO_SERIAL);
    EXPECT_EQ(info.ramps.pifocPolarity, 1);
    EXPECT_EQ(info.ramps.pztSerial, SYS_NO_SERIAL);
    EXPECT_EQ(info.can.bridge.macAddress[0], 0xFF);
    EXPECT_EQ(info.waveMonitor.configLimits.maxRange, 1.5e11);
    EXPECT_EQ(info.waveMonitor.state.calibrated, 0);
    EXPECT_EQ(info.acq.numModes, 0);
    sys_info_clear(nullptr);  // nothing to clear, no crash
}

TEST(SysInfoRecord, TheTableStartsEmpty) {
    for (const sys_info& info : gl_SysInfo) expect_empty(info);
}

TEST(SysInfoRecord, BoardPortLookupFindsTheFirstOwner) {
    sys_info saved[SYS_INFO_COUNT];
    std::memcpy(saved, gl_SysInfo, sizeof saved);
    // Unused records hold the invalid handle: it never finds an owner.
    EXPECT_EQ(sys_info_find_board_port(plat::kInvalidPort), nullptr);
    EXPECT_EQ(sys_info_find_board_port(7), nullptr);
    gl_SysInfo[2].board.line.portHandle = 7;
    gl_SysInfo[3].board.line.portHandle = 7;
    gl_SysInfo[1].waveMonitor.line.portHandle = 7;  // not a board line
    EXPECT_EQ(sys_info_find_board_port(7), &gl_SysInfo[2]);
    std::memcpy(gl_SysInfo, saved, sizeof saved);
}

}  // namespace
