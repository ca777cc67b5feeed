// instrument-measure: one whole measurement, from switch-on to a binary data
// file, as a host program makes it. Read instrument-demo first.
//
//   instrument-measure --out FILE [--type pmi|swli|btw] [--buckets N] [--scan UM]
//                      [--format 1|2|3] [--threads N] [--force]
//                      [--system N] [--cal FILE]
//   instrument-measure --help
//
// It switches the camera and the instrument on, loads the ramp table, finds
// the first ramp of the type (and frame count and scan length, when given),
// loads it into the instrument, starts the scan while the camera grabs
// every frame the ramp triggers, computes the surface from the frames
// (phase shifting for PMI ramps, the coherence peak for SWLI and BTW ramps),
// writes the frames and the surface (heights in picometres) as a binary
// data file, and switches everything off. `gridtext FILE FILE.txt` converts
// the file. No instrument at hand? virtual-instrument simulates one with a
// known surface (README: "Try it without an instrument").
//
// Output: one line per step on standard output, "<step>: <result>"; the
// library's messages on standard error. Exit status 0 when the measurement
// was written, 1 after a failed step (once everything is switched off), 2
// for a wrong command line or an output file that exists without --force.
// Ctrl-C (or SIGTERM) aborts the grab (ERR_SUNWELL_ABORTED) and switches
// everything off.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "measure_session.h"
#include "util/util.h"

namespace {

const char kUsage[] =
    "Usage:  instrument-measure --out FILE [--type pmi|swli|btw] [--buckets N] [--scan UM]\n"
    "                           [--format 1|2|3] [--threads N] [--force] [--system N] [--cal FILE]\n"
    "\t--out FILE     the binary data file to write\n"
    "\t--type T       the ramp type: pmi (phase shifting, default), swli or btw\n"
    "\t               (scanning, coherence peak)\n"
    "\t--buckets N    a ramp of N frames (default: the first of the type)\n"
    "\t--scan UM      a ramp of that scan length in micrometres, within 1\n"
    "\t--format F     the data file's format, 1, 2 or 3 (default 3)\n"
    "\t--threads N    threads for the computation, 0 to 256; 0: one per core (default)\n"
    "\t--force        replace FILE if it exists\n"
    "\t--system N     the instrument record to use, 0 to 3 (default 0)\n"
    "\t--cal FILE     the system calibration file (default as instrument-demo)\n"
    "\t--help         this text\n"
    "Switches the instrument on, scans with the ramp while the camera grabs its\n"
    "frames, computes the surface (heights in picometres), writes frames and\n"
    "surface to FILE and switches off. One line per step on standard output;\n"
    "library messages on standard error. Exit status 0 on success, 1 after a\n"
    "failed step, 2 for a wrong command line.\n";

volatile std::sig_atomic_t g_stop = 0;

void on_interrupt(int) {
    g_stop = 1;
}

int stop_requested() {
    return g_stop;
}

// The whole text must be a whole number within the bounds.
bool read_integer(const char* text, int32_t low, int32_t high, int32_t* out) {
    double value = 0;
    const int taken = u_scan_double(text, &value);
    if (taken <= 0 || text[taken] != '\0' || !(value >= low && value <= high) ||
        value != static_cast<int32_t>(value)) {
        return false;
    }
    *out = static_cast<int32_t>(value);
    return true;
}

bool read_scan(const char* text, float* out) {
    double value = 0;
    const int taken = u_scan_double(text, &value);
    if (taken <= 0 || text[taken] != '\0' || !(value > 0 && value <= 10000)) return false;
    *out = static_cast<float>(value);
    return true;
}

bool read_type(const std::string& text, int32_t* type) {
    if (text == "pmi") *type = 1;
    else if (text == "swli") *type = 0;
    else if (text == "btw") *type = 17;
    else return false;
    return true;
}

struct command_line {
    measure_options options;
    bool help = false;
    bool force = false;
};

// Why the command line is wrong; empty when it is right.
std::string wrong_arguments(int argc, char** argv, command_line* line) {
    measure_options& o = line->options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            line->help = true;
            continue;
        }
        if (name == "--force") {
            line->force = true;
            continue;
        }
        static const char* const kWithValue[] = {"--out", "--type", "--buckets", "--scan", "--format",
                                                 "--threads", "--system", "--cal"};
        bool known = false;
        for (const char* option : kWithValue) known = known || name == option;
        if (!known) return "unknown argument " + name;
        if (i + 1 == argc) return name + " needs a value";
        const char* value = argv[++i];
        const std::string quoted = std::string("\"") + value + "\"";
        if (name == "--out") {
            if (value[0] == '\0') return "--out needs a file name";
            o.out = value;
        } else if (name == "--type" && !read_type(value, &o.ramp_type)) {
            return "--type takes pmi, swli or btw, not " + quoted;
        } else if (name == "--buckets" && !read_integer(value, 1, 32767, &o.n_buckets)) {
            return "--buckets takes 1 to 32767, not " + quoted;
        } else if (name == "--scan" && !read_scan(value, &o.scan_len)) {
            return "--scan takes a length above 0 up to 10000, not " + quoted;
        } else if (name == "--format" && !read_integer(value, 1, 3, &o.format)) {
            return "--format takes 1, 2 or 3, not " + quoted;
        } else if (name == "--threads" && !read_integer(value, 0, 256, &o.threads)) {
            return "--threads takes 0 to 256, not " + quoted;
        } else if (name == "--system" && !read_integer(value, 0, SYS_INFO_COUNT - 1, &o.demo.system)) {
            return "--system takes 0 to " + std::to_string(SYS_INFO_COUNT - 1) + ", not " + quoted;
        } else if (name == "--cal") {
            if (value[0] == '\0') return "--cal needs a file name";
            o.demo.cal_file = value;
        }
    }
    if (!line->help && o.out == nullptr) return "--out FILE is needed";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    command_line line;
    const std::string wrong = wrong_arguments(argc, argv, &line);
    if (!wrong.empty()) {
        std::fprintf(stderr, "instrument-measure: %s (see instrument-measure --help)\n%s", wrong.c_str(),
                     kUsage);
        return 2;
    }
    if (line.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // Refused before anything is switched on: a measurement is not made to
    // be thrown away.
    if (!line.force && u_file_exists(line.options.out)) {
        std::fprintf(stderr, "instrument-measure: %s exists (give --force to replace it)\n",
                     line.options.out);
        return 2;
    }
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    gl_AbortFunc = stop_requested;
    line.options.demo.stop = &g_stop;
    return measure_run(line.options, stdout) == NO_ERROR ? 0 : 1;
}
