// bench_python_read: a 2048 x 2048 data file with one intensity frame into
// numpy, by gridtext.read against parsing the file's ASCII form as text and
// against reading the file's bytes alone.
//
//   bench_python_read [--gridtext PATH] [--module DIR] [--reader DIR]
//                     [--side N] [--reps N]
//
// Generates one binary data file of N x N (default 2048) and its ASCII form
// (written by the gridtext program), then times inside one /usr/bin/python3
// process, --reps times each (default 5): gridtext.read of the binary file
// (with its phase and intensity arrays) and open().read() of the same file
// (these two ten times as often, after a warm-up), numpy.loadtxt over the
// ASCII file's two data sections, and the documented numpy reader of the
// ASCII file (docs/read_ascii_data_file.py); the
// gridtext program's conversion is timed as a process of its own and added
// to the last. Goals: gridtext.read at least 100x faster than either way
// through the text, and at most 1.5x the time of open().read() (medians;
// this ratio also in processor time, which a busy machine does not blur).
// Afterwards the arrays of gridtext.read are checked against the
// documented reader's. The module defaults to that of this build tree, the
// reader to the source tree's docs/.
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/program_timing.h"
#include "tools/generator/datafile_generator.h"

namespace {

constexpr double TEXT_GOAL = 100.0;
constexpr double BYTES_GOAL = 1.5;
const char* const PYTHON = "/usr/bin/python3";

// argv: module folder, reader folder, binary file, ASCII file, repetitions.
// Prints two lines per way: its name, then the wall seconds of every
// repetition, and the same for its processor seconds ("NAME (CPU)"), apart
// by tabs;
// exits 1 when the arrays differ.
const char* const TIMINGS = R"py(
import sys, time
sys.path[:0] = [sys.argv[1], sys.argv[2]]
import numpy as np
import gridtext
from read_ascii_data_file import read_ascii_data_file
binary, text, reps = sys.argv[3], sys.argv[4], int(sys.argv[5])

def with_gridtext():
    m = gridtext.read(binary)
    return m.intensity, m.phase

def bytes_only():
    with open(binary, "rb") as f:
        return f.read()

def section_values(section):
    lines = section.split("\r\n")
    full = lines if len(lines[-1].split()) == len(lines[0].split()) else lines[:-1]
    values = np.loadtxt(full, dtype=np.int64).ravel()
    if full is not lines:
        values = np.concatenate([values, np.array(lines[-1].split(), dtype=np.int64)])
    return values

def with_loadtxt():
    with open(text, "rb") as f:
        content = f.read().decode("latin-1")
    header, intensity, phase = content.split("\r\n#\r\n")[:3]
    return section_values(intensity), section_values(phase)

def with_reader():
    return read_ascii_data_file(text)

# The two fast ways run ten times as often, after one untimed run each, so
# that the operating system's page cache and the allocator are warm for both.
for name, way, runs in [("gridtext.read", with_gridtext, 10 * reps),
                        ("open().read()", bytes_only, 10 * reps),
                        ("numpy.loadtxt", with_loadtxt, reps),
                        ("documented reader", with_reader, reps)]:
    if runs > reps:
        way()
    seconds = []
    processor = []
    for _ in range(runs):
        start, start_cpu = time.perf_counter(), time.process_time()
        way()
        seconds.append(time.perf_counter() - start)
        processor.append(time.process_time() - start_cpu)
    print(name, *seconds, sep="\t")
    print(name + " (CPU)", *processor, sep="\t")

m = gridtext.read(binary)
header, frames, phase = read_ascii_data_file(text)
sys.exit(0 if np.array_equal(m.phase, phase) and np.array_equal(m.intensity, frames) else 1)
)py";

