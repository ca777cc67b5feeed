// bench_instrument_measure: the whole measurement, as a user runs it:
// virtual-instrument with a surface, instrument-measure under it, for each
// ramp type.
//
//   bench_instrument_measure [--virtual-instrument PATH] [--instrument-measure PATH]
//                            [--kind K] [--size WxH] [--reps N]
//
// Each run brings the simulated instrument up, switches it on, scans, grabs,
// computes the surface and writes the data file, then switches off and
// stops the simulators. The camera delivers each frame as soon as the scan
// makes it (--speed 100000), so the figures are the software's own time,
// not the scan's: the real scan time at the ramps' 25 Hz is printed beside
// them. The programs default to those of this build tree.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/program_timing.h"

namespace {

struct ramp_case {
    const char* name;
    std::vector<std::string> args;
    int frames;
};

const ramp_case kCases[] = {
    {"PMI, 5 frames", {"--type", "pmi", "--buckets", "5"}, 5},
    {"PMI, 13 frames", {"--type", "pmi", "--buckets", "13"}, 13},
    {"SWLI, 10 um (123 frames)", {"--type", "swli", "--scan", "10"}, 123},
    {"SWLI, 20 um (246 frames)", {"--type", "swli", "--scan", "20"}, 246},
};

constexpr double kCameraRate = 25;  // Hz, the ramps of the virtual instrument

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt{
        {"--virtual-instrument", bench::build_program(argv[0], "sim/virtual_instrument/virtual-instrument")},
        {"--instrument-measure", bench::build_program(argv[0], "examples/instrument_measure/instrument-measure")},
        {"--kind", "uz2"},
        {"--size", "640x480"},
        {"--reps", "3"}};
    if (!bench::parse_options(argc, argv, opt)) return 2;
    const int reps = bench::positive(opt["--reps"], 3);
    if (!bench::programs_exist(argv[0], opt, {"--virtual-instrument", "--instrument-measure"})) return 2;

    const bench::scratch_dir scratch("bench_instrument_measure");
    std::printf("virtual-instrument --kind %s --size %s, instrument-measure, %d runs each\n",
                opt["--kind"].c_str(), opt["--size"].c_str(), reps);
    for (const ramp_case& c : kCases) {
        const std::string out = (scratch.path() / "m.dat").string();
        std::vector<std::string> args = {opt["--virtual-instrument"], "--kind", opt["--kind"], "--size",
                                         opt["--size"], "--speed", "100000", "--then",
                                         opt["--instrument-measure"], "--force", "--out", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        bench::timing t;
        if (!bench::time_runs(reps, [&args] { return bench::run_ok(args); }, t)) return 1;
        char label[96];
        std::snprintf(label, sizeof label, "%s (scan %.1f s at 25 Hz)", c.name, c.frames / kCameraRate);
        bench::report(label, t);
    }
    return 0;
}
