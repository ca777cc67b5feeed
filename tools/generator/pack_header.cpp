// Packing a header into its on-disk form: fields at their file offsets,
// numbers big-endian.
#include <cstring>

#include "tools/generator/datafile_generator.h"
#include "tools/generator/header_layout.h"

namespace dfgen {
namespace {

void put_be(std::vector<uint8_t>& out, size_t offset, uint64_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out[offset + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
    }
}

// One element of a record field, read in host order.
uint64_t element_value(const uint8_t* at, size_t width) {
    if (width == 2) {
        uint16_t v;
        std::memcpy(&v, at, 2);
        return v;
    }
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}

}  // namespace

size_t header_size(int format) {
    return format == 3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;
}

uint32_t format_magic(int format) {
    if (format == 1) return DF_MAGIC_FORMAT1;
    if (format == 3) return DF_MAGIC_FORMAT3;
    return DF_MAGIC_FORMAT2;
}

header_patch patch_be16(size_t offset, uint16_t value) {
    return {offset, {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}};
}

header_patch patch_be32(size_t offset, uint32_t value) {
    return {offset,
            {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
             static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}};
}

std::vector<uint8_t> pack_header(const header_fields& h, int format) {
    std::vector<uint8_t> out(header_size(format), 0);
    put_be(out, 0, h.magic, 4);
    put_be(out, 4, h.val_4, 2);
    put_be(out, 6, h.val_6, 4);
    put_be(out, 10, static_cast<uint16_t>(h.ident.ident_a), 2);
    std::memcpy(out.data() + 12, h.ident.ident_text, sizeof h.ident.ident_text);
    put_be(out, 42, static_cast<uint16_t>(h.ident.ident_b), 2);
    put_be(out, 44, static_cast<uint16_t>(h.ident.ident_c), 2);
    put_be(out, 46, static_cast<uint16_t>(h.ident.ident_d), 2);
    put_be(out, 48, static_cast<uint16_t>(h.intens_window.x), 2);
    put_be(out, 50, static_cast<uint16_t>(h.intens_window.y), 2);
    put_be(out, 52, static_cast<uint16_t>(h.intens_window.width), 2);
    put_be(out, 54, static_cast<uint16_t>(h.intens_window.height), 2);
    put_be(out, 56, static_cast<uint16_t>(h.intens_n_buckets), 2);
    put_be(out, 58, h.intens_range, 2);
    put_be(out, 60, static_cast<uint32_t>(h.intens_bytes), 4);
    put_be(out, 64, static_cast<uint16_t>(h.phase_window.x), 2);
    put_be(out, 66, static_cast<uint16_t>(h.phase_window.y), 2);
    put_be(out, 68, static_cast<uint16_t>(h.phase_window.width), 2);
    put_be(out, 70, static_cast<uint16_t>(h.phase_window.height), 2);
    put_be(out, 72, static_cast<uint32_t>(h.phase_bytes), 4);

    const auto* record = reinterpret_cast<const uint8_t*>(&h.params);
    for (const packed_field& f : PARAM_FIELDS) {
        for (size_t i = 0; i < f.count; ++i) {
            const size_t at = f.file_offset + i * f.width;
            if (at + f.width > out.size()) break;  // formats 1 and 2 end at 834
            const uint8_t* from = record + f.record_offset + i * f.width;
            if (f.kind == field_kind::text || f.kind == field_kind::raw) {
                out[at] = *from;
            } else {
                put_be(out, at, element_value(from, f.width), f.width);
            }
        }
    }
    return out;
}

}  // namespace dfgen
