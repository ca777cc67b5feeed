// What every simulator program run by a person needs: an interrupt or a
// termination signal asks it to stop, lines go to standard output as they
// come, and commands come from standard input one a line.
#pragma once

#include <functional>
#include <string>

namespace sim {

// From now on SIGINT, SIGTERM and (where there is one) SIGHUP ask the
// program to stop.
void catch_stop_signals();
bool stop_requested();
// The signal that asked to stop first; 0 while none has.
int stop_signal();
// Once the program has cleaned up: ends it as the stop signal's default
// action would, so that its caller sees which signal stopped it (128 + the
// signal's number where that action does not end the program). Returns
// when no stop signal came.
void end_by_stop_signal();
// Blocks until a stop signal has come.
void wait_for_stop();

// One line on standard output, flushed; safe from any thread.
void say(const std::string& line);

// Hands each line of standard input to obey until it answers false or a
// stop signal comes; at the end of the input it waits for a stop signal.
// False when obey ended it, true when a signal did.
bool obey_until_stopped(const std::function<bool(const std::string& line)>& obey);

}  // namespace sim
