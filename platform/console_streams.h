// What a command-line program asks of its standard streams and of the
// system's error reports: whether a stream is a terminal, binary output on
// standard output, and the system's reason for a failure as text.
#pragma once

#include <cstdio>
#include <string>

#include "platform/path_ref.h"

namespace plat {

// True when the stream is attached to a terminal (a console on Windows).
bool is_terminal(FILE* stream);

// Puts the stream in binary mode, so that bytes reach it unchanged (Windows
// turns LF into CR LF in text mode; POSIX streams are always binary).
void set_binary_mode(FILE* stream);

// The system's text for one of its error numbers, as this layer returns
// them (the file replacement's, for instance).
std::string error_text(int error_number);

// Why the path cannot be opened for reading, as the system says it; empty
// when it opens (and is closed again at once).
std::string read_refusal(path_ref path);

}  // namespace plat
