// Matrices as export grids, through the library's value and frame access.
#include <cstring>

#include "app/gridtool/export_formats.h"

namespace {

size_t window_size(const matrix_window& w) {
    return w.width <= 0 || w.height <= 0 ? 0 : static_cast<size_t>(w.width) * static_cast<size_t>(w.height);
}

}  // namespace

int32_t phase_grid(const phase_matrix& phase, value_grid* grid) {
    const size_t n = window_size(phase.window);
    if (n == 0 || phase.matrix == nullptr) return ERR_NO_DATA;
    grid->window = phase.window;
    grid->values.resize(n);
    if (const int32_t err = phase_matrix_values(&phase, grid->values.data(), n); err != NO_ERROR) {
        return err;
    }
    grid->raw.assign(phase.matrix, phase.matrix + n);
    return NO_ERROR;
}

int32_t frame_grid(const intens_matrix& intens, int32_t frame, value_grid* grid) {
    const uint16_t* elements = nullptr;
    if (const int32_t err = intens_matrix_frame(&intens, frame, &elements); err != NO_ERROR) {
        return err;
    }
    const size_t n = window_size(intens.window);
    grid->window = intens.window;
    grid->values.assign(elements, elements + n);
    grid->raw.assign(elements, elements + n);
    return NO_ERROR;
}

bool is_export_format(const std::string& format) {
    return format == "npy" || format == "matrix" || format == "gsf" || format == "csv";
}

std::string encode_as(const std::string& format, const value_grid& grid, bool raw,
                      const gsf_options& gsf) {
    if (format == "npy") return encode_npy(grid, raw);
    if (format == "matrix") return encode_matrix(grid, raw);
    if (format == "gsf") return encode_gsf(grid, gsf);
    return encode_csv(grid);
}

std::string ident_title(const data_file_ident& ident) {
    const void* end = std::memchr(ident.ident_text, 0, sizeof ident.ident_text);
    const size_t length = end == nullptr ? sizeof ident.ident_text
                                         : static_cast<size_t>(static_cast<const char*>(end) -
                                                               ident.ident_text);
    std::string title(ident.ident_text, length);
    while (!title.empty() && (title.back() == ' ' || title.back() == '\t')) title.pop_back();
    return title;
}
