// Seeds of the ramp fuzz targets: configuration files with every type,
// comments, CR LF ends, derived ramp configurations and a few rejected lines; ramp files
// of each type, without samples, cut short and with trailing bytes; and
// configuration lines before ramp files for the derivation.
#include "fuzz/ramp_seeds.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tools/ramp_generator/ramp_generator.h"

namespace {

namespace fs = std::filesystem;

bool write_bytes(const fs::path& path, const std::string& bytes) {
    FILE* const file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string as_text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<rampgen::ramp> sample_ramps() {
    std::vector<rampgen::ramp> ramps;
    ramps.push_back(rampgen::make_ramp({}));
    ramps.push_back(rampgen::make_ramp({.points = 40, .trig_start = 5, .trig_end = 36,
                                        .rising = false}));
    ramps.push_back(rampgen::make_ramp({.type = RR_RAMP_BTW, .points = 64, .trig_start = 4,
                                        .trig_end = 64, .obj_mag = 20, .wavelen = 2}));
    ramps.push_back(rampgen::make_ramp({.type = 3, .points = 30, .trig_start = 0, .trig_end = 30,
                                        .scan_len = 0, .ramp_slope = 0, .n_buckets = 7}));
    ramps.push_back(rampgen::make_ramp({.points = 0, .trig_start = 0, .trig_end = 0}));
    ramps.push_back(rampgen::make_ramp({.points = 12, .trig_start = 2, .trig_end = 10,
                                        .offset = 100, .low = 110, .high = 200,
                                        .comp_filter = 1}));
    return ramps;
}

const char* const kCfgSeeds[] = {
    " SWLI d10s81c25.b12345      010.20 025.00 00 00 0.250 081.0000 000.00 1.00000 0\r\n",
    "# Kalvetra Ramp Configuration File\r\n#\r\n\r\n"
    " SWLI d10s81c25.b*          10.00  25.00  0  0 0.250  81.0000   0.00 1.00000 0\r\n"
    " SWLI +                      5.00  25.00  0  0 0.250  81.0000   0.00 1.00000 1\r\n"
    " BTW2 +                      5.00  25.00  0  0 0.250  81.0000  20.00 1.00000 0\r\n\r\n"
    " PMI  p7c30.p*                0.00  30.00  0  0 0.250   0.0000   0.00 0.00000 0\r\n",
    "BTW d5 5.5 30 1 2 0.125 40.5 20 0.9 1\nPMI p 0 60 0 3 0.25 0 0 0 # c\n",
    "SWLI a 0x1p3 25 0 0 .25 81 0 1.4999\nSWLI b 1e-3 49999.99 1 99 9.99 3999 999 0.5001\n",
    "SWLI bad 1000 25 0 0 0.25 81 0 1\nBTW9 x\nSWLI ok 10 25 0 0 0.25 81 0 1\n",
    "# only a comment\n",
};

}  // namespace

bool write_ramp_seeds(const fs::path& folder, int* count) {
    const fs::path cfg_dir = folder / "read_ramp_cfg";
    const fs::path file_dir = folder / "read_ramp_file";
    const fs::path derive_dir = folder / "derive_ramp";
    std::error_code ec;
    for (const fs::path& dir : {cfg_dir, file_dir, derive_dir}) fs::create_directories(dir, ec);
    if (ec) return false;

    bool ok = true;
    int n = 0;
    for (const char* text : kCfgSeeds) {
        ok = ok && write_bytes(cfg_dir / ("cfg" + std::to_string(n++)), text);
    }
    const std::vector<rampgen::ramp> ramps = sample_ramps();
    for (size_t i = 0; i < ramps.size(); ++i) {
        const std::string bytes = as_text(rampgen::file_bytes(ramps[i]));
        const std::string name = "ramp" + std::to_string(i);
        ok = ok && write_bytes(file_dir / name, bytes);
        ok = ok && write_bytes(file_dir / (name + "_cut"), bytes.substr(0, bytes.size() * 3 / 4));
        ok = ok && write_bytes(file_dir / (name + "_trailing"), bytes + "trailing");
        n += 3;
        for (const char* scan : {"5", "10", "0.5"}) {
            const std::string line = "SWLI + " + std::string(scan) + " 25 0 0 0.25 81 0 1\n";
            ok = ok && write_bytes(derive_dir / (name + "_scan" + scan), line + bytes);
            ++n;
        }
        ok = ok && write_bytes(derive_dir / (name + "_btw"),
                               "BTW3 + 2 50 0 1 0.5 162 20 1\n" + bytes);
        ++n;
    }
    *count += n;
    return ok;
}
