// The demo program's command line: help, wrong arguments, and a calibration
// file that is not there.
#include <gtest/gtest.h>

#include <string>
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

TEST(DemoArguments, WrongArgumentsPrintTheUsageAndSwitchNothingOn) {
    const std::vector<std::vector<std::string>> cases = {
        {"--system"},
        {"--system", "4"},
        {"--system", "-1"},
        {"--system", "01"},
        {"--system", ""},
        {"--seconds", "-1"},
        {"--seconds", "3s"},
        {"--seconds", "86401"},
        {"--seconds", "nan"},
        {"--cal", ""},
        {"--cal"},
        {"--verbose"},
        {"extra"},
        {"--help", "--system", "9"},
    };
    for (const auto& args : cases) {
        const plat::process_result result = demo(args);
        std::string shown;
        for (const std::string& arg : args) shown += "[" + arg + "] ";
        EXPECT_EQ(result.exit_code, 2) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(result.err.rfind("Usage:  instrument-demo", 0), 0u) << shown << result.err;
    }
}

TEST(DemoArguments, MissingCalibrationFileIsAFailedStep) {
    demo_test::folder().clear();
    const plat::process_result result = demo({"--cal", "no-such-file.cal", "--system", "3"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out,
              "read calibration file: failed: ERR_CANT_READ_FILE\n"
              "switch off: ok\n");
}

}  // namespace
