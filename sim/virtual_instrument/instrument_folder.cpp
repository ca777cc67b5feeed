#include "sim/virtual_instrument/instrument_folder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "acquisition/acquisition.h"
#include "errors/errors.h"
#include "instrument/instrument.h"
#include "platform/environment.h"
#include "ramps/ramps.h"
#include "sim/can_library/can_sim.h"
#include "tools/ramp_generator/ramp_generator.h"
#include "util/util.h"

namespace vi {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kPifocSerial = 12345;
constexpr uint8_t kBridgeMac[SYS_MAC_SIZE] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
constexpr const char* kBridgeLine = "bridge 00:1A:2B:3C:4D:5E 192.168.10.20";
constexpr const char* kRampConfig = "rampcfg.txt";

bool write_text(const fs::path& path, const std::string& text, std::string* error) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    const bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && std::fclose(file) != 0) return false;
    if (!written) *error = "cannot write " + path.string();
    return written;
}

void copy_port(char* destination, const std::string& path) {
    std::snprintf(destination, SYS_PORT_NAME_LEN, "%s", path.c_str());
}

bool write_calibration_file(const fs::path& cfg, const options& opts, const device_ports& ports,
                            std::string* error) {
    static sys_info info;  // large: kept off the stack
    sys_info_clear(&info);
    info.initialised = 1;
    info.instrBdType = opts.board_type;
    info.systemType = effective_system_type(opts);
    copy_port(info.board.line.portName, ports.board);
    copy_port(info.waveMonitor.line.portName, ports.wave_monitor);
    info.waveMonitor.clValue = 0.5;
    info.waveMonitor.systemGain = 2.5f;
    info.tempSensor.enabled = ports.temp_sensor.empty() ? 0 : 1;
    copy_port(info.tempSensor.line.portName, ports.temp_sensor);
    if (opts.board_type == INSTR_BD_CAN) std::memcpy(info.can.bridge.macAddress, kBridgeMac, SYS_MAC_SIZE);
    std::snprintf(info.ramps.configFile, SYS_FILE_NAME_LEN, "%s", kRampConfig);
    info.ramps.pifocSerial = kPifocSerial;
    const fs::path path = cfg / u_cal_file_name(0);
    const int32_t err = sys_cal_write(path.string().c_str(), 0, &info);
    if (err != NO_ERROR) *error = "cannot write " + path.string() + ": " + u_err_name(err);
    return err == NO_ERROR;
}

// Two SWLI ramps for the PIFOC of the board, named as the library names
// them, and the configuration file that lists them.
bool write_ramps(const fs::path& ramps, int32_t board_type, std::string* error) {
    rr_ramp_cfg_t specs[2]{};
    const float scan_lengths[2] = {10, 20};
    for (int i = 0; i < 2; ++i) {
        const rampgen::ramp ramp =
            rampgen::make_ramp({.scan_len = scan_lengths[i], .pzt_id = kPifocSerial, .board = board_type});
        const char* name = nullptr;
        if (rr_get_std_ramp_filename(&ramp.hdr, &name) != NO_ERROR) {
            *error = "no file name for a ramp";
            return false;
        }
        const std::string file_name = name;
        const fs::path path = ramps / file_name;
        if (rr_write_ramp_file(path.string().c_str(), &ramp.hdr, ramp.points.data()) != NO_ERROR ||
            rr_parse_ramp_spec(rampgen::spec_line(ramp, file_name).c_str(), &specs[i]) != NO_ERROR) {
            *error = "cannot write the ramp " + path.string();
            return false;
        }
    }
    const fs::path config = ramps / kRampConfig;
    if (rr_write_ramp_cfg(config.string().c_str(), specs, 2) != NO_ERROR) {
        *error = "cannot write " + config.string();
        return false;
    }
    return true;
}

bool write_can_description(const fs::path& dir, const options& opts, folder_environment* env,
                           std::string* error) {
    const fs::path log = dir / "can.log";
    if (!write_text(log, "", error)) return false;
    std::string text = "# The CAN instrument of virtual-instrument\n";
    if (opts.fault != fault_kind::no_bridge) text += std::string(kBridgeLine) + "\n";
    text += "firmware 2 7\n";
    text += "node 63 0x00003F01 1 2\n";
    text += "log " + log.string() + "\n";
    const fs::path description = dir / "can_instrument.txt";
    if (!write_text(description, text, error)) return false;
    env->variables.emplace_back(CAN_SIM_INSTRUMENT_ENV, description.string());
    env->can_log = log.string();
    return true;
}

}  // namespace

bool write_instrument_folder(const std::string& dir, const options& opts,
                             const device_ports& ports, folder_environment* env,
                             std::string* error) {
    const fs::path root(dir);
    const fs::path cfg = root / "cfg";
    const fs::path ramps = cfg / "ramps";
    const fs::path windows = root / "windows";
    std::error_code failed;
    fs::create_directories(ramps, failed);
    if (!failed) fs::create_directories(windows, failed);
    if (failed) {
        *error = "cannot make the folders in " + dir + ": " + failed.message();
        return false;
    }
    env->variables.emplace_back("MB_CONFIG_DIR", cfg.string());
    if (!write_calibration_file(cfg, opts, ports, error)) return false;
    if (!write_ramps(ramps, opts.board_type, error)) return false;
    const std::string ini = std::string("[ACQDEVICE1]\nMODULE=") + ACQ_LD_DEFAULT_MODULE + "\n";
    if (!write_text(windows / ACQ_INI_FILE, ini, error)) return false;
#if !defined(_WIN32)
    // The binding reads the INI file from the Windows folder; Windows names
    // its own, which must stay.
    env->variables.emplace_back("SystemRoot", windows.string());
#endif
    if (opts.board_type == INSTR_BD_CAN && !write_can_description(root, opts, env, error)) return false;
    return true;
}

}  // namespace vi
