#include "sim/optics/surface_file.h"

#include <cstdio>
#include <cstring>
#include <regex>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/files.h"

namespace optics {
namespace {

constexpr char kMagic[] = "\x93NUMPY";
constexpr size_t kMagicSize = 6;
constexpr size_t kHeaderLimit = 4096;

bool fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

double little_endian_value(const uint8_t* bytes, size_t size) {
    uint64_t bits = 0;
    for (size_t i = 0; i < size; ++i) bits |= uint64_t{bytes[i]} << (8 * i);
    if (size == 8) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    const auto narrow = static_cast<uint32_t>(bits);
    float value;
    std::memcpy(&value, &narrow, sizeof value);
    return value;
}

}  // namespace

bool load_surface(const std::string& path, surface* out, std::string* error) {
    std::FILE* file = plat::open_regular_file(plat::path_ref(path.c_str()), "rb");
    if (file == nullptr) return fail(error, "cannot open " + path);
    struct closer {
        std::FILE* f;
        ~closer() { std::fclose(f); }
    } close_it{file};
    uint8_t lead[10];
    if (std::fread(lead, 1, sizeof lead, file) != sizeof lead || std::memcmp(lead, kMagic, kMagicSize) != 0 ||
        lead[6] != 1) {
        return fail(error, path + " is not a numpy .npy file of version 1.0");
    }
    const size_t header_size = lead[8] | (size_t{lead[9]} << 8);
    if (header_size > kHeaderLimit) return fail(error, path + ": the .npy header is too long");
    std::string header(header_size, '\0');
    if (std::fread(header.data(), 1, header_size, file) != header_size) {
        return fail(error, path + ": the .npy header is cut short");
    }
    static const std::regex kDescr("'descr'\\s*:\\s*'<f([48])'");
    static const std::regex kOrder("'fortran_order'\\s*:\\s*False");
    static const std::regex kShape("'shape'\\s*:\\s*\\(\\s*([0-9]{1,9})\\s*,\\s*([0-9]{1,9})\\s*,?\\s*\\)");
    std::smatch descr, shape;
    if (!std::regex_search(header, descr, kDescr) || !std::regex_search(header, kOrder) ||
        !std::regex_search(header, shape, kShape)) {
        return fail(error, path + ": not a C-order 2-D array of little-endian floats");
    }
    const size_t element = descr[1] == "8" ? 8 : 4;
    const uint64_t rows = std::stoull(shape[1]);
    const uint64_t columns = std::stoull(shape[2]);
    if (rows == 0 || columns == 0 || rows > INT32_MAX || columns > INT32_MAX ||
        rows * columns > SURFACE_MAX_PIXELS) {
        return fail(error, path + ": the array's shape is empty or too large");
    }
    // The file must hold the array before room is made for it: a header of
    // a few bytes must not claim half a gigabyte.
    const uint64_t array_bytes = rows * columns * element;
    const int64_t remaining = plat::bytes_remaining(file);
    if (remaining >= 0 && static_cast<uint64_t>(remaining) < array_bytes) {
        return fail(error, path + ": the array is cut short");
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(array_bytes));
    if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        return fail(error, path + ": the array is cut short");
    }
    surface read;
    read.width = static_cast<int32_t>(columns);
    read.height = static_cast<int32_t>(rows);
    read.height_nm.resize(static_cast<size_t>(rows * columns));
    for (size_t i = 0; i < read.height_nm.size(); ++i) {
        read.height_nm[i] = little_endian_value(&bytes[i * element], element);
    }
    *out = std::move(read);
    return true;
}

bool save_surface(const std::string& path, const surface& surf, std::string* error) {
    std::string header = "{'descr': '<f8', 'fortran_order': False, 'shape': (" + std::to_string(surf.height) +
                         ", " + std::to_string(surf.width) + "), }";
    // Magic, version and length take 10 bytes; the whole header is padded
    // with blanks to a multiple of 64 and ends in a line feed.
    const size_t total = (10 + header.size() + 1 + 63) / 64 * 64;
    header.append(total - 10 - header.size() - 1, ' ');
    header += '\n';
    std::vector<uint8_t> bytes(kMagic, kMagic + kMagicSize);
    bytes.push_back(1);
    bytes.push_back(0);
    bytes.push_back(static_cast<uint8_t>(header.size() & 0xFF));
    bytes.push_back(static_cast<uint8_t>(header.size() >> 8));
    bytes.insert(bytes.end(), header.begin(), header.end());
    for (const double value : surf.height_nm) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    plat::file_replacement replacement;
    std::FILE* file = nullptr;
    if (replacement.create(plat::path_ref(path.c_str()), "surface") == 0) file = replacement.open_stream();
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        replacement.commit() != 0) {
        return fail(error, "cannot write " + path);
    }
    return true;
}

}  // namespace optics
