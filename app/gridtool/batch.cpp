// gridtool batch: many data files converted into one folder, several at
// once, past any bad file, with a summary at the end.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "app/gridtool/command_line.h"
#include "app/gridtool/commands.h"
#include "app/gridtool/export_formats.h"
#include "app/gridtool/measurement.h"
#include "app/gridtool/output.h"
#include "app/gridtool/picture_output.h"
#include "platform/console_streams.h"
#include "platform/platform.h"

namespace {

constexpr char kHelp[] =
    "Usage: gridtool batch --to DIR [--format ascii|npy|matrix|gsf|png] [-j N] [--force] FILE...\n"
    "\n"
    "Converts each binary or ASCII data file into DIR (made when missing), named\n"
    "after it: DIR/<name without extension> + .txt (ascii, the default: the ASCII\n"
    "data file), .npy, .matrix.txt, .gsf or .png (the phase map; as export and\n"
    "picture write them, with their defaults). An input file is never written\n"
    "over, nor an existing output unless --force is given; two inputs of one\n"
    "name fail from the second on. A bad file is reported and the rest go on.\n"
    "\n"
    "  -j N      N files at once (default: one per processor)\n"
    "  --force   replace existing outputs\n"
    "\n"
    "On a terminal, standard error shows the files done of all, the time\n"
    "elapsed and an estimate of the time left. At the end: the files\n"
    "converted and those that failed, each with its error.\n"
    "\n"
    "Exit status: 0 every file converted, 1 a file failed, 2 a wrong command line.\n";

std::string output_extension(const std::string& format) {
    if (format == "ascii") return ".txt";
    if (format == "matrix") return ".matrix.txt";
    return "." + format;
}

// A file's name without its folder and its last extension.
std::string stem_of(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) name.resize(dot);
    return name;
}

struct job {
    std::string input;
    std::string output;
    int32_t err = NO_ERROR;
    std::string reason;
    bool done = false;  // set before the workers start for a refused output
};

struct batch_run {
    std::string format;
    bool force = false;
    std::vector<job> jobs;
    std::atomic<size_t> next{0};
    std::mutex progress_lock;
    size_t finished = 0;
    bool show_progress = false;
    int64_t started = 0;
};

// Writes the measurement in the run's format; NO_ERROR or the error with
// the reason in *reason.
int32_t write_converted(const batch_run& run, const measurement& m, const std::string& out,
                        std::string* reason) {
    if (run.format == "ascii") {
        const int32_t err = df_write_ascii(out, &m.ident, &m.params, &m.intens, &m.phase);
        if (err != NO_ERROR) *reason = creation_refusal(out);
        return err;
    }
    if (run.format == "png") return write_picture(out, m, -1, reason);
    value_grid grid;
    if (const int32_t err = phase_grid(m.phase, &grid); err != NO_ERROR) return err;
    gsf_options gsf;
    gsf.title = ident_title(m.ident);
    return write_output(out, encode_as(run.format, grid, false, gsf), reason);
}

// Converts one file; a reason that concerns the output names it.
int32_t convert(const batch_run& run, job* j) {
    int32_t err = check_output(j->output, run.force, &j->reason);
    if (err != NO_ERROR) return err;
    measurement m;
    if (err = m.load(j->input, &j->reason); err != NO_ERROR) return err;
    std::string reason;
    err = write_converted(run, m, j->output, &reason);
    if (!reason.empty()) j->reason = j->output + ": " + reason;
    return err;
}

double seconds_since(int64_t start) {
    return static_cast<double>(plat::counter_now() - start) /
           static_cast<double>(plat::counter_frequency());
}

void report_progress(batch_run* run) {
    const std::lock_guard<std::mutex> hold(run->progress_lock);
    ++run->finished;
    if (!run->show_progress) return;
    const double elapsed = seconds_since(run->started);
    const size_t total = run->jobs.size();
    const double left = elapsed / static_cast<double>(run->finished) *
                        static_cast<double>(total - run->finished);
    std::fprintf(stderr, "\rgridtool: %zu/%zu files, %.1f s elapsed, about %.1f s left   ",
                 run->finished, total, elapsed, left);
    std::fflush(stderr);
}

