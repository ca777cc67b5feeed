// bench_gridtool_export: the phase map of a 2048 x 2048 file into numpy, by
// `gridtool export --to npy` against gridtext followed by numpy loading its
// ASCII output with the documented reader (docs/read_ascii_data_file.py).
//
//   bench_gridtool_export [--gridtool PATH] [--gridtext PATH] [--reader DIR]
//                         [--side N] [--reps N]
//
// Generates one binary data file of N x N (default 2048) with one intensity
// frame, then, --reps times (default 3) in turns: `gridtool export --to npy
// --force FILE OUT.npy`, and `gridtext -f FILE OUT.txt` followed by
// /usr/bin/python3 reading OUT.txt with read_ascii_data_file (each a process
// of its own, interpreter start and numpy import included, as a user pays
// them). Afterwards numpy checks that the .npy holds the reader's phase map
// as float64 with NaN at invalid points. Goal: export at least 50x faster
// (medians of the wall times). The programs default to those of this build
// tree, the reader to the source tree's docs/.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/program_timing.h"
#include "tools/generator/datafile_generator.h"

namespace {

constexpr double GOAL = 50.0;
const char* const PYTHON = "/usr/bin/python3";

// argv: reader folder, ASCII file.
const char* const NUMPY_LOAD =
    "import sys\n"
    "sys.path.insert(0, sys.argv[1])\n"
    "from read_ascii_data_file import read_ascii_data_file\n"
    "header, frames, phase = read_ascii_data_file(sys.argv[2])\n";

// argv: reader folder, ASCII file, .npy file; exit status 0 when they agree.
const char* const NUMPY_CHECK =
    "import sys\n"
    "import numpy as np\n"
    "sys.path.insert(0, sys.argv[1])\n"
    "from read_ascii_data_file import PHASE_INVALID, read_ascii_data_file\n"
    "header, frames, phase = read_ascii_data_file(sys.argv[2])\n"
    "expected = np.where(phase >= PHASE_INVALID, np.nan, phase)\n"
    "exported = np.load(sys.argv[3])\n"
    "same = exported.dtype == np.float64 and exported.shape == expected.shape and "
    "np.array_equal(exported, expected, equal_nan=True)\n"
    "print('npy %s %s, ASCII phase map %s' % (exported.dtype, exported.shape, expected.shape))\n"
    "sys.exit(0 if same else 1)\n";

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt{
        {"--gridtool", bench::build_program(argv[0], "app/gridtool/gridtool")},
        {"--gridtext", bench::build_program(argv[0], "app/gridtext")},
        {"--reader", GRIDTEXT_SOURCE_DIR "/docs"},
        {"--side", "2048"},
        {"--reps", "3"}};
    if (!bench::parse_options(argc, argv, opt)) return 2;
    const int side = bench::positive(opt["--side"], 2048);
    const int reps = bench::positive(opt["--reps"], 3);
    if (!bench::programs_exist(argv[0], opt, {"--gridtool", "--gridtext"})) return 2;
    if (!bench::run_ok({PYTHON, "-c", "import numpy"})) {
        std::fprintf(stderr, "%s: needs %s with numpy (Debian's python3-numpy)\n", argv[0], PYTHON);
        return 2;
    }
    if (side > INT16_MAX) {
        std::fprintf(stderr, "%s: --side is at most %d\n", argv[0], INT16_MAX);
        return 2;
    }

    const bench::scratch_dir scratch("bench_gridtool_export");
    const std::string input = (scratch.path() / "big.dat").string();
    const std::string npy = (scratch.path() / "big.npy").string();
    const std::string text = (scratch.path() / "big.txt").string();
    dfgen::options gen;
    gen.width = static_cast<int16_t>(side);
    gen.height = static_cast<int16_t>(side);
    gen.n_buckets = 1;
    if (dfgen::write_file(input.c_str(), dfgen::build_datafile(gen)) != NO_ERROR) {
        std::fprintf(stderr, "cannot write %s\n", input.c_str());
        return 1;
    }
    std::printf("one file of %d x %d with 1 intensity frame (%.1f MB), %d repetitions\n", side,
                side, static_cast<double>(std::filesystem::file_size(input)) / 1e6, reps);

    const std::vector<std::string> export_command{opt["--gridtool"], "export", "--to", "npy",
                                                  "--force",         "--",     input,  npy};
    const std::vector<std::string> convert_command{opt["--gridtext"], "-f", input, text};
    const std::vector<std::string> load_command{PYTHON, "-c", NUMPY_LOAD, opt["--reader"], text};

    bench::timing exported;
    bench::timing converted;
    bench::timing loaded;
    bench::timing converted_and_loaded;
    for (int rep = 0; rep < reps; ++rep) {
        if (!bench::time_runs(
                1, [&] { return bench::run_ok(export_command); }, exported) ||
            !bench::time_runs(
                1, [&] { return bench::run_ok(convert_command); }, converted) ||
            !bench::time_runs(
                1, [&] { return bench::run_ok(load_command); }, loaded)) {
            return 1;
        }
        converted_and_loaded.seconds.push_back(converted.seconds.back() + loaded.seconds.back());
    }

    bench::report("gridtool export --to npy", exported);
    bench::report("gridtext (binary to ASCII)", converted);
    bench::report("numpy loading the ASCII file", loaded);
    bench::report("gridtext + numpy", converted_and_loaded);
    bench::report_ratio(converted_and_loaded, exported, GOAL);
    std::string shapes;
    const bool same =
        bench::run_ok({PYTHON, "-c", NUMPY_CHECK, opt["--reader"], text, npy}, &shapes);
    std::printf("%sthe .npy holds the ASCII file's phase map (NaN where invalid): %s\n",
                shapes.c_str(), same ? "yes" : "NO");
    return same ? 0 : 1;
}
