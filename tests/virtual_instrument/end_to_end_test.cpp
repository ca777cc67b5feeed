// The library end to end: virtual-instrument brings up each kind of
// simulated instrument and runs instrument-demo against it. The demo's
// transcript and what every simulator received, in order, are checked; a
// fault in a simulator ends the demo with the right error after it has
// switched off what it switched on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "instrument_run.h"
#include "platform/child_process.h"
#include "platform/pseudo_terminal.h"

namespace {

using vi_test::frames_of;
using vi_test::run_instrument;
using vi_test::run_result;
using lines = std::vector<std::string>;

// What the demo prints for a board instrument from switch-on to switch-off.
lines board_transcript(const std::string& board, int system_type, bool wave_monitor,
                       bool temp_sensor) {
    lines transcript = {"read calibration file: ok (DIR/cfg/CAL: " + board +
                            " board, system type " + std::to_string(system_type) + ")",
                        "start device manager: ok", "switch on board link: ok (PORT)",
                        wave_monitor ? "switch on wave monitor: ok (PORT)"
                                     : "switch on wave monitor: none for this system type"};
    if (temp_sensor) {
        transcript.insert(transcript.end(),
                          {"switch on temperature sensor: setting it up, then 5 s for it to settle",
                           "switch on temperature sensor: ok (PORT)"});
    } else {
        transcript.emplace_back("switch on temperature sensor: none configured");
    }
    transcript.insert(transcript.end(),
                      {"load ramp table: ok (5 ramps)",
                       temp_sensor ? "read temperature: ok (23.4)" : "read temperature: no sensor",
                       "wait for reports and events: ok (0 received)", "switch off: ok"});
    return transcript;
}

// The temperature sensor's set-up selects, then the temperature poll.
const lines kSensorSetUp = {"<EOT>0011<STX>IM0002.<ETX>+", "<EOT>0011<STX>QD0002.<ETX>:",
                            "<EOT>0011<STX>Q10000.<ETX>M", "<EOT>0011<STX>IM0000.<ETX>)"};
lines sensor_frames() {
    lines frames = kSensorSetUp;
    frames.emplace_back("<EOT>0011PV<ENQ>");
    return frames;
}

// A wave monitor of system type 19 at switch-on: its CL value, then the
// status and calibration queries.
const lines kBoardWaveMonitor = {"CL=5000000<CR>", "MS?<CR>", "CC?<CR>"};

// The CAN library calls of a switch-on that finds the bridge.
const lines kCanBridgeUp = {"CAN_EnumerateBridges 127", "CAN_Connect 0x140AA8C0",
                            "CAN_GetFirmwareVersion", "CAN_GetBridgeConfiguration",
                            "CAN_GetLastBridgeError"};

lines joined(lines first, const lines& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

lines repeated(const std::string& line, size_t count) {
    return lines(count, line);
}

void expect_ready_after_exports(const run_result& run) {
    const lines log = vi_test::lines_of(run.live_log);
    const auto ready = std::find(log.begin(), log.end(), "virtual-instrument: ready");
    ASSERT_NE(ready, log.end()) << run.live_log << run.errors;
    ASSERT_GT(ready - log.begin(), 0);
    for (auto line = log.begin(); line != ready; ++line) EXPECT_EQ(line->rfind("export ", 0), 0u) << *line;
    EXPECT_EQ(log.front().rfind("export MB_CONFIG_DIR=", 0), 0u);
    EXPECT_EQ(std::count(log.begin(), log.end(), "virtual-instrument: ready"), 1);
}

class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        if (!plat::kHasPseudoTerminals) GTEST_SKIP() << "no pseudo-terminals for the serial devices";
    }
};

// A CAN instrument needs no serial line: this runs wherever the programs do.
TEST(EndToEndCan, FromSwitchOnToSwitchOff) {
    const run_result plain = run_instrument("can", {"--kind", "can"}, {"--seconds", "0.3"});
    ASSERT_EQ(plain.status, 0) << plain.live_log << plain.errors << plain.demo_errors;
    expect_ready_after_exports(plain);
    EXPECT_EQ(plain.transcript,
              (lines{"read calibration file: ok (DIR/cfg/CAL: CAN instrument, system type 1)",
                     "start device manager: ok",
                     "switch on CAN instrument: ok (bridge 192.168.10.20, firmware 2.7)",
                     "switch on wave monitor: none for this system type",
                     "switch on temperature sensor: none configured", "load ramp table: ok (5 ramps)",
                     "read temperature: no sensor", "wait for reports and events: ok (0 received)",
                     "switch off: ok"}));
    // Events on, then everything taken back before the bridge is let go.
    EXPECT_EQ(frames_of(plain, "can"),
              joined(kCanBridgeUp, {"CAN_RegisterEvents on", "CAN_RegisterEvents off",
                                    "CAN_UnregisterPDOs", "CAN_UnregisterPDOs", "CAN_Disconnect"}));
}

