// ramptool run as a real process: its four commands, their output and exit
// status, and the error names of failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/child_process.h"
#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"
#include "tools/ramp_generator/ramp_generator.h"

namespace {

plat::process_result ramptool(std::vector<std::string> args) {
    args.insert(args.begin(), RAMPTOOL_EXE);
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, &result));
    return result;
}

// What the library's dump prints for a ramp file, as text.
std::string library_dump(const temp_file& ramp, int one_per_line) {
    owned_ramp r;
    EXPECT_EQ(rr_read_ramp_file(ramp.c_str(), &r.ramp.hdr, &r.ramp.points), NO_ERROR);
    temp_file text("dump.txt");
    FILE* out = std::fopen(text.c_str(), "wb");
    rr_print_ramp_hdr(out, &r.ramp.hdr, r.ramp.points, one_per_line);
    std::fclose(out);
    return text.read();
}

struct Ramptool : ::testing::Test {
    temp_file ramp{"d10.ramp"};
    rampgen::ramp made = rampgen::make_ramp({.points = 25, .trig_start = 3, .trig_end = 20});
    void SetUp() override { ramp.write(rampgen::file_bytes(made)); }
};

// Each refusal names what it refuses and points at --help, before the usage.
TEST(RamptoolUsage, WrongCommandLines) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command"},
        {{"dump"}, "dump needs FILE [-1]"},
        {{"dump", "a", "-2"}, "dump does not take -2 (only -1)"},
        {{"name"}, "name needs FILE"},
        {{"name", "a", "b"}, "name does not take b"},
        {{"cfg", "in"}, "cfg needs IN OUT"},
        {{"derive", "a", "b"}, "derive needs BASE SPEC_LINE OUT"},
        {{"list", "a"}, "no command list (dump, name, cfg, derive)"}};
    for (const auto& [args, why] : cases) {
        const plat::process_result r = ramptool(args);
        EXPECT_EQ(r.exit_code, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("ramptool: " + why +
                                  " (see ramptool --help)\nUsage:  ramptool dump FILE [-1]\n",
                              0),
                  0u)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
    const plat::process_result help = ramptool({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind("Usage:  ramptool dump FILE [-1]\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
}

TEST_F(Ramptool, Dump) {
    plat::process_result r = ramptool({"dump", ramp.str()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, library_dump(ramp, 0));
    EXPECT_EQ(r.err, "");
    r = ramptool({"dump", ramp.str(), "-1"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, library_dump(ramp, 1));

    const temp_file missing("missing.ramp");
    r = ramptool({"dump", missing.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "ramptool: cannot read ramp data file " + missing.str() + ": ERR_CANT_OPEN_FILE\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(Ramptool, Name) {
    plat::process_result r = ramptool({"name", ramp.str()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "d10s81c25.b12345\n");

    made.hdr.rampType = 16;
    ramp.write(rampgen::file_bytes(made));
    r = ramptool({"name", ramp.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "rr_get_std_ramp_filename: unsupported ramp type 16\n"
              "ramptool: no standard file name for the ramp in " +
                  ramp.str() + ": ERR_INVALID_PARAM\n");
}

TEST(RamptoolCfg, RewritesTheAcceptedSpecs) {
    temp_file in("in_cfg.txt");
    temp_file out("out_cfg.txt");
    temp_file expected("expected_cfg.txt");
    in.write_text(
        "SWLI d10s81c25.b12345 10.2 25 0 0 0.25 81 0 1\n"
        "SWLI bad 10.2 25 3 0 0.25 81 0 1\n"
        "PMI p7c30.p12345 0 30 0 0 0.25 0 0 0 1\n");
    const plat::process_result r = ramptool({"cfg", in.str(), out.str()});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Invalid CameraInterlace value 3 (field 5) in line 2:"),
              std::string::npos);
    EXPECT_NE(r.err.find("Accepted 2 of 3 ramp specs"), std::string::npos);

    cfg_read accepted;
    read_cfg_file(in, &accepted);
    ASSERT_EQ(rr_write_ramp_cfg(expected.c_str(), accepted.specs.entries, accepted.specs.count),
              NO_ERROR);
    EXPECT_EQ(out.read(), expected.read());

    in.write_text("# nothing\n");
    const plat::process_result none = ramptool({"cfg", in.str(), out.str()});
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_NE(none.err.find("ramptool: cannot read ramp configuration file " + in.str() +
                            ": ERR_CORRUPT_RAMP_CFG_FILE\n"),
              std::string::npos)
        << none.err;
}

TEST_F(Ramptool, DeriveWritesWhatTheLibraryDerives) {
    const std::string line = " SWLI +                        5.00  50.00  0  1 0.500  81.0000   0.00 1.00000 0";
    temp_file out("derived.ramp");
    const plat::process_result r = ramptool({"derive", ramp.str(), line, out.str()});
    EXPECT_EQ(r.exit_code, 0) << r.err;

    owned_ramp base;
    ASSERT_EQ(rr_read_ramp_file(ramp.c_str(), &base.ramp.hdr, &base.ramp.points), NO_ERROR);
    rr_ramp_cfg_t spec;
    ASSERT_EQ(rr_parse_ramp_spec(line.c_str(), &spec), NO_ERROR);
    owned_ramp derived;
    ASSERT_EQ(rr_derive_ramp(&base.ramp, &derived.ramp, &spec), NO_ERROR);
    temp_file expected("expected.ramp");
    ASSERT_EQ(rr_write_ramp_file(expected.c_str(), &derived.ramp.hdr, derived.ramp.points),
              NO_ERROR);
    EXPECT_EQ(out.read(), expected.read());
    EXPECT_EQ(derived.ramp.hdr.scanLen, 5.0f);
}

TEST_F(Ramptool, DeriveRefusals) {
    temp_file out("derived.ramp");
    plat::process_result r =
        ramptool({"derive", ramp.str(), "SWLI + 5 25 0 0 0.25 81 0 2", out.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "Invalid ScanCal value 2 (field 10)\n"
              "For PMI ramps, the ScanCal value must be 0\n"
              "For SWLI or BTW ramps, it must be greater than 0.5 and less than 1.5\n"
              "ramptool: cannot take the ramp configuration line SWLI + 5 25 0 0 0.25 81 0 2: "
              "ERR_INVALID_PARAM\n");
    r = ramptool({"derive", ramp.str(), "SWLI + 20 25 0 0 0.25 81 0 1", out.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "Error: derived ramp must have smaller scan length\nramptool: cannot derive ramp "
              "data file " +
                  out.str() + ": ERR_PARAM_OUT_OF_RANGE\n");
    EXPECT_FALSE(out.exists());

    made.hdr.rampType = RR_RAMP_PMI;
    ramp.write(rampgen::file_bytes(made));
    r = ramptool({"derive", ramp.str(), "SWLI + 5 25 0 0 0.25 81 0 1", out.str()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find(ramp.str() + " is of type"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 18), "ERR_INVALID_PARAM\n");
}

}  // namespace
