// make_datafile: writes a synthetic binary data file (fringe frames and a
// spherical phase map), for examples, tests by hand and benchmarks.
//
//   make_datafile [options] output
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/generator/datafile_generator.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "Usage:  make_datafile [options] output\n"
                 "\tWrites a synthetic binary data file.\n"
                 "\n\tOptions:\n"
                 "\t\t--format N       1, 2 or 3 (default 2)\n"
                 "\t\t--width N        pixels per row (default 64)\n"
                 "\t\t--height N       rows (default 48)\n"
                 "\t\t--buckets N      intensity frames (default 2)\n"
                 "\t\t--seed N         noise seed (default 1)\n"
                 "\t\t--no-intensity   no intensity block\n"
                 "\t\t--no-phase       no phase block\n"
                 "\t\t--be16 OFF=VAL   lay a big-endian 16-bit value over the header\n"
                 "\t\t--be32 OFF=VAL   lay a big-endian 32-bit value over the header\n"
                 "\t\t--truncate N     cut the file to N bytes\n"
                 "\t\t--trailing N     append N bytes after the phase block\n"
                 "\tNumbers may be decimal or 0x hexadecimal; blocks are as long as the\n"
                 "\theader's intens_bytes (offset 60) and phase_bytes (offset 72) say.\n");
    return 1;
}

bool parse_number(const char* text, long long low, long long high, long long& out) {
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 0);
    if (end == text || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

// "OFFSET=VALUE" for --be16 and --be32.
bool parse_patch(const char* text, long long max_value, long long& offset, long long& value) {
    const char* equals = std::strchr(text, '=');
    if (equals == nullptr) return false;
    const std::string offset_text(text, static_cast<size_t>(equals - text));
    return parse_number(offset_text.c_str(), 0, 4095, offset) &&
           parse_number(equals + 1, -(max_value / 2) - 1, max_value, value);
}

}  // namespace

int main(int argc, char** argv) {
    dfgen::options opt;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        long long value = 0;
        long long offset = 0;
        if (arg == "--no-intensity") {
            opt.intensity = false;
        } else if (arg == "--no-phase") {
            opt.phase = false;
        } else if (next == nullptr || arg.rfind("--", 0) != 0) {
            if (output != nullptr || arg.rfind("-", 0) == 0) return usage();
            output = argv[i];
        } else if (arg == "--format" && parse_number(next, 1, 3, value)) {
            opt.format = static_cast<int>(value);
            ++i;
        } else if (arg == "--width" && parse_number(next, -32768, 32767, value)) {
            opt.width = static_cast<int16_t>(value);
            ++i;
        } else if (arg == "--height" && parse_number(next, -32768, 32767, value)) {
            opt.height = static_cast<int16_t>(value);
            ++i;
        } else if (arg == "--buckets" && parse_number(next, -32768, 32767, value)) {
            opt.n_buckets = static_cast<int16_t>(value);
            ++i;
        } else if (arg == "--seed" && parse_number(next, 0, INT64_MAX, value)) {
            opt.seed = static_cast<uint64_t>(value);
            ++i;
        } else if (arg == "--be16" && parse_patch(next, 0xFFFF, offset, value)) {
            opt.patches.push_back(
                dfgen::patch_be16(static_cast<size_t>(offset), static_cast<uint16_t>(value)));
            ++i;
        } else if (arg == "--be32" && parse_patch(next, 0xFFFFFFFFll, offset, value)) {
            opt.patches.push_back(
                dfgen::patch_be32(static_cast<size_t>(offset), static_cast<uint32_t>(value)));
            ++i;
        } else if (arg == "--truncate" && parse_number(next, 0, INT64_MAX, value)) {
            opt.truncate_to = value;
            ++i;
        } else if (arg == "--trailing" && parse_number(next, 0, 1 << 20, value)) {
            opt.trailing_bytes = static_cast<size_t>(value);
            ++i;
        } else {
            return usage();
        }
    }
    if (output == nullptr) return usage();

    const std::vector<uint8_t> bytes = dfgen::build_datafile(opt);
    const int32_t err = dfgen::write_file(output, bytes);
    if (err != NO_ERROR) {
        std::fprintf(stderr, "make_datafile: cannot write \"%s\": %s\n", output, u_err_name(err));
        return 2;
    }
    return 0;
}
