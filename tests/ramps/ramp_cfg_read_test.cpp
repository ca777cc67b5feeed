// The ramp configuration reader: type tokens, the limits of every field at
// their boundaries, the report texts, line lengths, the count of tolerated
// bad lines, and its refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ramps/ramps.h"
#include "ramps/ramp_test_support.h"

namespace {

// The fields of a spec line, valid for the type unless a test changes them.
std::vector<std::string> fields_for(const std::string& type) {
    if (type == "PMI") return {"PMI", "p5c25.p1", "0", "25", "0", "0", "0.25", "0", "0", "0"};
    if (type.rfind("BTW", 0) == 0) {
        return {type, "d10s81c25m10.b1", "10", "25", "0", "0", "0.25", "81", "10", "1"};
    }
    return {type, "d10s81c25.b12345", "10.2", "25", "0", "0", "0.25", "81", "0", "1"};
}

std::string join(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& f : fields) line += (line.empty() ? "" : " ") + f;
    return line;
}

struct cfg_file {
    temp_file file{"rampcfg.txt"};
    cfg_read result;
    explicit cfg_file(const std::string& text) {
        file.write_text(text);
        read_cfg_file(file, &result);
    }
    // The first line of what was printed after the file's name.
    std::string first_message() const {
        const std::string& p = result.printed;
        const size_t start = p.find('\n') + 1;
        return p.substr(start, p.find('\n', start) - start);
    }
};

TEST(RampCfgRead, TypeTokens) {
    struct token_case {
        std::string token;
        std::string as;  // the type whose field values the line carries
        bool accepted;
        int32_t type;
        int32_t wavelen;
        std::string message;  // the report's first line for a rejected token
    };
    const std::string invalid = "Invalid RampType value (field 1) in line 1:";
    const std::string index = "Invalid BTW wavelength index (field 1) in line 1:";
    const std::vector<token_case> cases = {
        {"SWLI", "SWLI", true, 0, 0, ""},
        {"SWLIX", "SWLI", true, 0, 0, ""},  // only four characters count
        {"SWLI123", "SWLI", true, 0, 0, ""},
        {"PMI", "PMI", true, 1, 0, ""},
        {"BTW", "BTW", true, 17, 0, ""},
        {"BTW1", "BTW", true, 17, 1, ""},
        {"BTW4", "BTW", true, 17, 4, ""},
        {"BTW12", "BTW", true, 17, 1, ""},
        {"BTW5", "BTW", false, 0, 0, index},
        {"BTW0", "BTW", false, 0, 0, index},
        {"BTWa", "BTW", false, 0, 0, index},
        {"PMIX", "PMI", false, 0, 0, invalid},
        {"PMI1", "PMI", false, 0, 0, invalid},
        {"swli", "SWLI", false, 0, 0, invalid},  // case counts
        {"SWL", "SWLI", false, 0, 0, invalid},
        {"BT", "BTW", false, 0, 0, invalid},
        {"XXX", "SWLI", false, 0, 0, invalid},
    };
    for (const token_case& c : cases) {
        std::vector<std::string> fields = fields_for(c.as);
        fields[0] = c.token;
        const cfg_file cfg(join(fields) + "\n");
        if (c.accepted) {
            ASSERT_EQ(cfg.result.err, NO_ERROR) << c.token << "\n" << cfg.result.printed;
            ASSERT_EQ(cfg.result.specs.count, 1);
            EXPECT_EQ(cfg.result.specs.entries[0].rampType, c.type) << c.token;
            EXPECT_EQ(cfg.result.specs.entries[0].wavelenSelect, c.wavelen) << c.token;
            EXPECT_EQ(cfg.result.printed, "") << c.token;
        } else {
            EXPECT_EQ(cfg.result.err, ERR_CORRUPT_RAMP_CFG_FILE) << c.token;
            EXPECT_EQ(cfg.first_message(), c.message) << c.token;
            EXPECT_EQ(cfg.result.specs.entries, nullptr);
        }
    }
}

