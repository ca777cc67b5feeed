// The demo's steps against simulated serial instruments: a board with a wave
// monitor, an FTP board with a temperature sensor, a board that refuses
// commands, and the demo program itself run against a simulated board.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "demo_test_support.h"
#include "platform/child_process.h"
#include "seriallink/board_test_support.h"
#include "seriallink/device_test_support.h"

namespace {

using namespace demo_test;

// The frames that empty the board's first `slots` ramp slots.
sim::byte_string slot_deletes(uint8_t code, int slots) {
    sim::byte_string frames;
    for (int slot = 0; slot < slots; ++slot) {
        for (const uint8_t byte :
             {uint8_t{3}, code, static_cast<uint8_t>(slot), static_cast<uint8_t>(code + slot)}) {
            frames.push_back(byte);
        }
    }
    return frames;
}

// The transcript of a board instrument with a wave monitor up to the wait.
std::string steps_before_the_wait(const std::string& cal_path, const std::string& instrument,
                                  const std::string& board, const std::string& wave_monitor) {
    return "read calibration file: ok (" + cal_path + ": " + instrument + ")\n" +
           "start device manager: ok\n" + "switch on board link: ok (" + board + ")\n" +
           "switch on wave monitor: ok (" + wave_monitor + ")\n" +
           "switch on temperature sensor: none configured\n" + "load ramp table: ok (2 ramps)\n" +
           "read temperature: no sensor\n";
}

class DemoBoard : public Session {
  protected:
    void SetUp() override {
        if (!serial_test::peer_available()) GTEST_SKIP() << serial_test::kNoPeer;
        Session::SetUp();
    }
    // Writes the calibration file of the instrument, on the given board
    // port and wave monitor port (null: none), and the ramps.
    static void configure(sys_info config, const char* board, const char* wave_monitor) {
        set_port(&config.board.line, board);
        if (wave_monitor != nullptr) set_port(&config.waveMonitor.line, wave_monitor);
        write_cal_file(config);
        write_ramps();
    }

