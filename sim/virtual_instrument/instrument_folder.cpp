#include "sim/virtual_instrument/instrument_folder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "acquisition/acquisition.h"
#include "errors/errors.h"
#include "instrument/instrument.h"
#include "platform/environment.h"
#include "ramps/ramps.h"
#include "sim/can_library/can_sim.h"
#include "sim/scanner/scan_state.h"
#include "tools/ramp_generator/ramp_generator.h"
#include "util/util.h"

namespace vi {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kPifocSerial = 12345;
constexpr int32_t kPztSerial = 23456;
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
    info.ramps.pztSerial = kPztSerial;  // the PMI ramps need one
    const fs::path path = cfg / u_cal_file_name(0);
    const int32_t err = sys_cal_write(path.string().c_str(), 0, &info);
    if (err != NO_ERROR) *error = "cannot write " + path.string() + ": " + u_err_name(err);
    return err == NO_ERROR;
}

// The ramps of the folder, made for the simulated scanner and camera
// (sim/scanner/ramp_scan.h): 1 kHz samples and a 25 Hz camera, so 40
// samples a frame; the triggered part moves the scanner by rampSlope nm a
// frame, a quarter (or an eighth) of a fringe of the ramp type's source.
struct folder_ramp {
    int32_t type;
    int32_t buckets;  // camera frames of the triggered part
    double counts;    // scanner counts a frame
    float slope;      // nm a frame
    float fringes;    // fringes a frame
    float scan_len;   // um; 0 for PMI ramps
    float obj_mag;
};

constexpr int32_t kSamplesPerFrame = 40;
constexpr int32_t kLeadSamples = 200;  // before and after the triggered part
constexpr int32_t kOffset = 32768;

// nBuckets x slope is the scan length of a scanning ramp.
constexpr int32_t buckets_for(float scan_um, float slope_nm) {
    const double frames = scan_um * 1000.0 / slope_nm;
    const int32_t whole = static_cast<int32_t>(frames);
    return whole < frames ? whole + 1 : whole;
}

// PMI: the PZT, 1000 counts (79.1 nm, a quarter fringe of 632.8 nm) or 500 a
// frame. SWLI and BTW: the PIFOC, 100 counts (81 nm) a frame.
constexpr folder_ramp kFolderRamps[] = {
    {RR_RAMP_PMI, 5, 1000, 79.1f, 0.25f, 0, 0},
    {RR_RAMP_PMI, 13, 500, 39.55f, 0.125f, 0, 0},
    {RR_RAMP_SWLI, buckets_for(10, 81), 100, 81, 0.25f, 10, 0},
    {RR_RAMP_SWLI, buckets_for(20, 81), 100, 81, 0.25f, 20, 0},
    {RR_RAMP_BTW, buckets_for(10, 81), 100, 81, 0.25f, 10, 10},
};

rampgen::ramp make_folder_ramp(const folder_ramp& r, int32_t id, int32_t board_type) {
    const int32_t span = r.buckets * kSamplesPerFrame;
    const double half = r.counts * r.buckets / 2;
    rampgen::options o;
    o.type = r.type;
    o.points = span + 2 * kLeadSamples;
    o.trig_start = kLeadSamples;
    o.trig_end = kLeadSamples + span;
    o.offset = kOffset;
    o.low = static_cast<uint16_t>(kOffset - half);
    o.high = static_cast<uint16_t>(kOffset + half);
    o.scan_len = r.scan_len;
    o.camera_rate = 25;
    o.sample_clk = 1;
    o.ramp_slope = r.slope;
    o.fringes = r.fringes;
    o.obj_mag = r.obj_mag;
    o.scan_cal = r.type == RR_RAMP_PMI ? 0 : 1;
    o.n_buckets = r.buckets;
    o.pzt_id = r.type == RR_RAMP_PMI ? kPztSerial : kPifocSerial;
    o.polar = r.type == RR_RAMP_PMI ? 'p' : 'b';
    o.board = board_type;
    rampgen::ramp ramp = rampgen::make_ramp(o);
    ramp.hdr.rampID = id;
    return ramp;
}

// The ramps, named as the library names them, and the configuration file
// that lists them.
bool write_ramps(const fs::path& ramps, int32_t board_type, std::string* error) {
    constexpr int32_t count = static_cast<int32_t>(std::size(kFolderRamps));
    rr_ramp_cfg_t specs[count]{};
    for (int32_t i = 0; i < count; ++i) {
        const rampgen::ramp ramp = make_folder_ramp(kFolderRamps[i], i + 1, board_type);
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
    if (rr_write_ramp_cfg(config.string().c_str(), specs, count) != NO_ERROR) {
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
    text += "node 127 0x00007F01 1 0\n";  // the bridge's ramp generator and triggers
    if (opts.fault == fault_kind::no_scan) text += "no_scan\n";
    if (opts.fault == fault_kind::trigger_fail) text += "abort 127 2010 5 06090030\n";
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
    env->variables.emplace_back(sim::SIM_SCAN_FILE_ENV, (root / kScanFile).string());
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