TEST(RampCfgRead, FieldLimitsAtTheirBoundaries) {
    struct limit_case {
        std::string type;
        int field;  // 1-based, as messages count
        std::string token;
        bool accepted;
        std::string shown;  // the value a rejection shows
    };
    const std::vector<limit_case> cases = {
        {"SWLI", 3, "0", false, "0"},
        {"SWLI", 3, "0.001", true, ""},
        {"SWLI", 3, "999.99", true, ""},
        {"SWLI", 3, "1000", false, "1000"},
        {"SWLI", 3, "-1", false, "-1"},
        {"SWLI", 3, "1e1", true, ""},
        {"SWLI", 3, "0x10", true, ""},
        {"SWLI", 3, ".5e1", true, ""},
        {"SWLI", 3, "+5", true, ""},
        {"SWLI", 3, "10um", true, ""},  // what follows the number is ignored
        {"SWLI", 3, "inf", false, "0"},
        {"SWLI", 3, "nan", false, "0"},
        {"SWLI", 3, "um", false, "0"},
        {"SWLI", 3, "1e999", false, "inf"},
        {"PMI", 3, "0", true, ""},
        {"PMI", 3, "-0", true, ""},
        {"PMI", 3, "10", false, "10"},
        {"SWLI", 4, "0", false, "0"},
        {"SWLI", 4, "0.001", true, ""},
        {"SWLI", 4, "49999.99", true, ""},
        {"SWLI", 4, "50000", false, "50000"},
        // Checked as stored: this rounds to 50000 in single precision.
        {"SWLI", 4, "49999.999", false, "50000"},
        {"SWLI", 5, "1", true, ""},
        {"SWLI", 5, "2", false, "2"},
        {"SWLI", 5, "-1", false, "-1"},
        {"SWLI", 5, "x", false, "0"},
        {"SWLI", 5, "99999999999", false, "2147483647"},
        {"SWLI", 6, "99", true, ""},
        {"SWLI", 6, "100", false, "100"},
        {"SWLI", 6, "-1", false, "-1"},
        {"SWLI", 7, "0", false, "0"},
        {"SWLI", 7, "0.0001", true, ""},
        {"SWLI", 7, "9.999", true, ""},
        {"SWLI", 7, "10", false, "10"},
        {"SWLI", 8, "0", false, "0"},
        {"SWLI", 8, "0.5", true, ""},
        {"SWLI", 8, "3999.99", true, ""},
        {"SWLI", 8, "4000", false, "4000"},
        {"SWLI", 8, "-1", false, "-1"},
        {"PMI", 8, "0", true, ""},
        {"PMI", 8, "4000", false, "4000"},
        {"SWLI", 9, "0", true, ""},
        {"SWLI", 9, "999.9", true, ""},
        {"SWLI", 9, "1000", false, "1000"},
        {"SWLI", 9, "-1", false, "-1"},
        {"BTW", 9, "0", false, "0"},
        {"BTW", 9, "0.1", true, ""},
        {"SWLI", 10, "0.5", false, "0.5"},
        {"SWLI", 10, "0.5001", true, ""},
        {"SWLI", 10, "1.4999", true, ""},
        {"SWLI", 10, "1.5", false, "1.5"},
        {"PMI", 10, "0", true, ""},
        {"PMI", 10, "1", false, "1"},
        {"SWLI", 11, "1", true, ""},
        {"SWLI", 11, "0", true, ""},
        {"SWLI", 11, "#hidden?", true, ""},
        {"SWLI", 11, "2", false, "2"},
        {"SWLI", 11, "x", false, "0"},
    };
    const char* const names[] = {"",          "RampType",        "FileName", "ScanLen",
                                 "CameraRate", "CameraInterlace", "GrabSkip", "FringesPerFrame",
                                 "RampSlope",  "ObjMag",          "ScanCal",  "Hide"};
    for (const limit_case& c : cases) {
        std::vector<std::string> fields = fields_for(c.type);
        fields.resize(11, "0");
        fields[static_cast<size_t>(c.field - 1)] = c.token;
        const std::string line = join(fields);
        const cfg_file cfg(line + "\n");
        if (c.accepted) {
            EXPECT_EQ(cfg.result.err, NO_ERROR) << line << "\n" << cfg.result.printed;
            EXPECT_EQ(cfg.result.specs.count, 1) << line;
        } else {
            EXPECT_EQ(cfg.result.err, ERR_CORRUPT_RAMP_CFG_FILE) << line;
            EXPECT_EQ(cfg.first_message(), std::string("Invalid ") + names[c.field] + " value " +
                                               c.shown + " (field " + std::to_string(c.field) +
                                               ") in line 1:")
                << line;
        }
    }
}

