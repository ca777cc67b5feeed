// The ramp configuration writer: the exact text, grouping, type texts,
// values whose column digits the reader would refuse, refusals, and failures
// that must leave the old file as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"

#ifndef _WIN32
#include "support/file_size_limit.h"
#endif

namespace {

rr_ramp_cfg_t spec(int32_t type, const char* name, float rate) {
    rr_ramp_cfg_t s{};
    s.rampType = type;
    std::strcpy(s.fileName, name);
    s.scanLen = type == RR_RAMP_PMI ? 0 : 10.2f;
    s.cameraRate = rate;
    s.fringesPerFrame = 0.25f;
    s.rampSlope = type == RR_RAMP_PMI ? 0 : 81;
    s.objMag = type == RR_RAMP_BTW ? 20 : 0;
    s.scanCal = type == RR_RAMP_PMI ? 0 : 1;
    return s;
}

const std::string kHead = with_crlf(kCfgTitle + kCfgDescription);

std::string written(const std::vector<rr_ramp_cfg_t>& specs) {
    temp_file file("out_cfg.txt");
    const rr_ramp_cfg_t none{};
    EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), specs.empty() ? &none : specs.data(),
                                static_cast<int32_t>(specs.size())),
              NO_ERROR);
    return file.read();
}

TEST(RampCfgWrite, ExactText) {
    rr_ramp_cfg_t btw = spec(RR_RAMP_BTW, "d10s81c25m20.b12345-with-a-long-name", 25);
    btw.wavelenSelect = 2;
    btw.cameraInterlace = 1;
    btw.grabSkip = 12;
    btw.hide = 1;
    EXPECT_EQ(written({spec(RR_RAMP_SWLI, "d10s81c25.b12345", 25), btw}),
              kHead +
                  "\r\n"
                  " SWLI d10s81c25.b12345        10.20  25.00  0  0 0.250  81.0000   0.00 1.00000 0\r\n"
                  "\r\n"
                  " BTW2 d10s81c25m20.b12345-with-a-long-name  10.20  25.00  1 12 0.250  81.0000  "
                  "20.00 1.00000 1\r\n");
    EXPECT_EQ(written({}), kHead);
}

// The entries of the written text, one string per line after the head.
std::vector<std::string> body_lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = kHead.size(); at < text.size();) {
        const size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

TEST(RampCfgWrite, Grouping) {
    struct grouping_case {
        std::vector<rr_ramp_cfg_t> specs;
        std::vector<bool> new_group;  // per entry
    };
    const std::vector<grouping_case> cases = {
        {{spec(0, "a", 30.0f), spec(0, "a", 30.5f)}, {true, false}},
        {{spec(0, "a", 30.0f), spec(0, "a", 31.5f)}, {true, true}},
        {{spec(0, "a", 30.0f), spec(0, "a", 31.0f)}, {true, false}},  // 1 Hz apart is not more
        {{spec(0, "a", 30.0f), spec(0, "b", 30.0f)}, {true, true}},
        {{spec(0, "a", 30.0f), spec(1, "a", 30.0f)}, {true, true}},
        // Compared with the group's first entry, not the one before.
        {{spec(0, "a", 30.0f), spec(0, "a", 30.9f), spec(0, "a", 31.8f)}, {true, false, true}},
    };
    for (const grouping_case& c : cases) {
        const std::vector<std::string> lines = body_lines(written(c.specs));
        std::vector<bool> new_group;
        bool after_empty = false;
        for (const std::string& line : lines) {
            if (line.empty()) {
                after_empty = true;
                continue;
            }
            new_group.push_back(after_empty);
            after_empty = false;
        }
        EXPECT_EQ(new_group, c.new_group) << written(c.specs);
    }
}

TEST(RampCfgWrite, TypeTexts) {
    struct type_case {
        int32_t type;
        int32_t wavelen;
        std::string text;
    };
    for (const type_case& c : std::vector<type_case>{{0, 0, " SWLI "},
                                                     {1, 0, " PMI  "},
                                                     {3, 0, " PMI  "},
                                                     {15, 0, " PMI  "},
                                                     {17, 0, " BTW  "},
                                                     {17, 4, " BTW4 "},
                                                     {17, 5, " BTW  "},
                                                     {16, 0, " XXX  "},
                                                     {-1, 0, " XXX  "}}) {
        rr_ramp_cfg_t s = spec(c.type, "f", 25);
        s.wavelenSelect = c.wavelen;
        EXPECT_EQ(body_lines(written({s})).at(1).substr(0, 6), c.text) << c.type;
    }
}

TEST(RampCfgWrite, ColumnsKeepTheirDigitsUnlessTheReaderWouldRefuseThem) {
    // Digits the columns change but the reader takes: written as the columns make them.
    rr_ramp_cfg_t rounded = spec(RR_RAMP_SWLI, "rounded", 29.997f);
    rounded.scanLen = 10.123456f;
    rounded.fringesPerFrame = 7.57619f;
    rounded.rampSlope = 81.00001f;
    rounded.objMag = 20.004f;
    rounded.scanCal = 1.0000001f;
    // Digits the reader would refuse (a 0 where it needs more, a limit reached):
    // the shortest text that reads back as the value.
    rr_ramp_cfg_t edges = spec(RR_RAMP_BTW, "edges", 49999.996f);
    edges.wavelenSelect = 1;
    edges.scanLen = 999.9999f;
    edges.fringesPerFrame = 0.0001f;
    edges.rampSlope = 0.00001f;
    edges.objMag = 999.999f;
    edges.scanCal = 0.5000001f;
    rr_ramp_cfg_t low = spec(RR_RAMP_SWLI, "low", 0.001f);
    low.scanLen = 0.001f;
    low.fringesPerFrame = 9.9999f;
    low.rampSlope = 3999.9998f;
    low.scanCal = 1.4999999f;
    const std::vector<rr_ramp_cfg_t> specs = {rounded, edges, low, spec(RR_RAMP_PMI, "p", 60)};

    temp_file file("odd_cfg.txt");
    ASSERT_EQ(rr_write_ramp_cfg(file.c_str(), specs.data(), 4), NO_ERROR);
    const std::vector<std::string> lines = body_lines(file.read());
    EXPECT_EQ(lines.at(1),
              " SWLI rounded                 10.12  30.00  0  0 7.576  81.0000  20.00 1.00000 0");
    EXPECT_EQ(lines.at(3),
              " BTW1 edges                  999.9999 49999.996  0  0 1e-04    1e-05 999.999 0.5000001 0");
    EXPECT_EQ(lines.at(5),
              " SWLI low                     0.001  0.001  0  0 9.9999 3999.9998   0.00 1.4999999 0");
    cfg_read back;
    read_cfg_file(file, &back);
    ASSERT_EQ(back.err, NO_ERROR) << back.printed;
    ASSERT_EQ(back.specs.count, 4);
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(same_spec(back.specs.entries[i], specs[static_cast<size_t>(i)])) << i;
    }
    EXPECT_TRUE(reads_back_as_written(specs[0], back.specs.entries[0]));
}

