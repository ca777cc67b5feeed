// Where gridtool's outputs go: standard output for "-", else a file that
// takes its new content in one step through the shared file replacement, so
// a failure leaves nothing behind and an existing file as it was.
#pragma once

#include <string>

#include "datafile/datafile.h"

// NO_ERROR when out may be written: it does not exist yet, or force is set.
// Otherwise ERR_CANT_CREATE_FILE with the reason in *reason.
int32_t check_output(const std::string& out, bool force, std::string* reason);

// Writes bytes to out ("-": standard output). NO_ERROR, or
// ERR_CANT_CREATE_FILE / ERR_CANT_WRITE_FILE with the system's reason.
int32_t write_output(const std::string& out, const std::string& bytes, std::string* reason);

// Why out cannot be created, asked of the file replacement after a library
// writer failed without saying; empty when it could be.
std::string creation_refusal(const std::string& out);