TEST(RampCfgRead, ValuesAndOptionalHide) {
    const cfg_file cfg(
        "# comment\n"
        "\n"
        "   \t \n"
        "BTW3 d5s81c30m20.b77 5.5 30 1 2 0.125 40.5 20 0.9 1\n"
        "SWLI +d5 5 25 0 0 0.25 81 0 1.0\n"
        "PMI p7 0 60 0 3 0.25 0 0 0 # not hidden\n");
    ASSERT_EQ(cfg.result.err, NO_ERROR) << cfg.result.printed;
    ASSERT_EQ(cfg.result.specs.count, 3);
    const rr_ramp_cfg_t& btw = cfg.result.specs.entries[0];
    EXPECT_EQ(btw.rampType, RR_RAMP_BTW);
    EXPECT_EQ(btw.wavelenSelect, 3);
    EXPECT_STREQ(btw.fileName, "d5s81c30m20.b77");
    EXPECT_EQ(btw.scanLen, 5.5f);
    EXPECT_EQ(btw.cameraRate, 30.0f);
    EXPECT_EQ(btw.cameraInterlace, 1);
    EXPECT_EQ(btw.grabSkip, 2);
    EXPECT_EQ(btw.fringesPerFrame, 0.125f);
    EXPECT_EQ(btw.rampSlope, 40.5f);
    EXPECT_EQ(btw.objMag, 20.0f);
    EXPECT_EQ(btw.scanCal, 0.9f);
    EXPECT_EQ(btw.hide, 1);
    EXPECT_STREQ(cfg.result.specs.entries[1].fileName, "+d5");
    EXPECT_EQ(cfg.result.specs.entries[1].hide, 0);  // the line ends after ScanCal
    EXPECT_EQ(cfg.result.specs.entries[2].rampType, RR_RAMP_PMI);
    EXPECT_EQ(cfg.result.specs.entries[2].hide, 0);  // a comment in the Hide place
}

TEST(RampCfgRead, ListGrowsPastSeveralBlocks) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "SWLI f" + std::to_string(i) + " 10 25 0 0 0.25 81 0 1\n";
    const cfg_file cfg(text);
    ASSERT_EQ(cfg.result.err, NO_ERROR);
    ASSERT_EQ(cfg.result.specs.count, 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(cfg.result.specs.entries[i].fileName, "f" + std::to_string(i));
    }
}

TEST(RampCfgRead, ReportsWithAndWithoutHint) {
    const std::string good = "SWLI d10s81c25.b12345 10.2 25 0 0 0.25 81 0 1";
    const std::string bad_scan = "SWLI d10 1000 25 0 0 0.25 81 0 1";
    const std::string short_line = "SWLI d10 10 25 0 0 0.25 81";
    // CR LF line ends: the carriage return is no part of the line shown.
    const cfg_file cfg("# ramps\r\n" + good + "\r\n" + bad_scan + "\r\n" + short_line + "\r\n");
    ASSERT_EQ(cfg.result.err, NO_ERROR);
    EXPECT_EQ(cfg.result.specs.count, 1);
    const std::string path = cfg.file.str();
    EXPECT_EQ(cfg.result.printed,
              "Error reading ramp config file \"" + path + "\"\n"
              "Invalid ScanLen value 1000 (field 3) in line 3:\n"
              "  " + bad_scan + "\n"
              "For PMI ramps, the ScanLen value must be 0\n"
              "For SWLI or BTW ramps, it must be greater than 0 and less than 1000 (um)\n"
              "Missing ObjMag value (field 9) in line 4:\n"
              "  " + short_line + "\n"
              "Accepted 1 of 3 ramp specs in ramp config file \"" + path + "\"\n");
}

