// Assembling a whole binary data file and writing it to disk.
#include <algorithm>
#include <memory>

#include "platform/platform.h"
#include "tools/generator/datafile_generator.h"

namespace dfgen {
namespace {

int32_t be32_at(const std::vector<uint8_t>& bytes, size_t offset) {
    const uint32_t v = (uint32_t{bytes[offset]} << 24) | (uint32_t{bytes[offset + 1]} << 16) |
                       (uint32_t{bytes[offset + 2]} << 8) | uint32_t{bytes[offset + 3]};
    return static_cast<int32_t>(v);
}

// Appends the values big-endian, cut or zero-padded to exactly length bytes.
template <typename T>
void append_block(std::vector<uint8_t>& out, const std::vector<T>& values, int32_t length) {
    if (length <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(length), 0);
    size_t at = start;
    for (const T value : values) {
        for (size_t b = sizeof(T); b-- > 0;) {
            if (at == out.size()) return;
            out[at++] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * b));
        }
    }
}

}  // namespace

std::vector<uint8_t> build_datafile(const options& opt) {
    return build_datafile(sample_header(opt), opt);
}

std::vector<uint8_t> build_datafile(const header_fields& header, const options& opt) {
    std::vector<uint8_t> file = pack_header(header, opt.format);
    for (const header_patch& patch : opt.patches) {
        for (size_t i = 0; i < patch.bytes.size() && patch.offset + i < file.size(); ++i) {
            file[patch.offset + i] = patch.bytes[i];
        }
    }
    // The blocks are as long as the final header says.
    const int32_t intens_bytes = be32_at(file, 60);
    const int32_t phase_bytes = be32_at(file, 72);
    append_block(file, fringe_frames(opt), intens_bytes);
    append_block(file, sphere_phase(opt), phase_bytes);
    for (size_t i = 0; i < opt.trailing_bytes; ++i) file.push_back(static_cast<uint8_t>(0xA0 + i));
    if (opt.truncate_to >= 0 && static_cast<uint64_t>(opt.truncate_to) < file.size()) {
        file.resize(static_cast<size_t>(opt.truncate_to));
    }
    return file;
}

int32_t write_file(const char* path, const std::vector<uint8_t>& bytes) {
    FILE* const file = plat::open_file(path, "wb");
    if (file == nullptr) return ERR_CANT_CREATE_FILE;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? NO_ERROR : ERR_CANT_WRITE_FILE;
}

}  // namespace dfgen
