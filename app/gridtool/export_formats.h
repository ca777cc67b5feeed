// The formats gridtool exports a matrix to, for the tools analysts open
// them with: numpy's .npy, a plain text matrix, the Gwyddion Simple Field
// and a CSV list of points. Each encoder returns the whole file's bytes.
#pragma once

#include <string>
#include <vector>

#include "datafile/datafile.h"

// One matrix ready for export: values in matrix order (rows, x fastest),
// NaN for invalid points, and the same values as stored (invalid markers
// included) for the raw forms.
struct value_grid {
    matrix_window window{};
    std::vector<double> values;
    std::vector<int32_t> raw;
};

// The phase map, or ERR_NO_DATA for a file without one.
int32_t phase_grid(const phase_matrix& phase, value_grid* grid);
// Intensity frame `frame` (0-based).
int32_t frame_grid(const intens_matrix& intens, int32_t frame, value_grid* grid);

// npy version 1.0: '<f8' with NaN for invalid points, or '<i4' (raw).
std::string encode_npy(const value_grid& grid, bool raw);

// One text line per row, values apart by one blank, NaN for invalid points
// (raw: the stored integers), lines ending in LF.
std::string encode_matrix(const value_grid& grid, bool raw);

// "x,y,value" then one line per valid point; x and y are the matrix
// coordinates (the window's origin added).
std::string encode_csv(const value_grid& grid);

// Lateral size and units of a Gwyddion Simple Field.
struct gsf_options {
    double xreal = 0;  // 0: one unit per pixel (the width); see gsf_sizes
    double yreal = 0;  // 0: square pixels
    std::string xyunit;  // empty: not written
    std::string zunit;   // empty: not written
    std::string title;   // empty: not written
};

// The header text, NUL padding to a multiple of four bytes, then float32
// little-endian values, NaN for invalid points.
std::string encode_gsf(const value_grid& grid, const gsf_options& options);

// Appends the low sizeof(T) bytes of bits, least significant first.
template <typename T>
void append_little_endian(std::string* out, T bits) {
    for (size_t i = 0; i < sizeof(T); ++i) {
        out->push_back(static_cast<char>(static_cast<uint8_t>(bits >> (8 * i))));
    }
}

// True for "npy", "matrix", "gsf" and "csv".
bool is_export_format(const std::string& format);

// The bytes of a grid in one of those formats; raw as encode_npy and
// encode_matrix take it.
std::string encode_as(const std::string& format, const value_grid& grid, bool raw,
                      const gsf_options& gsf);

// The identification text of a measurement without its padding, as a title.
std::string ident_title(const data_file_ident& ident);