TEST(RampCfgRead, EveryHintText) {
    struct hint_case {
        std::string type;
        int field;
        std::string token;
        std::string hint;
    };
    const std::vector<hint_case> cases = {
        {"SWLI", 1, "PMIX",
         "Allowed RampType values are SWLI, PMI, BTW, and BTWX\n"
         "where X is a wavelength index in the range [1,4]\n"},
        {"BTW", 1, "BTW9", "Wavelength index must be an integer in the range [1,4]\n"},
        {"SWLI", 2, std::string(81, 'n'), "The FileName may be up to 80 characters\n"},
        {"SWLI", 4, "0", "The CameraRate value must be greater than 0 and less than 50000 (Hz)\n"},
        {"SWLI", 5, "3", "The CameraInterlace value must be 0 or 1\n"},
        {"SWLI", 6, "100",
         "The GrabSkip value must be greater than or equal to 0 and less than 100\n"},
        {"SWLI", 7, "10", "The FringesPerFrame value must be greater than 0 and less than 10\n"},
        {"SWLI", 8, "0",
         "For PMI ramps, the RampSlope value may be 0\n"
         "For SWLI or BTW ramps, it must be greater than 0 and less than 4000 (nm/frm)\n"},
        {"BTW", 9, "0",
         "For PMI or SWLI ramps, the ObjMag value may be 0\n"
         "For BTW ramps, it must be greater than 0 and less than 1000\n"},
        {"SWLI", 10, "2",
         "For PMI ramps, the ScanCal value must be 0\n"
         "For SWLI or BTW ramps, it must be greater than 0.5 and less than 1.5\n"},
        {"SWLI", 11, "5", "The Hide value must be blank, 0 or 1\n"},
    };
    for (const hint_case& c : cases) {
        std::vector<std::string> fields = fields_for(c.type);
        fields.resize(11, "0");
        fields[static_cast<size_t>(c.field - 1)] = c.token;
        const cfg_file cfg(join(fields) + "\n");
        const std::string& p = cfg.result.printed;
        const std::string line_shown = "  " + join(fields) + "\n";
        const size_t after_line = p.find(line_shown);
        ASSERT_NE(after_line, std::string::npos) << p;
        EXPECT_EQ(p.substr(after_line + line_shown.size(), c.hint.size()), c.hint) << p;
    }
    const cfg_file long_name(join({"SWLI", std::string(81, 'n'), "10"}) + "\n");
    EXPECT_EQ(long_name.first_message(), "FileName is too long (field 2) in line 1:");
    const cfg_file exact_name(join({"SWLI", std::string(80, 'n'), "10", "25", "0", "0", "0.25",
                                    "81", "0", "1"}) + "\n");
    EXPECT_EQ(exact_name.result.err, NO_ERROR);
}

TEST(RampCfgRead, NoAcceptableSpecShowsTheFormat) {
    const cfg_file cfg("# only\n# comments\n\n");
    EXPECT_EQ(cfg.result.err, ERR_CORRUPT_RAMP_CFG_FILE);
    EXPECT_EQ(cfg.result.specs.entries, nullptr);
    EXPECT_EQ(cfg.result.specs.count, 0);
    EXPECT_EQ(cfg.result.printed,
              "No acceptable ramp specs in ramp config file \"" + cfg.file.str() + "\"\n"
              "Format description and sample:\n" + kCfgDescription +
              " SWLI d10s81c25.b12345      010.20 025.00 00 00 0.250 081.0000 000.00 1.00000 0\n");
}

