// virtual-instrument's command line: --help on standard output, and each
// refusal naming the argument it refuses, once, with where to look.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/child_process.h"
#include "sim/virtual_instrument/options.h"

namespace {

TEST(VirtualInstrumentCommandLine, RefusalsNameTheArgument) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--kind"}, "--kind needs a value"},
        {{"--kind", "uz9"}, "--kind takes uz1, uz2, nif, ftp or can, not uz9"},
        {{"--fault", "fire"},
         "--fault takes none, board-nak, laser-stuck, no-bridge, no-scan or trigger-fail, not "
         "fire"},
        {{"--fault", "trigger-fail"}, "--fault trigger-fail needs --kind can"},
        {{"--system-type", "256"}, "--system-type takes 0 to 255, not 256"},
        {{"--then"}, "--then needs a command"}};
    for (const auto& [args, why] : cases) {
        std::vector<std::string> words{"virtual-instrument"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        vi::options opts;
        std::string error;
        EXPECT_FALSE(vi::parse_options(static_cast<int>(argv.size()), argv.data(), &opts, &error));
        EXPECT_EQ(error, why);
    }

    plat::process_result result;
    ASSERT_TRUE(plat::run_process({VIRTUAL_INSTRUMENT_EXE, "--bogus"}, &result));
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.err,
              "virtual-instrument: unknown option --bogus (see virtual-instrument --help)\n");
    EXPECT_EQ(result.out, "");
}

TEST(VirtualInstrumentCommandLine, HelpGoesToStandardOutput) {
    plat::process_result result;
    ASSERT_TRUE(plat::run_process({VIRTUAL_INSTRUMENT_EXE, "--help"}, &result));
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, vi::help_text());
    EXPECT_EQ(result.err, "");
}

}  // namespace
