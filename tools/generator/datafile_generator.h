// Synthetic binary data files for tests, benchmarks and examples: a header
// with plausible values in every field, an intensity block of phase-shifted
// fringe frames and a phase block of a spherical surface inside a circular
// aperture, invalid outside it. Everything is deterministic for a given seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "datafile/datafile.h"

namespace dfgen {

// Every field of a binary data file header, in host form. The prefix fields
// are those the reader does not keep in the parameter record.
struct header_fields {
    uint32_t magic;
    uint16_t val_4;
    uint32_t val_6;
    data_file_ident ident;
    matrix_window intens_window;
    int16_t intens_n_buckets;
    uint16_t intens_range;
    int32_t intens_bytes;
    matrix_window phase_window;
    int32_t phase_bytes;
    data_file_params params;
};

// Bytes laid over the packed header at a file offset, after it is filled:
// the way to make odd files (a wrong magic, an odd intens_bytes...). Bytes
// beyond the header's end are dropped.
struct header_patch {
    size_t offset;
    std::vector<uint8_t> bytes;
};
header_patch patch_be16(size_t offset, uint16_t value);
header_patch patch_be32(size_t offset, uint32_t value);

struct options {
    int format = 2;      // 1, 2 or 3
    int16_t width = 64;  // intensity and phase share the camera window
    int16_t height = 48;
    int16_t n_buckets = 2;  // intensity frames
    uint64_t seed = 1;
    bool intensity = true;  // intensity block present
    bool phase = true;      // phase block present
    std::vector<header_patch> patches;
    int64_t truncate_to = -1;   // when 0 or more, the file is cut to this many bytes
    size_t trailing_bytes = 0;  // bytes after the phase block, which readers ignore
};

// Header length on disk of a format (1, 2 or 3), and its magic number.
size_t header_size(int format);
uint32_t format_magic(int format);

// The header a file made with these options carries (before patches). For
// formats 1 and 2 every parameter field from file offset 834 on is zero, and
// format_mark is 3 for format 3, so the parameter record equals what a reader
// returns for the file.
header_fields sample_header(const options& opt);

// width x height x n_buckets intensity values, frame after frame, rows with x
// fastest; empty when the intensity block is absent or a dimension is not
// positive.
std::vector<uint16_t> fringe_frames(const options& opt);

// width x height phase values, rows with x fastest: a sphere (positive at the
// centre, negative towards the rim) inside a circle, invalid values
// (PHASE_INVALID and above) outside it. Empty like fringe_frames.
std::vector<int32_t> sphere_phase(const options& opt);

// The header packed as on disk: big-endian numbers at their file offsets,
// header_size(format) bytes. Numbers are written big-endian without
// exception, val_242_wide included.
std::vector<uint8_t> pack_header(const header_fields& header, int format);

// A whole file: the packed header (patches applied), then an intensity block
// and a phase block as long as the patched header's intens_bytes and
// phase_bytes say (data cut short or padded with zeros to fit; a length of 0
// or below means no block), then the trailing bytes; finally the cut.
std::vector<uint8_t> build_datafile(const options& opt);
std::vector<uint8_t> build_datafile(const header_fields& header, const options& opt);

// Writes bytes to a path (narrow, or wide after a byte-order mark):
// NO_ERROR, ERR_CANT_CREATE_FILE or ERR_CANT_WRITE_FILE.
int32_t write_file(const char* path, const std::vector<uint8_t>& bytes);

}  // namespace dfgen