// A spec line padded with blanks to length characters, line end not counted.
std::string padded_spec(size_t length) {
    std::string line = "SWLI d10 10 25 0 0 0.25 81 0 1 0";
    line.resize(length, ' ');
    return line;
}

TEST(RampCfgRead, LineLengthCountsTheLineFeedButNotTheCarriageReturn) {
    EXPECT_EQ(cfg_file(padded_spec(199) + "\n").result.err, NO_ERROR);
    EXPECT_EQ(cfg_file(padded_spec(199) + "\r\n").result.err, NO_ERROR);
    EXPECT_EQ(cfg_file(padded_spec(200)).result.err, NO_ERROR);  // last line, no line feed
    EXPECT_EQ(cfg_file(padded_spec(200) + "\n").result.err, ERR_CORRUPT_RAMP_CFG_FILE);
    EXPECT_EQ(cfg_file(padded_spec(201)).result.err, ERR_CORRUPT_RAMP_CFG_FILE);

    // Fatal at once, also after good lines: no list is handed over.
    const std::string good = "SWLI d10 10 25 0 0 0.25 81 0 1\n";
    const cfg_file cfg(good + std::string(250, '#') + "\n" + good);
    EXPECT_EQ(cfg.result.err, ERR_CORRUPT_RAMP_CFG_FILE);
    EXPECT_EQ(cfg.result.specs.entries, nullptr);
    EXPECT_EQ(cfg.result.specs.count, 0);
    EXPECT_EQ(cfg.result.printed, "Error reading ramp config file \"" + cfg.file.str() +
                                      "\"\nLine longer than 200 characters in line 2\n");
}

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(RampCfgRead, TwentyBadLinesAreToleratedTwentyOneAreNot) {
    const std::string good = "SWLI d10 10 25 0 0 0.25 81 0 1\n";
    const std::string bad = "SWLI d10 10 25 7 0 0.25 81 0 1\n";
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += bad;

    const cfg_file tolerated(twenty + good);
    EXPECT_EQ(tolerated.result.err, NO_ERROR);
    EXPECT_EQ(tolerated.result.specs.count, 1);
    EXPECT_EQ(count_of(tolerated.result.printed, "Invalid CameraInterlace value 7"), 20);
    EXPECT_EQ(count_of(tolerated.result.printed, "Error reading ramp config file"), 1);
    EXPECT_NE(tolerated.result.printed.find("Accepted 1 of 21 ramp specs in ramp config file \"" +
                                            tolerated.file.str() + "\"\n"),
              std::string::npos);

    const cfg_file too_many(good + twenty + bad + good);
    EXPECT_EQ(too_many.result.err, ERR_CORRUPT_RAMP_CFG_FILE);
    EXPECT_EQ(too_many.result.specs.entries, nullptr);
    EXPECT_EQ(count_of(too_many.result.printed, "Invalid CameraInterlace value 7"), 21);
    const std::string stop =
        "Too many errors reading ramp config file \"" + too_many.file.str() + "\"\n";
    ASSERT_GE(too_many.result.printed.size(), stop.size());
    EXPECT_EQ(too_many.result.printed.substr(too_many.result.printed.size() - stop.size()), stop);

    // With nothing accepted before the stop, the format description follows.
    const cfg_file none(twenty + bad);
    EXPECT_EQ(none.result.err, ERR_CORRUPT_RAMP_CFG_FILE);
    EXPECT_NE(none.result.printed.find(stop.substr(0, 20)), std::string::npos);
    EXPECT_NE(none.result.printed.find("No acceptable ramp specs"), std::string::npos);
}

