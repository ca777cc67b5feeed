// print_datafile_records: reads a binary data file with the library and
// prints what its records hold, for a reader in another language to be
// checked against: one "name value" line per field that the ASCII data file
// carries (texts as hexadecimal bytes up to their terminator, floating-point
// values in hexadecimal "%a" form, exact),
// then "valid_points N" from the phase statistics, then a line "intensity"
// and a line "phase" with every value in storage order.
//
//   print_datafile_records FILE
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "datafile/datafile.h"

namespace {

void number(const char* name, long long value) {
    std::printf("%s %lld\n", name, value);
}

void real(const char* name, float value) {
    std::printf("%s %a\n", name, static_cast<double>(value));
}

template <size_t N>
void text(const char* name, const char (&field)[N]) {
    std::printf("%s ", name);
    for (size_t i = 0; i < N && field[i] != '\0'; ++i) {
        std::printf("%02x", static_cast<unsigned>(static_cast<unsigned char>(field[i])));
    }
    std::printf("\n");
}

template <typename T>
void values(const char* name, const T* data, int64_t count) {
    std::printf("%s", name);
    for (int64_t i = 0; i < count; ++i) std::printf(" %lld", static_cast<long long>(data[i]));
    std::printf("\n");
}

void print_records(const data_file_ident& id, const data_file_params& p, const intens_matrix& in,
                   const phase_matrix& ph) {
    number("ident_a", id.ident_a);
    number("ident_b", id.ident_b);
    number("ident_c", id.ident_c);
    number("ident_d", id.ident_d);
    text("ident_text", id.ident_text);

    number("intens_x", in.window.x);
    number("intens_y", in.window.y);
    number("intens_width", in.window.width);
    number("intens_height", in.window.height);
    number("intens_n_buckets", in.n_buckets);
    number("intens_range", in.range);
    number("phase_x", ph.window.x);
    number("phase_y", ph.window.y);
    number("phase_width", ph.window.width);
    number("phase_height", ph.window.height);

    text("text_80", p.text_80);
    text("text_320", p.text_320);
    text("text_258", p.text_258);
    text("text_246", p.text_246);
    text("text_534", p.text_534);
    text("text_562", p.text_562);

    for (const auto& [name, value] : {std::pair{"val_164", p.val_164},
                                      {"val_168", p.val_168},
                                      {"val_172", p.val_172},
                                      {"val_176", p.val_176},
                                      {"val_180", p.val_180},
                                      {"val_184", p.val_184},
                                      {"val_204", p.val_204},
                                      {"val_498", p.val_498},
                                      {"val_226", p.val_226},
                                      {"val_360", p.val_360},
                                      {"val_198", p.val_198}}) {
        real(name, value);
    }
    for (const auto& [name, value] :
         {std::pair{"val_162", p.val_162}, {"val_234", p.val_234}, {"val_236", p.val_236},
          {"val_238", p.val_238},          {"val_240", p.val_240}, {"val_242", p.val_242},
          {"val_244", p.val_244},          {"val_188", p.val_188}, {"val_190", p.val_190},
          {"val_192", p.val_192},          {"val_196", p.val_196}, {"val_194", p.val_194},
          {"val_202", p.val_202},          {"val_218", p.val_218}, {"val_300", p.val_300},
          {"val_224", p.val_224},          {"val_230", p.val_230}, {"val_364", p.val_364},
          {"val_232", p.val_232},          {"val_298", p.val_298}, {"val_302", p.val_302}}) {
        number(name, value);
    }
    for (const auto& [name, value] : {std::pair{"val_76", p.val_76},
                                      {"val_210", p.val_210},
                                      {"val_214", p.val_214},
                                      {"val_220", p.val_220},
                                      {"val_242_wide", p.val_242_wide}}) {
        number(name, value);
    }

    phase_stats stats{};
    number("valid_points", phase_matrix_stats(&ph, nullptr, &stats) == NO_ERROR ? stats.count : 0);
    values("intensity", in.matrix,
           in.matrix == nullptr ? 0 : int64_t{in.window.width} * in.window.height * in.n_buckets);
    values("phase", ph.matrix,
           ph.matrix == nullptr ? 0 : int64_t{ph.window.width} * ph.window.height);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage:  print_datafile_records FILE\n");
        return 2;
    }
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    const int32_t err = df_read_binary(argv[1], &ident, &params, &intens, &phase);
    if (err != NO_ERROR) {
        std::fprintf(stderr, "print_datafile_records: %s: %s\n", argv[1], u_err_name(err));
        return 1;
    }
    print_records(ident, params, intens, phase);
    intens_matrix_free(&intens);
    phase_matrix_free(&phase);
    return 0;
}