TEST(EndToEndCan, MissingBridgeEndsTheDemo) {
    const run_result no_bridge = run_instrument("no_bridge", {"--kind", "can", "--fault", "no-bridge"},
                                                {"--seconds", "0.3"});
    EXPECT_EQ(no_bridge.status, 1) << no_bridge.live_log << no_bridge.errors;
    EXPECT_EQ(no_bridge.transcript,
              (lines{"read calibration file: ok (DIR/cfg/CAL: CAN instrument, system type 1)",
                     "start device manager: ok", "switch on CAN instrument: failed: ERR_CAN_FINDING_BRIDGE",
                     "switch off: ok"}));
    EXPECT_EQ(frames_of(no_bridge, "can"), lines{"CAN_EnumerateBridges 127"});
}

TEST_F(EndToEnd, EachSerialBoardFromSwitchOnToSwitchOff) {
    struct board_case {
        const char* kind;
        const char* name;
        const char* ramp_delete;
        size_t slots;
        bool wave_monitor;
        bool temp_sensor;
    };
    const board_case cases[] = {{"uz1", "UZ1", "UZ1_RAMP_DELETE_CMD", 12, false, false},
                                {"uz2", "UZ2", "UZ2_RAMP_DELETE_CMD", 4, true, true},
                                {"nif", "NIF", "NIF_RAMP_DELETE_CMD", 4, false, true},
                                {"ftp", "FTP", "FTP_RAMP_DELETE_CMD", 12, true, false}};
    for (const board_case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::vector<std::string> args{"--kind", c.kind};
        if (c.wave_monitor) args.emplace_back("--wave-monitor");
        if (c.temp_sensor) args.emplace_back("--temp-sensor");
        const run_result run = run_instrument(std::string("board_") + c.kind, args, {"--seconds", "0.3"});
        ASSERT_EQ(run.status, 0) << run.live_log << run.errors << run.demo_errors;
        expect_ready_after_exports(run);
        EXPECT_EQ(run.transcript, board_transcript(c.name, c.wave_monitor ? 19 : 1, c.wave_monitor,
                                                    c.temp_sensor));
        // The ramp table load empties every slot the board has.
        EXPECT_EQ(frames_of(run, "board"), repeated(c.ramp_delete, c.slots));
        EXPECT_EQ(frames_of(run, "wave_monitor"), c.wave_monitor ? kBoardWaveMonitor : lines{});
        EXPECT_EQ(frames_of(run, "temp_sensor"), c.temp_sensor ? sensor_frames() : lines{});
    }
}

TEST_F(EndToEnd, BoardReportsReachTheDemoThroughTheDeviceManager) {
    // UZ1 boards report code 0x9B as event 0 with the value less one, the
    // later boards as event 1.
    for (const auto& [kind, event] : {std::pair{"uz1", 0}, std::pair{"nif", 1}}) {
        SCOPED_TRACE(kind);
        const run_result run = run_instrument(std::string("reports_") + kind,
                                              {"--kind", kind, "--reports", "100"}, {"--seconds", "1"});
        ASSERT_EQ(run.status, 0) << run.live_log << run.errors << run.demo_errors;
        lines reports;
        for (const std::string& line : run.transcript) {
            if (line.rfind("  board report: ", 0) == 0) reports.push_back(line);
        }
        // Sent every 100 ms, alternating between the two values.
        ASSERT_GE(reports.size(), 4u) << run.live_log;
        for (size_t i = 1; i < reports.size(); ++i) EXPECT_NE(reports[i], reports[i - 1]);
        for (const std::string& report : reports) {
            const std::string head = "  board report: event " + std::to_string(event) + ", value ";
            EXPECT_TRUE(report == head + "0" || report == head + "1") << report;
        }
        EXPECT_EQ(run.transcript.back(), "switch off: ok");
    }
}

