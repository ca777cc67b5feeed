// One whole measurement without hardware: virtual-instrument brings up a
// simulated instrument of each kind with a known surface, instrument-measure
// scans, grabs, computes and saves, and the saved heights are compared with
// the surface after piston and tilt are removed. The faults end the
// measurement with their error, everything switched off and no file
// written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "datafile/datafile.h"
#include "platform/child_process.h"
#include "sim/optics/surface_file.h"

namespace {

namespace fs = std::filesystem;

constexpr double kLaser = 632.8;        // nm, the PMI ramps' source
constexpr double kCoherence = 1200.0;   // nm, the broad-band source's coherence length

struct run {
    std::string dir;
    plat::process_result vi;   // virtual-instrument's status and live log
    std::string out;           // instrument-measure's transcript
    std::string err;           // its standard error (library messages)
};

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of the test's own, emptied first.
std::string fresh_folder(const std::string& name) {
    static const fs::path base =
        fs::temp_directory_path() / ("gridtext-measure-" + std::to_string(std::random_device{}()));
    const fs::path dir = base / name;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    fs::create_directories(base, ignored);
    return dir.string();
}

// virtual-instrument with vi_args, running instrument-measure --out DIR/m.dat
// with measure_args; stop (may be empty) is asked while they run.
run measure(const std::string& name, std::vector<std::string> vi_args, const std::vector<std::string>& measure_args,
            std::function<int(const std::string& dir)> stop = {}) {
    run r;
    r.dir = fresh_folder(name);
    std::vector<std::string> args = {VIRTUAL_INSTRUMENT_EXE, "--dir", r.dir};
    args.insert(args.end(), vi_args.begin(), vi_args.end());
    args.insert(args.end(), {"--then", INSTRUMENT_MEASURE_EXE, "--out", (fs::path(r.dir) / "m.dat").string()});
    args.insert(args.end(), measure_args.begin(), measure_args.end());
    // The acquisition system's named mutex is a lock file in the runtime
    // folder: each instrument gets a folder of its own, so that measurements
    // (and the acquisition tests) run side by side.
    plat::process_options how;
    how.environment.push_back("XDG_RUNTIME_DIR=" + r.dir);
    if (stop) how.stop_signal = [&stop, &r] { return stop(r.dir); };
    EXPECT_TRUE(plat::run_process(args, how, &r.vi));
    r.out = read_text(fs::path(r.dir) / "command.out");
    r.err = read_text(fs::path(r.dir) / "command.err");
    return r;
}

struct saved {
    int32_t err = -1;
    int32_t frames = 0;
    double rms_nm = -1;
    int64_t points = 0;
};

// The measurement's heights against the surface the camera saw.
saved compare(const run& r) {
    saved s;
    data_file_ident ident{};
    static data_file_params params;
    intens_matrix frames{};
    phase_matrix heights{};
    s.err = df_read_binary((fs::path(r.dir) / "m.dat").string(), &ident, &params, &frames, &heights);
    if (s.err != NO_ERROR) return s;
    s.frames = frames.n_buckets;
    optics::surface truth;
    std::string why;
    EXPECT_TRUE(optics::load_surface((fs::path(r.dir) / "surface.npy").string(), &truth, &why)) << why;
    EXPECT_EQ(truth.width, heights.window.width);
    EXPECT_EQ(truth.height, heights.window.height);
    if (truth.width == heights.window.width && truth.height == heights.window.height) {
        s.err = an_height_error(&heights, truth.height_nm.data(), &s.rms_nm, &s.points);
    }
    intens_matrix_free(&frames);
    phase_matrix_free(&heights);
    return s;
}

void print_figure(const std::string& what, const saved& s, double goal) {
    std::printf("[ figure   ] %-40s RMS %.4f nm over %lld points (goal below %.3f nm)\n", what.c_str(), s.rms_nm,
                static_cast<long long>(s.points), goal);
}

// A scene small enough to be quick, noise-free unless asked, the scan's
// frames as soon as they are made.
std::vector<std::string> scene(const std::string& kind, const std::string& surface, const std::string& noise) {
    return {"--kind", kind, "--surface", surface, "--size", "96x64", "--noise", noise, "--speed", "100000"};
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const char* const kKinds[] = {"uz1", "uz2", "nif", "ftp", "can"};

TEST(Measurement, PhaseShiftingRecoversTheSphereOnEveryKind) {
    for (const char* kind : kKinds) {
        SCOPED_TRACE(kind);
        const run r = measure(std::string("pmi-") + kind, scene(kind, "sphere", "0"), {"--type", "pmi"});
        ASSERT_EQ(r.vi.exit_code, 0) << r.out << r.err;
        EXPECT_TRUE(contains(r.out, "scan and grab: ok (5 frames of 96 x 64)")) << r.out;
        EXPECT_TRUE(contains(r.out, "switch off: ok")) << r.out;
        const saved s = compare(r);
        ASSERT_EQ(s.err, NO_ERROR);
        EXPECT_EQ(s.frames, 5);
        print_figure(std::string("PMI sphere, noise-free, ") + kind, s, kLaser / 1000);
        EXPECT_LT(s.rms_nm, kLaser / 1000);
        EXPECT_GT(s.points, 96 * 64 * 9 / 10);
    }
}

TEST(Measurement, CoherencePeakRecoversTheStepOnEveryKind) {
    for (const char* type : {"swli", "btw"}) {
        for (const char* kind : kKinds) {
            const std::string name = std::string(type) + "-" + kind;
            SCOPED_TRACE(name);
            const run r = measure(name, scene(kind, "step", "0"), {"--type", type, "--scan", "10"});
            ASSERT_EQ(r.vi.exit_code, 0) << r.out << r.err;
            const saved s = compare(r);
            ASSERT_EQ(s.err, NO_ERROR);
            print_figure(std::string(type) + " step, noise-free, " + kind, s, kCoherence / 100);
            EXPECT_LT(s.rms_nm, kCoherence / 100);
            EXPECT_GT(s.points, 96 * 64 * 9 / 10);
        }
    }
}

// The documented default noise of the camera, and the other ramps.
TEST(Measurement, DefaultNoiseBroadBandAndLongerRamps) {
    struct one_case {
        const char* name;
        std::vector<std::string> vi;
        std::vector<std::string> measure;
        double goal;
        int32_t frames;
    };
    const one_case cases[] = {
        {"PMI sphere, default noise, uz2", {"--kind", "uz2", "--size", "96x64", "--speed", "100000"}, {"--type", "pmi"},
         kLaser / 200, 5},
        {"PMI sphere, 13 frames, can", scene("can", "sphere", "0"), {"--type", "pmi", "--buckets", "13"}, kLaser / 1000,
         13},
        {"SWLI tilt, 20 um, default noise, ftp", {"--kind", "ftp", "--surface", "tilt", "--size", "96x64", "--speed",
                                                  "100000"},
         {"--type", "swli", "--scan", "20"}, kCoherence / 100, 0},
    };
    int n = 0;
    for (const one_case& c : cases) {
        SCOPED_TRACE(c.name);
        const run r = measure("more-" + std::to_string(n++), c.vi, c.measure);
        ASSERT_EQ(r.vi.exit_code, 0) << r.out << r.err;
        const saved s = compare(r);
        ASSERT_EQ(s.err, NO_ERROR);
        if (c.frames > 0) {
            EXPECT_EQ(s.frames, c.frames);
        }
        print_figure(c.name, s, c.goal);
        EXPECT_LT(s.rms_nm, c.goal);
    }
}

// A fault ends the measurement with its error; everything is switched off
// and no data file is left.
void expect_failed_cleanly(const run& r, const std::string& failed_line) {
    EXPECT_EQ(r.vi.exit_code, 1) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, failed_line)) << r.out;
    EXPECT_TRUE(contains(r.out, "switch off: ok")) << r.out;
    EXPECT_FALSE(fs::exists(fs::path(r.dir) / "m.dat"));
    for (const auto& entry : fs::directory_iterator(r.dir)) {
        const std::string file = entry.path().filename().string();
        EXPECT_EQ(file.find("m.dat"), std::string::npos) << "left behind: " << file;
    }
}

