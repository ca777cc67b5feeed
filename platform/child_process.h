// Running another program and collecting what it prints.
#pragma once

#include <string>
#include <vector>

namespace plat {

struct process_result {
    int exit_code = -1;  // the program's exit status; -1 when it did not exit normally
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
};

// Runs args[0] with the arguments args[1..] (no shell) and waits for it.
// Both streams are read as text streams read them, so the CR LF line ends of
// a Windows program arrive as LF. False when the program could not be started.
bool run_process(const std::vector<std::string>& args, process_result* result);
bool run_process(const std::vector<std::string>& args, const process_options& options,
                 process_result* result);

}  // namespace plat
