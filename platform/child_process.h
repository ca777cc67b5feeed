// Running another program and collecting what it prints.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace plat {

struct process_result {
    int exit_code = -1;  // the program's exit status; -1 when it did not exit normally
    int signal = 0;      // the signal that ended it (POSIX); 0 when none did
    std::string out;     // everything written to standard output
    std::string err;     // everything written to standard error
};

// How the program is started, beyond its arguments.
struct process_options {
    // Changes to the inherited environment, in order: "NAME=value" sets NAME,
    // a bare "NAME" removes it.
    std::vector<std::string> environment;
    // The program's working directory; empty keeps the caller's.
    std::string directory;
    // Asked at least every tenth of a second while the program runs; a
    // nonzero answer is a signal number (SIGINT, SIGTERM, ...) to pass on,
    // once, to the program and every process it started. A program still
    // running stop_grace after that is killed. On Windows, where there are
    // no signals to pass on, the program is ended at once with exit status
    // 128 + the signal number. Empty: nothing is passed on.
    std::function<int()> stop_signal;
    std::chrono::milliseconds stop_grace{5000};
};

// Runs args[0] with the arguments args[1..] (no shell) and waits for it.
// A name without a folder is looked up as a shell looks up a command (on
// PATH; on Windows also beside the caller and in the system folders, with
// ".exe" added when it has no extension).
// Both streams are read as text streams read them, so the CR LF line ends of
// a Windows program arrive as LF. False when the program could not be started.
bool run_process(const std::vector<std::string>& args, process_result* result);
bool run_process(const std::vector<std::string>& args, const process_options& options,
                 process_result* result);

}  // namespace plat