void worker(void* argument) {
    auto* run = static_cast<batch_run*>(argument);
    for (;;) {
        const size_t i = run->next.fetch_add(1);
        if (i >= run->jobs.size()) return;
        job& j = run->jobs[i];
        if (!j.done) j.err = convert(*run, &j);
        report_progress(run);
    }
}

// Refuses, before any work, an output that is one of the inputs or that an
// earlier input already claims.
void refuse_clashes(std::vector<job>* jobs) {
    for (size_t i = 0; i < jobs->size(); ++i) {
        job& j = (*jobs)[i];
        for (size_t k = 0; k < jobs->size() && !j.done; ++k) {
            if (plat::same_file(j.output, (*jobs)[k].input) || (*jobs)[k].input == j.output) {
                j.reason = j.output + " is an input file";
            } else if (k < i && (*jobs)[k].output == j.output) {
                j.reason = j.output + " is also the output of " + (*jobs)[k].input;
            } else {
                continue;
            }
            j.err = ERR_CANT_CREATE_FILE;
            j.done = true;
        }
    }
}

}  // namespace

int run_batch(const std::vector<std::string>& args) {
    parsed_args a;
    if (!parse_command_line(args, {{"--to", true}, {"--format", true}, {"-j", true}, {"--force", false}},
                            &a)) {
        return EXIT_WRONG_COMMAND_LINE;
    }
    if (a.help) return print_help(kHelp);
    if (a.version) return print_version();
    const std::string dir = a.value("--to", "");
    if (dir.empty()) return usage_error("batch needs --to DIR");
    batch_run run;
    run.format = a.value("--format", "ascii");
    if (run.format != "ascii" && run.format != "png" &&
        (!is_export_format(run.format) || run.format == "csv")) {
        return usage_error("unknown batch format " + run.format);
    }
    if (run.format == "png" && !pictures_built_in()) return usage_error(kNoPictures);
    long workers = std::max(1L, static_cast<long>(std::thread::hardware_concurrency()));
    if (a.has("-j") && !parse_integer(a.value("-j", ""), 1, 1024, &workers)) {
        return usage_error("-j needs a number of files at once from 1, not " + a.value("-j", ""));
    }
    if (a.operands.empty()) return usage_error("batch needs at least one FILE");
    if (!plat::is_directory(dir) && !plat::make_directory(dir)) {
        report_failure(dir, ERR_CANT_CREATE_FILE, "the folder cannot be made");
        return EXIT_FILE_FAILED;
    }

    run.force = a.has("--force");
    const bool separator = dir.back() == '/' || dir.back() == '\\';
    for (const std::string& input : a.operands) {
        job j;
        j.input = input;
        j.output = dir + (separator ? "" : "/") + stem_of(input) + output_extension(run.format);
        run.jobs.push_back(std::move(j));
    }
    refuse_clashes(&run.jobs);

    run.show_progress = plat::is_terminal(stderr);
    run.started = plat::counter_now();
    const size_t count = std::min(static_cast<size_t>(workers), run.jobs.size());
    std::vector<plat::thread_handle> threads;
    for (size_t i = 1; i < count; ++i) {
        if (plat::thread_handle t = plat::start_thread(worker, &run); t != nullptr) threads.push_back(t);
    }
    worker(&run);
    for (const plat::thread_handle t : threads) {
        plat::join_thread(t);
        plat::close_thread(t);
    }
    if (run.show_progress) std::fputc('\n', stderr);

    size_t failed = 0;
    for (const job& j : run.jobs) {
        if (j.err == NO_ERROR) continue;
        ++failed;
        report_failure(j.input, j.err, j.reason);
    }
    std::fprintf(stderr, "gridtool: converted %zu, failed %zu\n", run.jobs.size() - failed, failed);
    return failed == 0 ? EXIT_OK : EXIT_FILE_FAILED;
}