TEST(RampCfgWrite, NamesThatWouldNotReadBackAreRefusedBeforeTheFileIsTouched) {
    temp_file file("kept_cfg.txt");
    file.write_text("old");
    rr_ramp_cfg_t s = spec(0, "x", 25);
    for (const char* bad : {"", "two words", "tab\there", "line\nend"}) {
        std::strcpy(s.fileName, bad);
        EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), &s, 1), ERR_INVALID_PARAM) << bad;
    }
    std::memset(s.fileName, 'n', sizeof s.fileName);  // no terminator within 80 characters
    EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), &s, 1), ERR_INVALID_PARAM);
    EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), nullptr, 0), ERR_INVALID_PARAM);
    std::strcpy(s.fileName, "x");
    EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), &s, -1), ERR_INVALID_PARAM);
    EXPECT_EQ(file.read(), "old");
}


TEST(RampCfgWrite, FailuresLeaveTheOldFile) {
    const rr_ramp_cfg_t s = spec(0, "x", 25);
    temp_file missing_folder("no_such_folder");
    const std::string inside = (missing_folder.path / "rampcfg.txt").string();
    EXPECT_EQ(rr_write_ramp_cfg(inside.c_str(), &s, 1), ERR_CANT_OPEN_FILE);

    // A folder in the file's place cannot be replaced.
    temp_file folder("folder_cfg");
    std::filesystem::create_directories(folder.path);
    const std::vector<std::string> before = folder_names(folder);
    EXPECT_EQ(rr_write_ramp_cfg(folder.c_str(), &s, 1), ERR_CANT_OPEN_FILE);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path));
    EXPECT_EQ(folder_names(folder), before);
    std::filesystem::remove(folder.path);
}

#ifndef _WIN32
TEST(RampCfgWrite, AFailedWriteKeepsTheOldFileAndItsPermissions) {
    temp_file file("limited_cfg.txt");
    file.write_text("old text");
    std::filesystem::permissions(file.path, std::filesystem::perms(0640));
    const std::vector<std::string> before = folder_names(file);
    const std::vector<rr_ramp_cfg_t> specs(20, spec(0, "x", 25));
    {
        const file_size_limit limit(300);
        EXPECT_EQ(rr_write_ramp_cfg(file.c_str(), specs.data(), 20), ERR_CANT_WRITE_FILE);
    }
    EXPECT_EQ(file.read(), "old text");
    EXPECT_EQ(folder_names(file), before);

    ASSERT_EQ(rr_write_ramp_cfg(file.c_str(), specs.data(), 20), NO_ERROR);
    EXPECT_NE(file.read(), "old text");
    EXPECT_EQ(std::filesystem::status(file.path).permissions(), std::filesystem::perms(0640));
}
#endif

TEST(RampCfgWrite, WhatIsReadIsWrittenAsTheColumnsGiveIt) {
    temp_file in("in_cfg.txt");
    in.write_text(
        "BTW4 d5s81c30m20.b77 5.5 30 1 2 0.125 40.5 20 0.9 1\n"
        "SWLI d10s81c25.b12345 10.123456 25.0001 0 0 0.25 81 0 1.0\n"
        "SWLI + 1e-3 25 0 0 0.25 81 0 1.4999999\n"
        "PMI p7 -0 60 0 3 0.25 0 0 0\n"
        "SWLI cr\rinside 10 25 0 0 0.25 81 0 1\r\n");  // a lone carriage return is a name's
    cfg_read first;
    read_cfg_file(in, &first);
    ASSERT_EQ(first.err, NO_ERROR) << first.printed;
    temp_file out("out_cfg.txt");
    ASSERT_EQ(rr_write_ramp_cfg(out.c_str(), first.specs.entries, first.specs.count), NO_ERROR);
    cfg_read second;
    read_cfg_file(out, &second);
    ASSERT_EQ(second.err, NO_ERROR) << second.printed;
    ASSERT_EQ(second.specs.count, first.specs.count);
    for (int32_t i = 0; i < first.specs.count; ++i) {
        EXPECT_TRUE(reads_back_as_written(first.specs.entries[i], second.specs.entries[i])) << i;
    }
    EXPECT_EQ(second.specs.entries[1].scanLen, 10.12f);  // not 10.123456
}

}  // namespace
