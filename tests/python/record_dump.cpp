// record_dump FILE: what the C++ library reads from a data file, one item a
// line, for the Python tests to hold the module's values against:
//
//   kind N
//   window intensity|phase x y width height [n_buckets range]
//   field NAME int|float|text|bytes|ints VALUE
//   intensity|phase V V V ...
//
// Floats are printed in hexadecimal (exact), texts and bytes as hex digits
// of their bytes (texts up to the first NUL), runs as comma-separated
// numbers. Exit status 1 with the error's name when the read fails.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "datafile/datafile.h"
#include "datafile/param_fields.h"
#include "support/measurement.h"

namespace {

void hex(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) std::printf("%02x", bytes[i]);
    if (size == 0) std::printf("-");
}

template <typename T>
    requires std::is_integral_v<T>
void dump(const char* name, T value) {
    std::printf("field %s int %" PRId64 "\n", name, static_cast<int64_t>(value));
}
void dump(const char* name, float value) {
    std::printf("field %s float %a\n", name, static_cast<double>(value));
}
template <size_t N>
void dump(const char* name, const char (&text)[N]) {
    const void* end = std::memchr(text, '\0', N);
    std::printf("field %s text ", name);
    hex(text, end == nullptr ? N : static_cast<size_t>(static_cast<const char*>(end) - text));
    std::printf("\n");
}
template <size_t N>
void dump(const char* name, const uint8_t (&bytes)[N]) {
    std::printf("field %s bytes ", name);
    hex(bytes, N);
    std::printf("\n");
}
template <size_t N>
void dump(const char* name, const uint32_t (&values)[N]) {
    std::printf("field %s ints", name);
    for (size_t i = 0; i < N; ++i) std::printf("%s%" PRIu32, i == 0 ? " " : ",", values[i]);
    std::printf("\n");
}

template <typename T>
void dump_values(const char* name, const T* values, uint32_t count) {
    std::printf("%s", name);
    for (uint32_t i = 0; i < count; ++i) std::printf(" %" PRId64, static_cast<int64_t>(values[i]));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_dump FILE\n");
        return 2;
    }
    gl_PrintFunc = u_print_nothing;
    measurement m;
    df_file_kind kind{};
    const int32_t err = df_read_any(argv[1], &kind, &m.ident, &m.params, &m.intens, &m.phase);
    if (err != NO_ERROR) {
        std::printf("error %s\n", u_err_name(err));
        return 1;
    }
    std::printf("kind %d\n", static_cast<int>(kind));
    const matrix_window& i = m.intens.window;
    const matrix_window& p = m.phase.window;
    std::printf("window intensity %d %d %d %d %d %u\n", i.x, i.y, i.width, i.height,
                m.intens.n_buckets, m.intens.range);
    std::printf("window phase %d %d %d %d\n", p.x, p.y, p.width, p.height);
    dump("ident_a", m.ident.ident_a);
    dump("ident_text", m.ident.ident_text);
    dump("ident_b", m.ident.ident_b);
    dump("ident_c", m.ident.ident_c);
    dump("ident_d", m.ident.ident_d);
#define DUMP_FIELD(field, file_offset) dump(#field, m.params.field);
    DF_PARAM_FIELDS(DUMP_FIELD)
#undef DUMP_FIELD
    dump_values("intensity", m.intens.matrix, m.intens.matrix == nullptr ? 0 : m.intens.size);
    dump_values("phase", m.phase.matrix, m.phase.matrix == nullptr ? 0 : m.phase.size);
    return 0;
}
