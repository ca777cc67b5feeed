// Reading a data file of either kind, told apart by its first bytes.
#include <cstring>
#include <memory>

#include "datafile/datafile.h"
#include "platform/platform.h"

namespace {

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Both ASCII formats begin with this; the reader checks the rest of the line.
constexpr char kAsciiHeading[] = "Tesk ASCII Data File - Format ";

df_file_kind kind_from(const char* head, size_t length) {
    const size_t heading = sizeof kAsciiHeading - 1;
    if (length >= heading && std::memcmp(head, kAsciiHeading, heading) == 0) return DF_KIND_ASCII;
    if (length >= 4) {
        const auto* b = reinterpret_cast<const uint8_t*>(head);
        const uint32_t magic = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) |
                               (uint32_t{b[2]} << 8) | uint32_t{b[3]};
        if (magic == DF_MAGIC_FORMAT1) return DF_KIND_BINARY_FORMAT1;
        if (magic == DF_MAGIC_FORMAT3) return DF_KIND_BINARY_FORMAT3;
    }
    return DF_KIND_BINARY_FORMAT2;
}

// Reads a stream of the kind found; the ASCII reader needs both records,
// which a caller may not want.
int32_t read_kind(FILE* stream, df_file_kind found, data_file_ident* ident,
                  data_file_params* params, intens_matrix* intens, phase_matrix* phase) {
    if (found != DF_KIND_ASCII) return df_read_binary_stream(stream, ident, params, intens, phase);
    data_file_ident own_ident{};
    data_file_params own_params{};
    return df_read_ascii_stream(stream, ident != nullptr ? ident : &own_ident,
                                params != nullptr ? params : &own_params, intens, phase);
}

}  // namespace

int32_t df_read_any(plat::path_ref path, df_file_kind* kind, data_file_ident* ident,
                    data_file_params* params, intens_matrix* intens, phase_matrix* phase) {
    const std::unique_ptr<FILE, file_closer> stream(plat::open_regular_file(path, "rb"));
    if (!stream) return ERR_CANT_OPEN_FILE;
    char head[sizeof kAsciiHeading] = {};
    const size_t length = std::fread(head, 1, sizeof head, stream.get());
    const df_file_kind found = kind_from(head, length);
    if (kind != nullptr) *kind = found;
    // A regular file always goes back to its start.
    if (std::fseek(stream.get(), 0, SEEK_SET) != 0) return ERR_CANT_READ_FILE;
    return read_kind(stream.get(), found, ident, params, intens, phase);
}

int32_t df_read_any_memory(const void* data, size_t size, df_file_kind* kind,
                           data_file_ident* ident, data_file_params* params,
                           intens_matrix* intens, phase_matrix* phase) {
    if (data == nullptr && size > 0) return ERR_INVALID_PARAM;
    const df_file_kind found = kind_from(static_cast<const char*>(data), size);
    if (kind != nullptr) *kind = found;
    const std::unique_ptr<FILE, file_closer> stream(plat::open_memory_stream(data, size));
    if (!stream) return ERR_NO_MEM;
    return read_kind(stream.get(), found, ident, params, intens, phase);
}
