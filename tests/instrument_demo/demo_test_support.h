// What the instrument demo tests share: the process's configuration folder
// (a scratch folder named by MB_CONFIG_DIR before anything asks for it, with
// its ramps folder), calibration and ramp files written there, and a demo
// session whose transcript goes to a scratch file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "can/can.h"
#include "device/device.h"
#include "instrument/instrument.h"
#include "instrument_session.h"
#include "platform/environment.h"
#include "ramps/ramps.h"
#include "support/process_directory.h"
#include "support/temp_file.h"
#include "tools/ramp_generator/ramp_generator.h"
#include "util/util.h"

namespace demo_test {

inline constexpr int32_t kPifoc = 12345;

// The configuration directory of this process and of the demos it starts,
// with the ramps folder in it.
struct config_folder : process_directory {
    config_folder() : process_directory("MB_CONFIG_DIR", "gridtext-demo-") {
        plat::set_environment("MB_RAMPS_DIR", nullptr);
        plat::set_environment(RR_KEEP_RAMPS_ENV, nullptr);
        std::filesystem::create_directories(dir / "ramps");
    }
    // Every file of the folder goes; the ramps folder stays, empty.
    void clear() const {
        process_directory::clear();
        std::filesystem::create_directories(dir / "ramps");
    }
};

inline const config_folder& folder() {
    static const config_folder instance;
    return instance;
}

// The default calibration file of system 0 in the configuration folder.
inline std::string default_cal_path() {
    return (folder().dir / u_cal_file_name(0)).string();
}

// A record of an instrument with a PIFOC whose ramps use the default
// configuration file name, on the given board and system type.
inline sys_info instrument(int32_t board, int32_t system_type) {
    sys_info info;
    sys_info_clear(&info);
    info.initialised = 1;
    info.instrBdType = board;
    info.systemType = system_type;
    info.ramps.pifocSerial = kPifoc;
    return info;
}

inline void set_port(sys_serial_line* line, const char* port_name) {
    std::snprintf(line->portName, sizeof line->portName, "%s", port_name);
}

inline void write_cal_file(const sys_info& info, const std::string& path = default_cal_path()) {
    ASSERT_EQ(sys_cal_write(path.c_str(), 0, &info), NO_ERROR);
}

// Two SWLI ramps for the PIFOC in the ramps folder, found by the directory
// scan (no ramp configuration file is written).
inline void write_ramps() {
    for (const float scan_len : {10.0f, 20.0f}) {
        const rampgen::ramp ramp = rampgen::make_ramp({.scan_len = scan_len, .pzt_id = kPifoc});
        const std::string name =
            "d" + std::to_string(static_cast<int>(scan_len)) + "s81c25.b" + std::to_string(kPifoc);
        const std::string path = (folder().dir / "ramps" / name).string();
        ASSERT_EQ(rr_write_ramp_file(path.c_str(), &ramp.hdr, ramp.points.data()), NO_ERROR);
    }
}

// True when nothing the demo opens is left open.
inline ::testing::AssertionResult all_switched_off(const sys_info& info) {
    if (info.board.line.portHandle != plat::kInvalidPort)
        return ::testing::AssertionFailure() << "board line open";
    if (info.waveMonitor.line.portHandle != plat::kInvalidPort)
        return ::testing::AssertionFailure() << "wave monitor line open";
    if (info.tempSensor.line.portHandle != plat::kInvalidPort)
        return ::testing::AssertionFailure() << "temperature sensor line open";
    if (info.ramps.rampTable != nullptr) return ::testing::AssertionFailure() << "ramp table kept";
    if (can_inst_current() != nullptr) return ::testing::AssertionFailure() << "CAN instrument on";
    if (dev_cntrl().initialised != 0 || dev_cntrl().thread != nullptr)
        return ::testing::AssertionFailure() << "device manager running";
    for (const dev_info& entry : gl_DevInfo) {
        if (entry.status != DEV_FREE)
            return ::testing::AssertionFailure() << "device table entry in use";
    }
    return ::testing::AssertionSuccess();
}

// A demo session on record 0 whose transcript goes to a scratch file.
class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        folder().clear();
        sys_info_clear(info());
        out_ = std::fopen(transcript_file_.c_str(), "w+b");
        ASSERT_NE(out_, nullptr);
        session_ = demo_session{out_, info(), nullptr};
    }
    void TearDown() override {
        if (out_ == nullptr) return;  // skipped before the session began
        demo_switch_off(session_);
        std::fclose(out_);
        sys_info_clear(info());
        folder().clear();
    }

    static sys_info* info() { return &gl_SysInfo[0]; }
    demo_session& session() { return session_; }

    // The transcript written since the last call.
    std::string transcript() {
        std::fflush(out_);
        std::string text = transcript_file_.read().substr(read_);
        read_ += text.size();
        return text;
    }

  private:
    temp_file transcript_file_{"transcript.txt"};
    std::FILE* out_ = nullptr;
    size_t read_ = 0;
    demo_session session_{};
};

}  // namespace demo_test
