// Shared helpers of the fuzz targets.
#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace fuzz {
namespace {

template <typename T>
bool same_elements(const T* a, const T* b, uint32_t size) {
    if (size == 0) return a == nullptr && b == nullptr;
    return a != nullptr && b != nullptr && std::memcmp(a, b, size * sizeof(T)) == 0;
}

bool same_window(const matrix_window& a, const matrix_window& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Text fields of the parameter record, with their array sizes.
struct text_field {
    size_t offset;
    size_t size;
};
#define TEXT(field)                                                        \
    text_field {                                                           \
        offsetof(data_file_params, field), sizeof(data_file_params::field) \
    }
constexpr text_field kParamTexts[] = {TEXT(text_80),  TEXT(text_320), TEXT(text_258),
                                      TEXT(text_246), TEXT(text_534), TEXT(text_562)};
#undef TEXT
#define FLOAT(field) offsetof(data_file_params, field)
constexpr size_t kParamFloats[] = {FLOAT(val_164), FLOAT(val_168), FLOAT(val_172), FLOAT(val_176),
                                   FLOAT(val_180), FLOAT(val_184), FLOAT(val_198), FLOAT(val_204),
                                   FLOAT(val_226), FLOAT(val_360), FLOAT(val_498)};
#undef FLOAT

// Zeroes the bytes after the first terminator.
void clear_after_terminator(char* text, size_t size) {
    const void* end = std::memchr(text, '\0', size);
    if (end == nullptr) return;
    const size_t length = static_cast<size_t>(static_cast<const char*>(end) - text);
    std::memset(text + length, 0, size - length);
}

// The parameter record as the ASCII file carries it, in a comparable form.
data_file_params ascii_view(const data_file_params& params) {
    data_file_params view = params;
    auto* bytes = reinterpret_cast<char*>(&view);
    for (const text_field& t : kParamTexts) clear_after_terminator(bytes + t.offset, t.size);
    for (const size_t offset : kParamFloats) std::memset(bytes + offset, 0, sizeof(float));
    return view;
}

bool text_fits_line(const char* text, size_t size) {
    const void* end = std::memchr(text, '\0', size);
    if (end == nullptr) return false;
    return std::memchr(text, '\n', static_cast<size_t>(static_cast<const char*>(end) - text)) ==
           nullptr;
}

// A folder of this process under the temporary directory, removed at exit.
struct scratch_folder {
    std::filesystem::path path;

    scratch_folder()
        : path(std::filesystem::temp_directory_path() /
               ("gridtext-fuzz-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(path);
    }
    ~scratch_folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

void fail(const char* what, int32_t first, int32_t second) {
    // u_err_name answers in one buffer: the first name is kept before the second.
    const std::string first_name = u_err_name(first);
    std::fprintf(stderr, "fuzz: %s (%s, %s)\n", what, first_name.c_str(), u_err_name(second));
    std::abort();
}

bool same_intensity(const intens_matrix& a, const intens_matrix& b) {
    return a.size == b.size && same_window(a.window, b.window) && a.n_buckets == b.n_buckets &&
           a.range == b.range && same_elements(a.matrix, b.matrix, a.size);
}

bool same_phase(const phase_matrix& a, const phase_matrix& b) {
    return a.size == b.size && same_window(a.window, b.window) &&
           same_elements(a.matrix, b.matrix, a.size);
}

bool same_records(const measurement& a, const measurement& b) {
    return std::memcmp(&a.ident, &b.ident, sizeof a.ident) == 0 &&
           std::memcmp(&a.params, &b.params, DATA_FILE_PARAMS_IMAGE_SIZE) == 0;
}

bool same_ascii_fields(const measurement& a, const measurement& b) {
    data_file_ident ident_a = a.ident;
    data_file_ident ident_b = b.ident;
    clear_after_terminator(ident_a.ident_text, sizeof ident_a.ident_text);
    clear_after_terminator(ident_b.ident_text, sizeof ident_b.ident_text);
    const data_file_params params_a = ascii_view(a.params);
    const data_file_params params_b = ascii_view(b.params);
    return std::memcmp(&ident_a, &ident_b, sizeof ident_a) == 0 &&
           std::memcmp(&params_a, &params_b, DATA_FILE_PARAMS_IMAGE_SIZE) == 0;
}

bool texts_fit_ascii_lines(const measurement& m) {
    if (!text_fits_line(m.ident.ident_text, sizeof m.ident.ident_text)) return false;
    const auto* bytes = reinterpret_cast<const char*>(&m.params);
    for (const text_field& t : kParamTexts) {
        if (!text_fits_line(bytes + t.offset, t.size)) return false;
    }
    return true;
}

std::string scratch_path(const char* name) {
    static const scratch_folder folder;
    return (folder.path / name).string();
}

std::string read_file(const std::string& path) {
    FILE* const file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) fail("cannot read a written file", 0, 0);
    std::string text;
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
    std::fclose(file);
    return text;
}

void write_file(const std::string& path, const uint8_t* data, size_t size) {
    FILE* const file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) fail("cannot create a scratch file", 0, 0);
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) fail("cannot write a scratch file", 0, 0);
}

void silence_library() {
    gl_PrintFunc = u_print_nothing;
}

}  // namespace fuzz
