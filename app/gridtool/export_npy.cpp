// numpy's .npy format, version 1.0: magic, version, a little-endian 16-bit
// header length, the header dict padded with blanks and a line end so the
// data start at a multiple of 64 bytes, then the values little-endian.
#include <bit>

#include "app/gridtool/export_formats.h"

std::string encode_npy(const value_grid& grid, bool raw) {
    std::string header = std::string("{'descr': '") + (raw ? "<i4" : "<f8") +
                         "', 'fortran_order': False, 'shape': (" +
                         std::to_string(grid.window.height) + ", " +
                         std::to_string(grid.window.width) + "), }";
    constexpr size_t kPrefix = 10;  // magic (6), version (2), header length (2)
    const size_t total = (kPrefix + header.size() + 1 + 63) / 64 * 64;
    header.append(total - kPrefix - header.size() - 1, ' ');
    header.push_back('\n');

    std::string out("\x93NUMPY\x01\x00", 8);
    append_little_endian(&out, static_cast<uint16_t>(header.size()));
    out += header;
    const size_t n = grid.values.size();
    out.reserve(out.size() + n * (raw ? 4 : 8));
    if (raw) {
        for (const int32_t v : grid.raw) append_little_endian(&out, static_cast<uint32_t>(v));
    } else {
        for (const double v : grid.values) append_little_endian(&out, std::bit_cast<uint64_t>(v));
    }
    return out;
}
