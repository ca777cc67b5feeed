// The encoded zoom set-up and its magnification calibration file.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "can_test_support.h"
#include "support/temp_file.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

class enc_zoom : public can_test {
  protected:
    std::string write(const temp_file& file, const std::string& text) {
        std::ofstream(file.path, std::ios::binary) << text;
        return file.text;
    }
    // Parses text; returns the error and leaves the message in message.
    int32_t parse(const std::string& text) {
        const std::string path = write(cal, text);
        message[0] = '\0';
        int32_t count = 0;
        sys_zoom_cal_pair* pairs = nullptr;
        const int32_t err = enc_zoom_read_cal_file(path.c_str(), &count, &pairs, message, sizeof message);
        last_count = count;
        if (err == NO_ERROR) gl_FreeFunc(pairs);
        return err;
    }
    std::string refusal(const std::string& text, int line, const std::string& line_text) const {
        std::string m = " Error reading ORVO encoded zoom magnification calibration file \"" + cal.text +
                        "\" \n " + text + " \n";
        if (line > 0)
            m += line_text.empty() ? " Error in line " + std::to_string(line) + " \n"
                                   : " Error in line " + std::to_string(line) + ": \n  " + line_text + " \n";
        return m;
    }

    temp_file cal{"ZoomCal.txt"};
    char message[1024] = {};
    int32_t last_count = 0;
};

TEST_F(enc_zoom, accepted_files) {
    EXPECT_EQ(parse("Zoom calibration\r\n0 0.5\r\n1000,1.0\r\n"), NO_ERROR);
    EXPECT_EQ(last_count, 2);
    EXPECT_EQ(parse("title\n0, 0.5\n10 6\n"), NO_ERROR);
    std::string hundred = "title\n";
    for (int i = 0; i < 100; ++i) hundred += std::to_string(i) + " " + std::to_string(0.5 + i * 0.05) + "\n";
    EXPECT_EQ(parse(hundred), NO_ERROR);
    EXPECT_EQ(last_count, 100);
    EXPECT_STREQ(message, "");
}

TEST_F(enc_zoom, refused_files_with_their_messages) {
    const struct {
        std::string file;
        std::string text;
        int line;
        std::string line_text;
    } kCases[] = {
        {"t\n0 0.5\n1;2\n", "Expected two numbers (position and magnification) separated by a comma and/or space.",
         3, "1;2"},
        {"t\n0 0.5\n\n", "Expected two numbers (position and magnification) separated by a comma and/or space.", 3,
         ""},
        {"t\n0 0.5\n1 nan\n", "Magnitude of number is unreasonable.", 3, "1 nan"},
        {"t\n0 0.5\ninf 1\n", "Magnitude of number is unreasonable.", 3, "inf 1"},
        {"t\n0 0.5\n1e39 1\n", "Magnitude of number is unreasonable.", 3, "1e39 1"},
        {"t\n-1 0.5\n", "Position value is out of range [0,3.40282e+38]", 2, "-1 0.5"},
        {"t\n0 0.49\n", "Magnification value is out of range [0.5,6]", 2, "0 0.49"},
        {"t\n0 0.5\n1 6.01\n", "Magnification value is out of range [0.5,6]", 3, "1 6.01"},
        {"t\n5 0.5\n5 1\n", "Position values are not in strictly increasing order.", 3, "5 1"},
        {"t\n5 1\n6 1\n", "Magnification values are not in strictly increasing order.", 3, "6 1"},
        {"t\n5 1.15\n6 1.1500000001\n", "Magnification values are not in strictly increasing order.", 3,
         "6 1.1500000001"},
        {"t\n", "Too few position and magnification value pairs (minimum is 2)", 0, ""},
        {"", "Too few position and magnification value pairs (minimum is 2)", 0, ""},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(parse(c.file), ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE) << c.file;
        EXPECT_EQ(message, refusal(c.text, c.line, c.line_text)) << c.file;
    }
    std::string many = "title\n";
    for (int i = 0; i < 101; ++i) many += std::to_string(i) + " " + std::to_string(0.5 + i * 0.05) + "\n";
    EXPECT_EQ(parse(many), ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE);
    EXPECT_EQ(message, refusal("Too many position and magnification value pairs (maximum is 100).", 0, ""));
}