TEST(MeasurementFaults, ADroppedFrameIsALostFrame) {
    std::vector<std::string> args = scene("uz1", "sphere", "0");
    args.insert(args.end(), {"--fault", "drop-frame"});
    expect_failed_cleanly(measure("drop", args, {"--type", "pmi"}), "scan and grab: failed: ERR_LOST_FRAME");
}

TEST(MeasurementFaults, AFailingCanTriggerEndsTheGrab) {
    std::vector<std::string> args = scene("can", "sphere", "0");
    args.insert(args.end(), {"--fault", "trigger-fail"});
    expect_failed_cleanly(measure("trigger", args, {"--type", "pmi"}), "scan and grab: failed: ERR_CAN_SDO_RAMP_ERROR");
}

// The board takes the start but never scans: the camera waits out the
// library's frame time-out (10 s, which this one test keeps).
TEST(MeasurementFaults, ABoardThatNeverStartsTheRampTimesOut) {
    std::vector<std::string> args = scene("uz2", "sphere", "0");
    args.insert(args.end(), {"--fault", "no-scan"});
    expect_failed_cleanly(measure("no-scan", args, {"--type", "pmi"}), "scan and grab: failed: ERR_ACQ_TIMEOUT");
}

// A termination while the camera waits for the scan's frames: passed on to
// instrument-measure, whose abort hook ends the grab.
TEST(MeasurementFaults, AnAbortFromTheHostEndsTheGrab) {
    std::vector<std::string> args = {"--kind", "ftp", "--size", "96x64", "--speed", "1"};
    bool sent = false;
    const run r = measure("abort", args, {"--type", "swli", "--scan", "20"}, [&sent](const std::string& dir) {
        if (sent || !fs::exists(fs::path(dir) / "scan.txt")) return 0;
        sent = true;
        return SIGTERM;
    });
    EXPECT_TRUE(sent);
    EXPECT_TRUE(contains(r.out, "scan and grab: failed: ERR_SUNWELL_ABORTED")) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "switch off: ok")) << r.out;
    EXPECT_FALSE(fs::exists(fs::path(r.dir) / "m.dat"));
}

}  // namespace
