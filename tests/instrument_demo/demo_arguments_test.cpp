// The demo program's command line: help, wrong arguments, and a calibration
// file that is not there.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "demo_test_support.h"
#include "platform/child_process.h"

namespace {

plat::process_result demo(std::vector<std::string> args) {
    args.insert(args.begin(), INSTRUMENT_DEMO_EXE);
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, &result));
    return result;
}

TEST(DemoArguments, HelpGoesToStandardOutput) {
    const plat::process_result result = demo({"--help"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(
        result.out.rfind("Usage:  instrument-demo [--system N] [--cal FILE] [--seconds S]\n", 0),
        0u)
        << result.out;
    for (const char* option : {"--system N", "--cal FILE", "--seconds S", "--help"}) {
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(result.err, "");
}

// Each refusal names what it refuses and points at --help, before the usage.
TEST(DemoArguments, WrongArgumentsAreNamedAndSwitchNothingOn) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--system"}, "--system needs a value"},
        {{"--system", "4"}, "--system takes 0 to 3, not \"4\""},
        {{"--system", "-1"}, "--system takes 0 to 3, not \"-1\""},
        {{"--system", "01"}, "--system takes 0 to 3, not \"01\""},
        {{"--system", ""}, "--system takes 0 to 3, not \"\""},
        {{"--seconds", "-1"}, "--seconds takes 0 to 86400, not \"-1\""},
        {{"--seconds", "3s"}, "--seconds takes 0 to 86400, not \"3s\""},
        {{"--seconds", "86401"}, "--seconds takes 0 to 86400, not \"86401\""},
        {{"--seconds", "nan"}, "--seconds takes 0 to 86400, not \"nan\""},
        {{"--cal", ""}, "--cal needs a file name"},
        {{"--cal"}, "--cal needs a value"},
        {{"--verbose"}, "unknown argument --verbose"},
        {{"extra"}, "unknown argument extra"},
        {{"--help", "--system", "9"}, "--system takes 0 to 3, not \"9\""},
    };
    for (const auto& [args, why] : cases) {
        const plat::process_result result = demo(args);
        std::string shown;
        for (const std::string& arg : args) shown += "[" + arg + "] ";
        EXPECT_EQ(result.exit_code, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(result.err.rfind("instrument-demo: " + why +
                                       " (see instrument-demo --help)\nUsage:  instrument-demo",
                                   0),
                  0u)
            << shown << result.err;
    }
}

// A calibration file not found: where the demo looked, and what makes one.
TEST(DemoArguments, MissingCalibrationFileSaysWhereItLooked) {
    demo_test::folder().clear();
    const std::string config = demo_test::folder().dir.string();
    const std::string hint =
        "  no instrument at hand? virtual-instrument makes a calibration file and simulates the "
        "instrument (README: \"Try it without an instrument\")\n";
    plat::process_result result = demo({"--cal", "no-such-file.cal", "--system", "3"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out,
              "read calibration file: failed: ERR_CANT_READ_FILE\n"
              "  looked for no-such-file.cal in the current folder, then in " +
                  config + " (MB_CONFIG_DIR)\n" + hint + "switch off: ok\n");

    plat::process_options options;
    options.environment = {"MB_CONFIG_DIR=" + config};
    ASSERT_TRUE(plat::run_process({INSTRUMENT_DEMO_EXE}, options, &result));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out,
              "read calibration file: failed: ERR_CANT_READ_FILE\n"
              "  looked for " +
                  std::string(u_cal_file_name(0)) + " in the current folder, then in " + config +
                  " (MB_CONFIG_DIR)\n" + hint + "switch off: ok\n");
}

}  // namespace