#if !defined(_WIN32)
// A FIFO in the calibration file's place is refused at once; opening it for
// reading would wait for a writer.
TEST_F(enc_zoom, a_fifo_is_no_calibration_file) {
    temp_file fifo("ZoomCal.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int32_t count = 0;
    sys_zoom_cal_pair* pairs = nullptr;
    EXPECT_EQ(enc_zoom_read_cal_file(fifo.c_str(), &count, &pairs, message, sizeof message),
              ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE);
    EXPECT_EQ(std::string(message),
              " Cannot open ORVO encoded zoom magnification calibration file \"" + fifo.text + "\" \n");
}
#endif

TEST_F(enc_zoom, the_message_buffer_is_never_overrun) {
    const std::string path = write(cal, "t\n0 0.5\n1;2\n");
    char small[40];
    std::memset(small, 'x', sizeof small);
    int32_t count = 0;
    sys_zoom_cal_pair* pairs = nullptr;
    EXPECT_EQ(enc_zoom_read_cal_file(path.c_str(), &count, &pairs, small, 20), ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE);
    EXPECT_EQ(std::strlen(small), 19u);
    EXPECT_EQ(small[20], 'x');
    EXPECT_EQ(enc_zoom_read_cal_file(path.c_str(), &count, &pairs, nullptr, 0), ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE);
    EXPECT_EQ(enc_zoom_read_cal_file((path + ".none").c_str(), &count, &pairs, nullptr, 0),
              ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE);
}

TEST_F(enc_zoom, an_unchanged_file_is_read_once) {
    write(cal, "t\n0 0.5\n10 1\n");
    // Whole seconds apart: some file systems and runtimes set times in seconds.
    const auto base = std::filesystem::last_write_time(cal.path);
    sys_enc_zoom_state& state = info.encZoomCal;
    ASSERT_EQ(enc_zoom_load_cal(&state, cal.text.c_str(), message, sizeof message), NO_ERROR);
    EXPECT_EQ(state.count, 2);
    EXPECT_EQ(printed.printed(), "ORVO encoded zoom calibration data loaded from file " + cal.text + "\n");
    print_capture::text().clear();
    ASSERT_EQ(enc_zoom_load_cal(&state, cal.text.c_str(), message, sizeof message), NO_ERROR);
    EXPECT_EQ(printed.printed(), "");  // not read again

    // A new modification time makes the next load read it again.
    write(cal, "t\n0 0.5\n10 1\n20 2\n");
    std::filesystem::last_write_time(cal.path, base + std::chrono::seconds(10));
    ASSERT_EQ(enc_zoom_load_cal(&state, cal.text.c_str(), message, sizeof message), NO_ERROR);
    EXPECT_EQ(state.count, 3);

    // A bad file releases the table and the remembered path.
    write(cal, "t\n");
    std::filesystem::last_write_time(cal.path, base + std::chrono::seconds(20));
    EXPECT_EQ(enc_zoom_load_cal(&state, cal.text.c_str(), message, sizeof message),
              ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE);
    EXPECT_EQ(state.count, 0);
    EXPECT_EQ(state.path, nullptr);

    EXPECT_EQ(enc_zoom_load_cal(&state, (cal.text + ".none").c_str(), message, sizeof message),
              ERR_ORVO_ENC_ZOOM_CANT_OPEN_CAL_FILE);
    EXPECT_EQ(std::string(message),
              " Cannot access ORVO encoded zoom magnification calibration file \"" + cal.text + ".none\" \n");
}

TEST_F(enc_zoom, set_up_from_the_call_log) {
    connect_bridge();
    sim_can_add_node(64, 0, 4, 3);
    info.encZoom.config = 1;
    info.encZoom.progLim[0] = -100;
    info.encZoom.progLim[1] = 5000;
    info.encZoom.backlash = 12;
    std::snprintf(info.encZoom.calFile, sizeof info.encZoom.calFile, "%s.none", cal.text.c_str());
    // A missing calibration file still gives a successful set-up.
    EXPECT_EQ(orvo_enc_zoom_set_backlash(&info), NO_ERROR);
    EXPECT_EQ(can_test_log(), (std::vector<std::string>{
                                  "CAN_SDORead 64 0x1018 3 4", "CAN_SDOWrite 64 0x2002 0 1 3",
                                  "CAN_SDOWrite 64 0x607D 1 4 4294967196", "CAN_SDOWrite 64 0x607D 2 4 5000",
                                  "CAN_SDOWrite 64 0x2019 0 4 12"}));

    info.encZoom.config = 0;
    sim_can_clear_log();
    EXPECT_EQ(orvo_enc_zoom_set_backlash(&info), NO_ERROR);
    EXPECT_TRUE(can_test_log().empty());
}

TEST_F(enc_zoom, old_firmware_is_refused) {
    connect_bridge();
    sim_can_add_node(64, 0, 4, 2);
    info.encZoom.config = 1;
    EXPECT_EQ(orvo_enc_zoom_set_backlash(&info), ERR_ORVO_ENC_ZOOM_FIRMWARE_VERSION_OLD);
    EXPECT_EQ(printed.printed(),
              "ORVO encoded zoom firmware version 4.2 is old; version 4.3 or later is required\n");
    sim_can_add_node(64, 0, 5, 0);
    EXPECT_EQ(enc_zoom_check_firmware(&info), NO_ERROR);
}

TEST_F(enc_zoom, a_bad_calibration_file_fails_the_set_up) {
    connect_bridge();
    sim_can_add_node(64, 0, 4, 3);
    info.encZoom.config = 1;
    write(cal, "t\n");
    std::snprintf(info.encZoom.calFile, sizeof info.encZoom.calFile, "%s", cal.text.c_str());
    EXPECT_EQ(orvo_enc_zoom_set_backlash(&info), ERR_ORVO_ENC_ZOOM_INVALID_CAL_FILE);
}

}  // namespace
