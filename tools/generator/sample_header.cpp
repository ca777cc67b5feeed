// A header with plausible values in every field kind: small and negative
// integers, floats that print in plain and exponent form, texts of several
// lengths, and patterned bytes in the fields no one interprets.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/generator/datafile_generator.h"
#include "tools/generator/header_layout.h"

namespace dfgen {
namespace {

template <size_t N>
void set_text(char (&field)[N], const char* text) {
    const size_t length = std::min(std::strlen(text), N - 1);
    std::memset(field, 0, N);
    std::memcpy(field, text, length);
}

// Fields no one interprets get bytes that depend on their file offset, so a
// field moved by one byte shows up as a different value.
void fill_uninterpreted(data_file_params& params, size_t header_length) {
    auto* record = reinterpret_cast<uint8_t*>(&params);
    for (const packed_field& f : PARAM_FIELDS) {
        if (f.kind != field_kind::carried && f.kind != field_kind::raw) continue;
        const size_t length = size_t{f.width} * f.count;
        for (size_t i = 0; i < length && f.file_offset + i < header_length; ++i) {
            record[f.record_offset + i] = static_cast<uint8_t>((f.file_offset + i) * 37 + 11);
        }
    }
}

int32_t element_count_of(int16_t width, int16_t height, int16_t depth) {
    if (width <= 0 || height <= 0 || depth <= 0) return 0;
    return int32_t{width} * height * depth;
}

}  // namespace

header_fields sample_header(const options& opt) {
    header_fields h{};
    h.magic = format_magic(opt.format);
    h.val_4 = 0x0001;
    h.val_6 = 0x00010203;

    h.ident.ident_a = 1;
    char title[30];
    std::snprintf(title, sizeof title, "Sphere %dx%d seed %llu", opt.width, opt.height,
                  static_cast<unsigned long long>(opt.seed));
    set_text(h.ident.ident_text, title);
    h.ident.ident_b = 2024;
    h.ident.ident_c = -3;
    h.ident.ident_d = 14;

    if (opt.intensity) {
        h.intens_window = {8, 6, opt.width, opt.height};
        h.intens_n_buckets = opt.n_buckets;
        h.intens_range = 4095;
        h.intens_bytes = element_count_of(opt.width, opt.height, opt.n_buckets) * 2;
    }
    if (opt.phase) {
        h.phase_window = {8, 6, opt.width, opt.height};
        h.phase_bytes = element_count_of(opt.width, opt.height, 1) * 4;
    }

    data_file_params& p = h.params;
    p.val_76 = 1715680000;
    set_text(p.text_80, "Synthetic spherical test surface");
    p.val_162 = 1;
    p.val_164 = 0.5f;
    p.val_168 = 632.8f;
    p.val_172 = -1.25e-05f;
    p.val_176 = 1234567.0f;
    p.val_180 = 0.0001f;
    p.val_184 = 3.0f;
    p.val_188 = 1;
    p.val_190 = -2;
    p.val_192 = 3;
    p.val_194 = 4;
    p.val_196 = 5;
    p.val_198 = 0.001f;
    p.val_202 = 7;
    p.val_204 = 25.4f;
    p.val_210 = -100000;
    p.val_214 = 123456789;
    p.val_218 = 8;
    p.val_220 = -5;
    p.val_224 = 9;
    p.val_226 = 1e-07f;
    p.val_230 = 10;
    p.val_232 = 11;
    p.val_234 = 12;
    p.val_236 = -13;
    p.val_238 = 14;
    p.val_240 = 15;
    p.val_242 = 300;
    p.val_244 = 16;
    set_text(p.text_246, "2024-05-14");
    set_text(p.text_258, "Reference flat, part 7781-A");
    p.val_298 = 17;
    p.val_300 = -18;
    p.val_302 = 19;
    set_text(p.text_320, "Operator: test rig");
    p.val_360 = 0.8f;
    p.val_364 = 20;
    p.val_498 = -2.5f;
    set_text(p.text_534, "20x objective");
    set_text(p.text_562, "v2.1");
    p.val_242_wide = 0;  // val_242 fits in 16 bits
    fill_uninterpreted(p, header_size(opt.format));
    p.format_mark = opt.format == 3 ? 3 : 0;
    return h;
}

}  // namespace dfgen
