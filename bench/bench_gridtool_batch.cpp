// bench_gridtool_batch: `gridtool batch` against a shell loop of gridtext
// over the same files.
//
//   bench_gridtool_batch [--gridtool PATH] [--gridtext PATH] [--files N] [--reps N]
//
// Generates N (default 200) binary data files of 640 x 480 with two
// intensity frames, then converts all of them to ASCII data files --reps
// times (default 3) each way, in turns: `gridtool batch --to DIR --force
// FILE...` with its default of one worker per processor, and a /bin/sh loop
// that runs `gridtext -f` once per file. Both ways must give the same bytes
// for every file. Goal: batch at least 1.8x faster (medians of the wall
// times) on a 2-core machine. The programs default to those of this build
// tree (app/gridtool/gridtool and app/gridtext beside bench/).
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/program_timing.h"
#include "tools/generator/datafile_generator.h"

namespace {

constexpr double GOAL = 1.8;
constexpr int16_t WIDTH = 640;
constexpr int16_t HEIGHT = 480;

// The loop a user types: one gridtext per file, each output named after its
// input, the first failure ends it.
const char* const SHELL_LOOP =
    "gridtext=$1; out=$2; shift 2\n"
    "for f in \"$@\"; do\n"
    "  name=${f##*/}\n"
    "  \"$gridtext\" -f \"$f\" \"$out/${name%.dat}.txt\" 2>/dev/null || exit 1\n"
    "done\n";

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt{
        {"--gridtool", bench::build_program(argv[0], "app/gridtool/gridtool")},
        {"--gridtext", bench::build_program(argv[0], "app/gridtext")},
        {"--files", "200"},
        {"--reps", "3"}};
    if (!bench::parse_options(argc, argv, opt)) return 2;
    const int files = bench::positive(opt["--files"], 200);
    const int reps = bench::positive(opt["--reps"], 3);
    if (!bench::programs_exist(argv[0], opt, {"--gridtool", "--gridtext"})) return 2;

    const bench::scratch_dir scratch("bench_gridtool_batch");
    const std::filesystem::path in = scratch.path() / "in";
    const std::filesystem::path by_batch = scratch.path() / "batch";
    const std::filesystem::path by_loop = scratch.path() / "loop";
    for (const auto& dir : {in, by_batch, by_loop}) std::filesystem::create_directories(dir);

    std::vector<std::string> inputs;
    dfgen::options gen;
    gen.width = WIDTH;
    gen.height = HEIGHT;
    for (int i = 0; i < files; ++i) {
        gen.seed = static_cast<uint64_t>(i) + 1;
        char name[32];
        std::snprintf(name, sizeof name, "m%03d.dat", i);
        inputs.push_back((in / name).string());
        if (dfgen::write_file(inputs.back().c_str(), dfgen::build_datafile(gen)) != NO_ERROR) {
            std::fprintf(stderr, "cannot write %s\n", inputs.back().c_str());
            return 1;
        }
    }
    std::printf("%d files of %d x %d with %d intensity frames, %d repetitions\n", files, WIDTH,
                HEIGHT, gen.n_buckets, reps);

    std::vector<std::string> batch_command{opt["--gridtool"], "batch",   "--to",
                                           by_batch.string(), "--force", "--"};
    batch_command.insert(batch_command.end(), inputs.begin(), inputs.end());
    std::vector<std::string> loop_command{
        "/bin/sh", "-c", SHELL_LOOP, "sh", opt["--gridtext"], by_loop.string()};
    loop_command.insert(loop_command.end(), inputs.begin(), inputs.end());

    bench::timing batch;
    bench::timing loop;
    for (int rep = 0; rep < reps; ++rep) {
        if (!bench::time_runs(
                1, [&] { return bench::run_ok(batch_command); }, batch) ||
            !bench::time_runs(
                1, [&] { return bench::run_ok(loop_command); }, loop)) {
            return 1;
        }
    }

    int differing = 0;
    for (const std::string& input : inputs) {
        const std::string name = std::filesystem::path(input).stem().string() + ".txt";
        if (!bench::same_bytes(by_batch / name, by_loop / name)) ++differing;
    }
    bench::report("gridtool batch (all files)", batch);
    bench::report("shell loop of gridtext (all files)", loop);
    bench::report_ratio(loop, batch, GOAL);
    std::printf("outputs byte-identical: %s\n", differing == 0 ? "yes" : "NO");
    if (differing != 0) std::printf("%d of %d outputs differ\n", differing, files);
    return differing == 0 ? 0 : 1;
}