TEST(RampCfgRead, Refusals) {
    temp_file file("rampcfg.txt");
    file.write_text("SWLI d10 10 25 0 0 0.25 81 0 1\n");
    rr_ramp_cfg_t* list = nullptr;
    int32_t count = 9;
    EXPECT_EQ(rr_read_ramp_cfg(file.c_str(), nullptr, &count), ERR_INVALID_PARAM);
    EXPECT_EQ(rr_read_ramp_cfg(file.c_str(), &list, nullptr), ERR_INVALID_PARAM);
    rr_ramp_cfg_t held{};
    list = &held;
    EXPECT_EQ(rr_read_ramp_cfg(file.c_str(), &list, &count), ERR_INVALID_PARAM);
    EXPECT_EQ(list, &held);

    list = nullptr;
    const std::string missing = file.str() + ".missing";
    print_capture capture;
    EXPECT_EQ(rr_read_ramp_cfg(missing.c_str(), &list, &count), ERR_CANT_OPEN_FILE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(capture.printed(), "Cannot open ramp config file \"" + missing + "\"\n");
}

TEST(RampCfgRead, OutOfMemoryStopsTheRead) {
    temp_file file("rampcfg.txt");
    file.write_text("# head\nSWLI d10 10 25 0 0 0.25 81 0 1\n");
    cfg_read result;
    {
        const failing_allocations no_memory;
        read_cfg_file(file, &result);
    }
    EXPECT_EQ(result.err, ERR_NO_MEM);
    EXPECT_EQ(result.specs.entries, nullptr);
    const std::string expected_start = "Error reading ramp config file \"" + file.str() +
                                       "\"\nOut of memory\nNo acceptable ramp specs";
    EXPECT_EQ(result.printed.substr(0, expected_start.size()), expected_start);
}

#ifdef __linux__
// A regular file whose reading fails: the first bytes of the process's own
// memory are never mapped.
TEST(RampCfgRead, ReadFailureIsNotTheEndOfTheFile) {
    spec_list specs;
    print_capture capture;
    EXPECT_EQ(rr_read_ramp_cfg("/proc/self/mem", &specs.entries, &specs.count), ERR_CANT_READ_FILE);
    EXPECT_EQ(capture.printed().substr(0, 28), "Cannot read ramp config file");
    EXPECT_EQ(specs.entries, nullptr);
}
#endif

#ifndef _WIN32
// Only a regular file is read: a folder is refused as a file that cannot be opened.
TEST(RampCfgRead, AFolderIsNoConfigurationFile) {
    temp_file file("folder");
    std::filesystem::create_directories(file.path);
    cfg_read result;
    read_cfg_file(file, &result);
    std::filesystem::remove(file.path);
    EXPECT_EQ(result.err, ERR_CANT_OPEN_FILE);
    EXPECT_EQ(result.printed, "Cannot open ramp config file \"" + file.str() + "\"\n");
}
#endif

TEST(RampCfgRead, OneSpecLineForTools) {
    rr_ramp_cfg_t spec;
    EXPECT_EQ(rr_parse_ramp_spec("BTW2 +b 5 25 0 0 0.25 81 10 1", &spec), NO_ERROR);
    EXPECT_EQ(spec.rampType, RR_RAMP_BTW);
    EXPECT_EQ(spec.wavelenSelect, 2);
    EXPECT_STREQ(spec.fileName, "+b");

    print_capture capture;
    EXPECT_EQ(rr_parse_ramp_spec("SWLI +b 5 25 2 0 0.25 81 10 1", &spec), ERR_INVALID_PARAM);
    EXPECT_EQ(capture.printed(),
              "Invalid CameraInterlace value 2 (field 5)\n"
              "The CameraInterlace value must be 0 or 1\n");
    print_capture again;
    EXPECT_EQ(rr_parse_ramp_spec("# SWLI", &spec), ERR_INVALID_PARAM);
    EXPECT_EQ(again.printed(), "Not a ramp spec\n");
}

}  // namespace