    serial_test::print_capture capture;  // the library's messages
    serial_test::short_waits waits;
};

TEST_F(DemoBoard, Uz2WithWaveMonitorFromSwitchOnToSwitchOff) {
    serial_test::test_board board(INSTR_BD_UZ2);
    serial_test::test_device wave_monitor("wave_monitor");
    sys_info config = instrument(INSTR_BD_UZ2, 19);
    config.waveMonitor.clValue = 0.5;
    configure(config, board.device_path(), wave_monitor.device_path());

    ASSERT_EQ(demo_read_calibration(session(), nullptr, 0), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(demo_switch_on(session()), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(demo_load_ramps(session()), NO_ERROR) << serial_test::printed();
    ASSERT_EQ(demo_read_temperature(session()), NO_ERROR);
    EXPECT_EQ(transcript(), steps_before_the_wait(info()->calFile.path, "UZ2 board, system type 19",
                                                  board.device_path(), wave_monitor.device_path()));
    EXPECT_EQ(std::filesystem::path(info()->calFile.path),
              std::filesystem::path(default_cal_path()));
    EXPECT_EQ(wave_monitor.get("cl"), "5000000");
    EXPECT_EQ(board.received(), slot_deletes(UZ2_RAMP_DELETE_CMD, 4));

    // Reports the board sends of its own accord are printed as they come.
    board.send_report(0x9B, 1);
    board.send_report(0x87, 8);
    EXPECT_EQ(demo_wait_for_reports(session(), 1), NO_ERROR) << serial_test::printed();
    EXPECT_EQ(transcript(),
              "  board report: event 1, value 1\n"
              "  board report: event 0, value 8\n"
              "wait for reports and events: ok (2 received)\n");

    EXPECT_EQ(demo_switch_off(session()), NO_ERROR);
    EXPECT_EQ(transcript(), "switch off: ok\n");
    EXPECT_TRUE(all_switched_off(*info()));
}

// A stop (Ctrl-C in the program) ends the wait early, and the transcript
// says why it ended before its time.
TEST_F(DemoBoard, StopCutsTheWaitShortAndSaysSo) {
    serial_test::test_board board(INSTR_BD_UZ1);
    configure(instrument(INSTR_BD_UZ1, 0), board.device_path(), nullptr);
    ASSERT_EQ(demo_read_calibration(session(), nullptr, 0), NO_ERROR);
    ASSERT_EQ(demo_switch_on(session()), NO_ERROR) << serial_test::printed();
    transcript();

    const volatile std::sig_atomic_t stop = 1;
    session().stop = &stop;
    EXPECT_EQ(demo_wait_for_reports(session(), 86400), NO_ERROR);
    EXPECT_EQ(
        transcript(),
        "wait for reports and events: cut short by Ctrl-C or a termination signal after 0.0 s\n"
        "wait for reports and events: ok (0 received)\n");
}

TEST_F(DemoBoard, FtpWithTemperatureSensor) {
    if (serial_test::kWineComPort)
        GTEST_SKIP() << "the pseudo-terminal behind Wine's COM port refuses parity framing";
    serial_test::test_board board(INSTR_BD_FTP);
    serial_test::test_device sensor("temp_sensor");
    sys_info config = instrument(INSTR_BD_FTP, 0);
    set_port(&config.tempSensor.line, sensor.device_path());
    config.tempSensor.enabled = 1;
    configure(config, board.device_path(), nullptr);
    ASSERT_TRUE(sensor.set("PV", "0021.5"));

    demo_options options;
    options.seconds = 0.2;
    EXPECT_EQ(demo_run(options, session().out), NO_ERROR) << serial_test::printed();
    const std::string text = transcript();
    EXPECT_NE(text.find("switch on wave monitor: none for this system type\n"
                        "switch on temperature sensor: setting it up, then 5 s for it to settle\n"
                        "switch on temperature sensor: ok (" +
                        std::string(sensor.device_path()) + ")\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("read temperature: ok (21.5)\n"
                        "wait for reports and events: ok (0 received)\n"
                        "switch off: ok\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(sensor.get("selects"), "4");
    EXPECT_EQ(board.received(), slot_deletes(FTP_RAMP_DELETE_CMD, 12));
    EXPECT_TRUE(all_switched_off(*info()));
}

TEST_F(DemoBoard, BoardThatRefusesEndsTheDemoWithEverythingClosed) {
    serial_test::test_board board(INSTR_BD_NIF);
    serial_test::test_device wave_monitor("wave_monitor");
    configure(instrument(INSTR_BD_NIF, 27), board.device_path(), wave_monitor.device_path());
    board.inject(sim::uz_fault::nak, 3);

    EXPECT_EQ(demo_run(demo_options{}, session().out), ERR_UZ_RECV_FAILED);
    const std::string text = transcript();
    EXPECT_NE(text.find("switch on wave monitor: ok"), std::string::npos) << text;
    EXPECT_NE(text.find("load ramp table: failed: ERR_UZ_RECV_FAILED\nswitch off: ok\n"),
              std::string::npos)
        << text;
    EXPECT_NE(serial_test::printed().find("rr_get_ramp_info: ERR_UZ_RECV_FAILED\n"),
              std::string::npos);
    EXPECT_TRUE(all_switched_off(*info()));
}

TEST_F(DemoBoard, MissingBoardPortFailsTheSwitchOn) {
    configure(instrument(INSTR_BD_UZ1, 0), "no-such-port", nullptr);
    EXPECT_EQ(demo_run(demo_options{}, session().out), ERR_UZ_COMM);
    EXPECT_EQ(transcript(), "read calibration file: ok (" + std::string(info()->calFile.path) +
                                ": UZ1 board, system type 0)\n"
                                "start device manager: ok\n"
                                "switch on board link: failed: ERR_UZ_COMM\n"
                                "switch off: ok\n");
    EXPECT_TRUE(all_switched_off(*info()));
}

// The program itself, started as a user starts it: the default calibration
// file found in MB_CONFIG_DIR.
TEST_F(DemoBoard, ProgramRunsAgainstASimulatedBoard) {
    serial_test::test_board board(INSTR_BD_UZ1);
    serial_test::test_device wave_monitor("wave_monitor");
    configure(instrument(INSTR_BD_UZ1, 27), board.device_path(), wave_monitor.device_path());

    plat::process_options options;
    options.environment = {"MB_CONFIG_DIR=" + folder().dir.string()};
    plat::process_result result;
    ASSERT_TRUE(plat::run_process({INSTRUMENT_DEMO_EXE, "--seconds", "0.3"}, options, &result));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string cal_path = (folder().dir / u_cal_file_name(0)).string();
    EXPECT_EQ(result.out, steps_before_the_wait(cal_path, "UZ1 board, system type 27",
                                                board.device_path(), wave_monitor.device_path()) +
                              "wait for reports and events: ok (0 received)\n"
                              "switch off: ok\n");
    EXPECT_NE(result.err.find("Ramp data sets:\n"), std::string::npos) << result.err;
    EXPECT_EQ(board.received(), slot_deletes(UZ1_RAMP_DELETE_CMD, 12));
}

}  // namespace
