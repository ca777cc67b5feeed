#include "sim/optics/surface_file.h"

#include <cstdio>
#include <cstring>
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

// The text after "'key':" and any blanks; npos when the key is absent.
size_t value_of(const std::string& header, const char* key) {
    const std::string quoted = std::string("'") + key + "'";
    size_t at = header.find(quoted);
    if (at == std::string::npos) return at;
    at = header.find_first_not_of(' ', at + quoted.size());
    if (at == std::string::npos || header[at] != ':') return std::string::npos;
    return header.find_first_not_of(' ', at + 1);
}

// A decimal number of at most nine digits at *at, then blanks; false when
// there is none.
bool read_dimension(const std::string& header, size_t* at, uint64_t* value) {
    size_t digits = 0;
    *value = 0;
    while (*at < header.size() && header[*at] >= '0' && header[*at] <= '9' && digits < 10) {
        *value = *value * 10 + static_cast<uint64_t>(header[*at] - '0');
        ++*at;
        ++digits;
    }
    while (*at < header.size() && header[*at] == ' ') ++*at;
    return digits >= 1 && digits <= 9;
}

// The element size (8 or 4) and shape of a C-order 2-D array of
// little-endian floats; false for any other header.
bool parse_header(const std::string& header, size_t* element, uint64_t* rows, uint64_t* columns) {
    const size_t descr = value_of(header, "descr");
    if (descr == std::string::npos) return false;
    if (header.compare(descr, 5, "'<f8'") == 0) {
        *element = 8;
    } else if (header.compare(descr, 5, "'<f4'") == 0) {
        *element = 4;
    } else {
        return false;
    }
    const size_t order = value_of(header, "fortran_order");
    if (order == std::string::npos || header.compare(order, 5, "False") != 0) return false;
    size_t at = value_of(header, "shape");
    if (at == std::string::npos || header[at] != '(') return false;
    at = header.find_first_not_of(' ', at + 1);
    if (at == std::string::npos || !read_dimension(header, &at, rows) || at >= header.size() ||
        header[at] != ',') {
        return false;
    }
    ++at;
    while (at < header.size() && header[at] == ' ') ++at;
    if (!read_dimension(header, &at, columns)) return false;
    if (at < header.size() && header[at] == ',') {
        ++at;
        while (at < header.size() && header[at] == ' ') ++at;
    }
    return at < header.size() && header[at] == ')';
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
    size_t element = 0;
    uint64_t rows = 0;
    uint64_t columns = 0;
    if (!parse_header(header, &element, &rows, &columns)) {
        return fail(error, path + ": not a C-order 2-D array of little-endian floats");
    }
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
