// What the fuzz targets share: the four records of one measurement, their
// comparison, a loud failure for a broken promise, and scratch files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "datafile/datafile.h"
#include "support/measurement.h"

namespace fuzz {

// One measurement; the matrices are freed with it (shared with the tests).
using ::measurement;

// Reports a broken promise and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, int32_t first, int32_t second);

// The same window, counts, range and elements.
bool same_intensity(const intens_matrix& a, const intens_matrix& b);
bool same_phase(const phase_matrix& a, const phase_matrix& b);

// Same identification block and the same parameter record, byte for byte
// (the record's tail padding left out: it is never written).
bool same_records(const measurement& a, const measurement& b);

// Same values of every field the ASCII file carries exactly: the floating-point
// fields (six digits in the file) and the bytes after a text's terminator are
// left out.
bool same_ascii_fields(const measurement& a, const measurement& b);

// Every text field ends inside its array and holds no line feed: only then can
// the ASCII file carry it on its line.
bool texts_fit_ascii_lines(const measurement& m);

// A path for a scratch file of this process; the folder goes at exit.
std::string scratch_path(const char* name);

// The whole content of a file the target wrote; aborts when it cannot be read.
std::string read_file(const std::string& path);

// Writes the bytes to a file, replacing it; aborts when that fails.
void write_file(const std::string& path, const uint8_t* data, size_t size);

// Library messages (the ASCII reader's line reports) would flood the output.
void silence_library();

}  // namespace fuzz
