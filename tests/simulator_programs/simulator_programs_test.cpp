// board_sim and device_sim as a person runs them: --help on standard output,
// refusals that name the argument and point at --help, and unknown fault
// and setting names answered with the names taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/child_process.h"

namespace {

plat::process_result run(const std::vector<std::string>& args) {
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, &result));
    return result;
}

// The program with these lines on its standard input, then "quit".
plat::process_result run_commands(const std::string& program, const std::string& kind,
                                  const std::string& lines) {
    return run({"/bin/sh", "-c", "printf '" + lines + "quit\\n' | \"$0\" \"$1\"", program, kind});
}

bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(SimulatorPrograms, HelpGoesToStandardOutput) {
    for (const char* program : {BOARD_SIM_EXE, DEVICE_SIM_EXE}) {
        const plat::process_result result = run({program, "--help"});
        EXPECT_EQ(result.exit_code, 0) << program;
        EXPECT_EQ(result.out.rfind("usage: ", 0), 0u) << result.out;
        EXPECT_EQ(result.err, "") << program;
    }
}

TEST(SimulatorPrograms, RefusalsNameTheArgument) {
    struct refusal {
        std::vector<std::string> args;
        std::string err;
    };
    const refusal cases[] = {
        {{BOARD_SIM_EXE, "uz9"},
         "board_sim: no board type uz9 (uz1, uz2, nif, ftp, or 1, 3, 6, 7; see board_sim "
         "--help)\n"},
        {{BOARD_SIM_EXE, "uz1", "extra"},
         "board_sim: unexpected argument extra; it takes one board type (see board_sim --help)\n"},
        {{DEVICE_SIM_EXE},
         "device_sim: no device kind; it takes one device kind, wave_monitor or temp_sensor (see "
         "device_sim --help)\n"},
        {{DEVICE_SIM_EXE, "laser"},
         "device_sim: no device kind laser (wave_monitor, temp_sensor; see device_sim --help)\n"}};
    for (const refusal& each : cases) {
        const plat::process_result result = run(each.args);
        EXPECT_EQ(result.exit_code, 2) << each.err;
        EXPECT_EQ(result.err, each.err);
        EXPECT_EQ(result.out, "");
    }
}

TEST(SimulatorPrograms, UnknownNamesAreAnsweredWithTheNamesTaken) {
    plat::process_result board = run_commands(BOARD_SIM_EXE, "uz2", "fault fire 1\\n");
    EXPECT_EQ(board.exit_code, 0) << board.err;
    EXPECT_TRUE(has_line(board.out,
                         "? no fault fire; the faults are none, nak, bad_checksum, wrong_echo, "
                         "over_long, truncated, silence, report_first, hostile"))
        << board.out;

    plat::process_result monitor =
        run_commands(DEVICE_SIM_EXE, "wave_monitor", "set lazer 1\\nset laser x\\n");
    EXPECT_EQ(monitor.exit_code, 0) << monitor.err;
    const size_t names = monitor.out.find("? no setting lazer; the settings are ");
    ASSERT_NE(names, std::string::npos) << monitor.out;
    const std::string listed = monitor.out.substr(names, monitor.out.find('\n', names) - names);
    for (const char* name : {"calibrated", "laser", "laser_polls", "system_gain", "stall_ms"}) {
        EXPECT_NE(listed.find(name), std::string::npos) << name;
    }
    EXPECT_TRUE(has_line(monitor.out, "? laser does not take x")) << monitor.out;

    plat::process_result sensor =
        run_commands(DEVICE_SIM_EXE, "temp_sensor", "get PVX\\nfault fire 1\\n");
    EXPECT_TRUE(has_line(sensor.out,
                         "? no setting PVX; the settings are any two-character parameter "
                         "mnemonic, bad_checks, polls, selects, stall_ms"))
        << sensor.out;
    EXPECT_TRUE(has_line(sensor.out,
                         "? no fault fire; the faults are none, nak, bad_checksum, stray, "
                         "truncated, over_long, silence, stall, hostile"))
        << sensor.out;
}

}  // namespace
