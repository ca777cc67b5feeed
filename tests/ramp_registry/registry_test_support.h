// What the registry tests share: the process's ramps directory (a scratch
// folder set through MB_RAMPS_DIR before anything asks for it), ramp and
// configuration files written there, and an instrument record set up for
// a load and released after it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "instrument/instrument.h"
#include "platform/environment.h"
#include "ramps/ramps.h"
#include "support/process_directory.h"
#include "tools/ramp_generator/ramp_generator.h"
#include "util/util.h"

namespace registry_test {

inline constexpr int32_t kPifoc = 12345;
inline constexpr int32_t kPzt = 999;

// The ramps directory of this process, emptied of files by each test.
struct ramps_folder : process_directory {
    ramps_folder() : process_directory("MB_RAMPS_DIR", "gridtext-registry-") {}
};

inline const ramps_folder& folder() {
    static const ramps_folder instance;
    return instance;
}

inline void write_ramp(const std::string& name, const rampgen::ramp& ramp) {
    const std::string path = (folder().dir / name).string();
    ASSERT_EQ(rr_write_ramp_file(path.c_str(), &ramp.hdr, ramp.points.data()), NO_ERROR) << name;
}

inline void write_text(const std::string& name, const std::string& text) {
    std::FILE* file = std::fopen((folder().dir / name).string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// A SWLI ramp for the PIFOC with this scan length and ramp ID.
inline rampgen::ramp swli_ramp(float scan_len, int32_t id = 7) {
    rampgen::ramp ramp = rampgen::make_ramp({.scan_len = scan_len});
    ramp.hdr.rampID = id;
    return ramp;
}

// A PMI-family ramp of 7 buckets for the PZT.
inline rampgen::ramp pmi_ramp(int32_t type) {
    return rampgen::make_ramp({.type = type, .scan_len = 0, .n_buckets = 7, .pzt_id = kPzt});
}

// A configuration line: type, file name, then the values of swli_ramp.
inline std::string spec(const std::string& type, const std::string& file, float scan_len = 10) {
    char line[256];
    std::snprintf(line, sizeof line, " %s %s %g 25 0 0 0.25 81 0 1 0\n", type.c_str(),
                  file.c_str(), static_cast<double>(scan_len));
    return line;
}

// An instrument record with both scanners, on a board without slots.
inline void set_up_record(sys_info* info, int32_t board = INSTR_BD_NOT_SERIAL) {
    info->initialised = 1;
    info->instrBdType = board;
    info->ramps.pifocSerial = kPifoc;
    info->ramps.pztSerial = kPzt;
    info->ramps.configFile[0] = '\0';
}

inline std::vector<std::string> ramp_names(const sys_info& info) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < info.ramps.rampCount; ++i) names.push_back(info.ramps.rampTable[i].name);
    return names;
}

}  // namespace registry_test