// The lines of TIMINGS as timings by name.
std::map<std::string, bench::timing> parse_timings(const std::string& out) {
    std::map<std::string, bench::timing> timings;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name;
        std::getline(fields, name, '\t');
        for (std::string field; std::getline(fields, field, '\t');)
            timings[name].seconds.push_back(std::stod(field));
    }
    return timings;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt{
        {"--gridtext", bench::build_program(argv[0], "app/gridtext")},
        {"--module", bench::build_program(argv[0], "python")},
        {"--reader", GRIDTEXT_SOURCE_DIR "/docs"},
        {"--side", "2048"},
        {"--reps", "5"}};
    if (!bench::parse_options(argc, argv, opt)) return 2;
    const int side = bench::positive(opt["--side"], 2048);
    const int reps = bench::positive(opt["--reps"], 5);
    if (!bench::programs_exist(argv[0], opt, {"--gridtext"})) return 2;
    const std::string probe = "import sys; sys.path.insert(0, sys.argv[1]); import gridtext";
    if (!bench::run_ok({PYTHON, "-c", probe, opt["--module"]})) {
        std::fprintf(stderr, "%s: no gridtext module for %s in %s (build gridtext_python)\n",
                     argv[0], PYTHON, opt["--module"].c_str());
        return 2;
    }
    if (side > INT16_MAX) {
        std::fprintf(stderr, "%s: --side is at most %d\n", argv[0], INT16_MAX);
        return 2;
    }

    const bench::scratch_dir scratch("bench_python_read");
    const std::string binary = (scratch.path() / "big.dat").string();
    const std::string text = (scratch.path() / "big.txt").string();
    dfgen::options gen;
    gen.width = static_cast<int16_t>(side);
    gen.height = static_cast<int16_t>(side);
    gen.n_buckets = 1;
    if (dfgen::write_file(binary.c_str(), dfgen::build_datafile(gen)) != NO_ERROR) {
        std::fprintf(stderr, "cannot write %s\n", binary.c_str());
        return 1;
    }
    const std::vector<std::string> convert{opt["--gridtext"], "-f", binary, text};
    bench::timing converted;
    if (!bench::time_runs(reps, [&] { return bench::run_ok(convert); }, converted)) return 1;
    std::printf("one file of %d x %d with 1 intensity frame (%.1f MB; ASCII %.1f MB), %d "
                "repetitions\n",
                side, side, static_cast<double>(std::filesystem::file_size(binary)) / 1e6,
                static_cast<double>(std::filesystem::file_size(text)) / 1e6, reps);

    std::string out;
    const bool same = bench::run_ok({PYTHON, "-c", TIMINGS, opt["--module"], opt["--reader"],
                                     binary, text, std::to_string(reps)},
                                    &out);
    std::map<std::string, bench::timing> t = parse_timings(out);
    for (const char* name :
         {"gridtext.read", "open().read()", "numpy.loadtxt", "documented reader"}) {
        if (t[name].seconds.empty()) {
            std::fprintf(stderr, "no timings of %s:\n%s", name, out.c_str());
            return 1;
        }
    }
    bench::timing converted_and_read;
    for (int i = 0; i < reps; ++i) {
        converted_and_read.seconds.push_back(converted.seconds[static_cast<size_t>(i)] +
                                             t["documented reader"].seconds[static_cast<size_t>(i)]);
    }
    const bench::timing& fast = t["gridtext.read"];
    bench::report("gridtext.read (binary)", fast);
    bench::report("open().read() (binary bytes)", t["open().read()"]);
    bench::report("numpy.loadtxt (ASCII data sections)", t["numpy.loadtxt"]);
    bench::report("gridtext -f (binary to ASCII)", converted);
    bench::report("documented numpy reader (ASCII)", t["documented reader"]);
    bench::report("gridtext -f + documented reader", converted_and_read);
    std::printf("against numpy.loadtxt: ");
    bench::report_ratio(t["numpy.loadtxt"], fast, TEXT_GOAL);
    std::printf("against gridtext + reader: ");
    bench::report_ratio(converted_and_read, fast, TEXT_GOAL);
    // On a busy machine the wall times carry the waits for a processor; the
    // processor times of the same runs show the work alone.
    for (const char* kind : {"", " (CPU)"}) {
        const double to_bytes = t[std::string("gridtext.read") + kind].median() /
                                t[std::string("open().read()") + kind].median();
        std::printf("gridtext.read / open().read()%s (medians): %.2fx (goal at most %.1fx): %s\n",
                    kind, to_bytes, BYTES_GOAL, to_bytes <= BYTES_GOAL ? "met" : "NOT MET");
    }
    std::printf("gridtext.read's arrays equal the documented reader's: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
