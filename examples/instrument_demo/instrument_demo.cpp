// instrument-demo: the library's instrument control from switch-on to
// switch-off, as a host program uses it. Start here.
//
//   instrument-demo [--system N] [--cal FILE] [--seconds S]
//   instrument-demo --help
//
// It reads the system calibration file of instrument record N, switches the
// instrument on (a serial instrument board, or a CAN instrument; the wave
// monitor and the temperature sensor when the record asks for them), loads
// the ramp table, reads the temperature, prints the reports and events the
// instrument sends for S seconds, and switches everything off again.
// No instrument at hand? The README's "Try it without an instrument" starts
// a simulated one with virtual-instrument, which also writes the calibration
// file.
//
// Output: one line per step on standard output, "<step>: <result>"; a
// failed step ends its line with the error's symbolic name (ERR_...). The
// library's own messages go, unchanged, through its print hook
// (gl_PrintFunc) to standard error, which is where a host finds the details
// of a failure; this program leaves the hook as it is.
//
// Exit status: 0 when every step succeeded, 1 after a failed step (once
// everything is switched off), 2 for a wrong command line. Ctrl-C (or
// SIGTERM) cuts the wait for reports short (it says so), or ends the wave
// monitor's laser wait (ERR_SUNWELL_ABORTED); either way everything is
// switched off.
//
// The steps themselves are in instrument_session.cpp.
#include <csignal>
#include <cstdio>
#include <string>

#include "instrument_session.h"
#include "util/util.h"

namespace {

const char kUsage[] =
    "Usage:  instrument-demo [--system N] [--cal FILE] [--seconds S]\n"
    "\t--system N   the instrument record to use, 0 to 3 (default 0)\n"
    "\t--cal FILE   the system calibration file (default: the computer's name,\n"
    "\t             a point and N, looked up in the current folder, then in\n"
    "\t             the configuration directory MB_CONFIG_DIR)\n"
    "\t--seconds S  how long to wait for reports and events, 0 to 86400\n"
    "\t             (default 3)\n"
    "\t--help       this text\n"
    "Switches the instrument on, loads its ramps, reads its temperature, prints\n"
    "what it reports for S seconds and switches it off. One line per step on\n"
    "standard output; library messages on standard error. Exit status 0 on\n"
    "success, 1 after a failed step, 2 for a wrong command line.\n";

volatile std::sig_atomic_t g_stop = 0;

void on_interrupt(int) {
    g_stop = 1;
}

// The library's long waits (the wave monitor's laser) ask this hook.
int stop_requested() {
    return g_stop;
}

// The whole text must be the number.
bool read_seconds(const char* text, double* seconds) {
    double value = 0;
    const int taken = u_scan_double(text, &value);
    if (taken <= 0 || text[taken] != '\0' || !(value >= 0 && value <= 86400)) return false;
    *seconds = value;
    return true;
}

bool read_system(const char* text, int32_t* system) {
    if (text[0] < '0' || text[0] >= '0' + SYS_INFO_COUNT || text[1] != '\0') return false;
    *system = text[0] - '0';
    return true;
}

// Why the command line is wrong; empty when it is right.
std::string wrong_arguments(int argc, char** argv, demo_options* options, bool* help) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            *help = true;
            continue;
        }
        if (name != "--system" && name != "--cal" && name != "--seconds") {
            return "unknown argument " + name;
        }
        if (i + 1 == argc) return name + " needs a value";
        const char* value = argv[++i];
        if (name == "--system" && !read_system(value, &options->system)) {
            return "--system takes 0 to " + std::to_string(SYS_INFO_COUNT - 1) + ", not \"" +
                   value + "\"";
        }
        if (name == "--cal") {
            if (value[0] == '\0') return "--cal needs a file name";
            options->cal_file = value;
        }
        if (name == "--seconds" && !read_seconds(value, &options->seconds)) {
            return std::string("--seconds takes 0 to 86400, not \"") + value + "\"";
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    demo_options options;
    bool help = false;
    const std::string wrong = wrong_arguments(argc, argv, &options, &help);
    if (!wrong.empty()) {
        std::fprintf(stderr, "instrument-demo: %s (see instrument-demo --help)\n%s", wrong.c_str(),
                     kUsage);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    gl_AbortFunc = stop_requested;
    options.stop = &g_stop;
    return demo_run(options, stdout) == NO_ERROR ? 0 : 1;
}
