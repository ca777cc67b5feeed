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
         "--fault takes none, board-nak, laser-stuck, no-bridge, no-scan, trigger-fail, drop-frame "
         "or camera-stall, not fire"},
        {{"--fault", "trigger-fail"}, "--fault trigger-fail needs --kind can"},
        {{"--surface", "cone"}, "--surface takes sphere, tilt, step or a .npy file, not cone"},
        {{"--surface"}, "--surface needs a value"},
        {{"--size", "320"}, "--size takes WIDTHxHEIGHT, each 16 to 4096 pixels, not 320"},
        {{"--size", "15x240"}, "--size takes WIDTHxHEIGHT, each 16 to 4096 pixels, not 15x240"},
        {{"--size", "320x4097"}, "--size takes WIDTHxHEIGHT, each 16 to 4096 pixels, not 320x4097"},
        {{"--size", "320x-240"}, "--size takes WIDTHxHEIGHT, each 16 to 4096 pixels, not 320x-240"},
        {{"--size", "320x240x"}, "--size takes WIDTHxHEIGHT, each 16 to 4096 pixels, not 320x240x"},
        {{"--noise", "-1"}, "--noise takes 0 to 1000 counts, not -1"},
        {{"--noise", "8,5"}, "--noise takes 0 to 1000 counts, not 8,5"},
        {{"--seed", "-3"}, "--seed takes an unsigned 64-bit number, not -3"},
        {{"--seed", "18446744073709551616"},
         "--seed takes an unsigned 64-bit number, not 18446744073709551616"},
        {{"--speed", "0"}, "--speed takes a number above 0 and at most 1000000, not 0"},
        {{"--speed", "nan"}, "--speed takes a number above 0 and at most 1000000, not nan"},
        {{"--surface", "mine.npy", "--size", "64x64"},
         "--size does not go with a surface file, which brings its own size"},
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

vi::options parsed(std::vector<std::string> words) {
    words.insert(words.begin(), "virtual-instrument");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    vi::options opts;
    std::string error;
    EXPECT_TRUE(vi::parse_options(static_cast<int>(argv.size()), argv.data(), &opts, &error))
        << error;
    return opts;
}

TEST(VirtualInstrumentCommandLine, SceneOptions) {
    const vi::scene_options defaults = parsed({}).scene;
    EXPECT_EQ(defaults.surface, vi::surface_kind::sphere);
    EXPECT_EQ(defaults.width, 320);
    EXPECT_EQ(defaults.height, 240);
    EXPECT_EQ(defaults.noise, 8);
    EXPECT_EQ(defaults.seed, 1u);
    EXPECT_EQ(defaults.speed, 1);
    EXPECT_EQ(defaults.fault, vi::camera_fault::none);

    const vi::options opts = parsed({"--surface", "step", "--size", "64x32", "--noise", "0.5",
                                     "--seed", "18446744073709551615", "--speed", "2.5e3",
                                     "--fault", "drop_frame", "--fault", "board-nak"});
    EXPECT_EQ(opts.scene.surface, vi::surface_kind::step);
    EXPECT_EQ(opts.scene.width, 64);
    EXPECT_EQ(opts.scene.height, 32);
    EXPECT_EQ(opts.scene.noise, 0.5);
    EXPECT_EQ(opts.scene.seed, UINT64_MAX);
    EXPECT_EQ(opts.scene.speed, 2500);
    EXPECT_EQ(opts.scene.fault, vi::camera_fault::drop_frame);  // a board fault does not clear it
    EXPECT_EQ(opts.fault, vi::fault_kind::board_nak);

    EXPECT_EQ(parsed({"--fault", "camera-stall"}).scene.fault, vi::camera_fault::stall);
    EXPECT_EQ(parsed({"--fault", "camera-stall", "--fault", "none"}).scene.fault,
              vi::camera_fault::none);
    const vi::options file = parsed({"--surface", "heights.npy"});
    EXPECT_EQ(file.scene.surface, vi::surface_kind::file);
    EXPECT_EQ(file.scene.surface_file, "heights.npy");
}

TEST(VirtualInstrumentCommandLine, HelpGoesToStandardOutput) {
    plat::process_result result;
    ASSERT_TRUE(plat::run_process({VIRTUAL_INSTRUMENT_EXE, "--help"}, &result));
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, vi::help_text());
    EXPECT_EQ(result.err, "");
}

}  // namespace
