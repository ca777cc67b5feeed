// What the ramp tests share: ramps and spec lists that release themselves,
// a failing allocation hook, and reading a configuration text.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "ramps/ramps.h"
#include "support/print_capture.h"
#include "support/temp_file.h"

// The title and the description block of the configuration file, as the
// reader shows them (line feeds) and the writer writes them (CR LF).
inline const std::string kCfgTitle = "# Kalvetra Ramp Configuration File\n";
inline const std::string kCfgDescription =
    "#\n"
    "# RT  = RampType: PMI, SWLI, BTW, or BTWX where X is a filter number\n"
    "# FN  = FileName: name of ramp data file or \"+\" if derived from previous\n"
    "# SL  = ScanLen: scan length in microns for SWLI or BTW ramps\n"
    "# CR  = CameraRate: frame rate in Hz\n"
    "# CI  = CameraInterlace: 1 if interlaced fields, otherwise 0\n"
    "# GS  = GrabSkip: (GrabSkip+1 specifies camera frame sampling)\n"
    "# FPF = FringesPerFrame: normal 0.125 or 0.25, subnyquist 0.75 or 1.25\n"
    "# RS  = RampSlope: nm/frm for SWLI or BTW ramps\n"
    "# OM  = ObjMag: nominal objective magnification, required for BTW ramps\n"
    "# SC  = ScanCal: factor near 1.0 to calibrate SWLI or BTW ramps\n"
    "# H   = Optional hide flag: 0 is normal, 1 to hide ramp from user\n"
    "#\n"
    "# RT    FN                     SL    CR   CI GS  FPF    RS       OM   SC      H\n";

inline std::string with_crlf(const std::string& text) {
    std::string out;
    for (const char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// The names in the folder that holds the file: a failed write leaves no
// other behind.
inline std::vector<std::string> folder_names(const temp_file& file) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(file.path.parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A ramp record that releases its samples.
struct owned_ramp {
    rr_ramp_t ramp;
    owned_ramp() { rr_init_ramp(&ramp); }
    ~owned_ramp() { rr_release_ramp(&ramp); }
    owned_ramp(const owned_ramp&) = delete;
    owned_ramp& operator=(const owned_ramp&) = delete;
};

// A spec list as rr_read_ramp_cfg hands it over.
struct spec_list {
    rr_ramp_cfg_t* entries = nullptr;
    int32_t count = -1;
    ~spec_list() { gl_FreeFunc(entries); }
    spec_list() = default;
    spec_list(const spec_list&) = delete;
    spec_list& operator=(const spec_list&) = delete;
};

// Two specs hold the same values: numbers bit for bit, the file name up to
// its terminator (padding between fields is not compared).
inline bool same_spec(const rr_ramp_cfg_t& a, const rr_ramp_cfg_t& b) {
    const auto same_float = [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return a.rampType == b.rampType && a.wavelenSelect == b.wavelenSelect &&
           std::strncmp(a.fileName, b.fileName, sizeof a.fileName) == 0 &&
           same_float(a.scanLen, b.scanLen) && same_float(a.cameraRate, b.cameraRate) &&
           a.cameraInterlace == b.cameraInterlace && a.grabSkip == b.grabSkip &&
           same_float(a.fringesPerFrame, b.fringesPerFrame) &&
           same_float(a.rampSlope, b.rampSlope) && same_float(a.objMag, b.objMag) &&
           same_float(a.scanCal, b.scanCal) && a.hide == b.hide;
}

// A spec as the writer's file gives it back: the same but for its reals, of
// which each is either exact or the value of its column's fixed digits
// ("%.{precision}f", the precisions of the columns in order).
inline bool reads_back_as_written(const rr_ramp_cfg_t& written, const rr_ramp_cfg_t& back) {
    const auto column = [](float value, float read, int precision) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", precision, static_cast<double>(value));
        const auto fixed = static_cast<float>(std::strtod(text, nullptr));
        return std::memcmp(&read, &value, sizeof read) == 0 ||
               std::memcmp(&read, &fixed, sizeof read) == 0;
    };
    rr_ramp_cfg_t same_reals = back;
    same_reals.scanLen = written.scanLen;
    same_reals.cameraRate = written.cameraRate;
    same_reals.fringesPerFrame = written.fringesPerFrame;
    same_reals.rampSlope = written.rampSlope;
    same_reals.objMag = written.objMag;
    same_reals.scanCal = written.scanCal;
    return same_spec(written, same_reals) && column(written.scanLen, back.scanLen, 2) &&
           column(written.cameraRate, back.cameraRate, 2) &&
           column(written.fringesPerFrame, back.fringesPerFrame, 3) &&
           column(written.rampSlope, back.rampSlope, 4) && column(written.objMag, back.objMag, 2) &&
           column(written.scanCal, back.scanCal, 5);
}

// The outcome of reading a configuration text from a file.
struct cfg_read {
    int32_t err = NO_ERROR;
    spec_list specs;
    std::string printed;
};

inline void read_cfg_file(const temp_file& file, cfg_read* result) {
    print_capture capture;
    result->err = rr_read_ramp_cfg(file.c_str(), &result->specs.entries, &result->specs.count);
    result->printed = capture.printed();
}

// Every allocation through the hooks fails while one of these lives.
class failing_allocations {
  public:
    failing_allocations()
        : malloc_(gl_MallocFunc), realloc_(gl_ReallocFunc) {
        gl_MallocFunc = [](size_t) -> void* { return nullptr; };
        gl_ReallocFunc = [](void*, size_t) -> void* { return nullptr; };
    }
    ~failing_allocations() {
        gl_MallocFunc = malloc_;
        gl_ReallocFunc = realloc_;
    }
    failing_allocations(const failing_allocations&) = delete;
    failing_allocations& operator=(const failing_allocations&) = delete;

  private:
    void* (*malloc_)(size_t);
    void* (*realloc_)(void*, size_t);
};