TEST_F(EndToEnd, CanInstrumentWithWaveMonitorAndSensor) {
    const run_result full = run_instrument("can_full", {"--kind", "can", "--wave-monitor", "--temp-sensor"},
                                           {"--seconds", "0.3"});
    ASSERT_EQ(full.status, 0) << full.live_log << full.errors << full.demo_errors;
    ASSERT_EQ(full.transcript.size(), 10u);
    EXPECT_EQ(full.transcript[0], "read calibration file: ok (DIR/cfg/CAL: CAN instrument, system type 30)");
    EXPECT_EQ(full.transcript[3], "switch on wave monitor: ok (PORT)");
    EXPECT_EQ(full.transcript.back(), "switch off: ok");
    // System type 30: the status, which shows the laser on, then CL and
    // the status update.
    EXPECT_EQ(frames_of(full, "wave_monitor"), (lines{"MS?<CR>", "CL=5000000<CR>", "MS?<CR>", "CC?<CR>"}));
    EXPECT_EQ(frames_of(full, "temp_sensor"), sensor_frames());
    const lines can = frames_of(full, "can");
    ASSERT_FALSE(can.empty());
    EXPECT_TRUE(std::equal(kCanBridgeUp.begin(), kCanBridgeUp.end(), can.begin()));
    EXPECT_EQ(can.back(), "CAN_Disconnect");
    EXPECT_EQ(std::count(can.begin(), can.end(), "CAN_RegisterEvents on"), 1);
    EXPECT_EQ(std::count(can.begin(), can.end(), "CAN_RegisterEvents off"), 1);
}

TEST_F(EndToEnd, BoardThatNaksEndsTheDemoWithEverythingSwitchedOff) {
    const run_result run = run_instrument("nak", {"--kind", "uz2", "--fault", "board-nak", "--wave-monitor",
                                                  "--temp-sensor"},
                                          {"--seconds", "0.3"});
    EXPECT_EQ(run.status, 1) << run.live_log << run.errors;
    lines expected = board_transcript("UZ2", 19, true, true);
    expected.resize(6);
    expected.emplace_back("load ramp table: failed: ERR_UZ_RECV_FAILED");
    expected.emplace_back("switch off: ok");
    EXPECT_EQ(run.transcript, expected);
    EXPECT_NE(run.demo_errors.find("ur_writeUZ failed: cmd=UZ2_RAMP_DELETE_CMD"), std::string::npos);
    // The first slot's deletion, tried three times, and nothing after it.
    EXPECT_EQ(frames_of(run, "board"), repeated("UZ2_RAMP_DELETE_CMD", 3));
    EXPECT_EQ(frames_of(run, "temp_sensor"), kSensorSetUp);
}

TEST_F(EndToEnd, LaserThatNeverComesOnEndsTheCanSwitchOn) {
    // The laser is polled ten times, a second apart, before the switch-on
    // gives up and lets the bridge go.
    const run_result stuck = run_instrument(
        "laser", {"--kind", "can", "--wave-monitor", "--fault", "laser-stuck"}, {"--seconds", "0.3"});
    EXPECT_EQ(stuck.status, 1) << stuck.live_log << stuck.errors;
    EXPECT_EQ(stuck.transcript,
              (lines{"read calibration file: ok (DIR/cfg/CAL: CAN instrument, system type 30)",
                     "start device manager: ok",
                     "switch on CAN instrument: failed: ERR_WM_LASER_CONTROL_TIMEOUT", "switch off: ok"}));
    EXPECT_EQ(frames_of(stuck, "wave_monitor"),
              joined({"MS?<CR>", "LO=1<CR>"}, repeated("LO?<CR>", 10)));
    EXPECT_EQ(frames_of(stuck, "can"), joined(kCanBridgeUp, {"CAN_Disconnect"}));
}

TEST(VirtualInstrument, RefusesWhatItCannotRun) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--kind", "uz9"}, {"--kind", "uz2", "--fault", "no-bridge"},
          {"--kind", "can", "--fault", "board-nak"}, {"--fault", "laser-stuck"},
          {"--kind", "can", "--reports", "100"}, {"--reports", "0"}, {"--then"}, {"--dir"}}) {
        std::vector<std::string> command{VIRTUAL_INSTRUMENT_EXE};
        command.insert(command.end(), args.begin(), args.end());
        plat::process_result result;
        ASSERT_TRUE(plat::run_process(command, &result));
        EXPECT_EQ(result.exit_code, 2) << args[0];
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("virtual-instrument: "), std::string::npos);
    }
}

}  // namespace
