// The widened header image of a binary data file: where each field lies in
// memory after the 2-byte gaps are inserted, which fields are byte-swapped,
// and proofs that the records mirror the image exactly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datafile/datafile.h"
#include "datafile/param_fields.h"

// The header fields in front of the parameter record, as they lie in the
// widened image (the gaps at file offsets 6 and 60 are the padding here).
struct data_file_header_prefix {
    uint32_t magic;
    uint16_t val_4;
    uint32_t val_6;
    data_file_ident ident;
    int16_t intens_x;
    int16_t intens_y;
    int16_t intens_width;
    int16_t intens_height;
    int16_t intens_n_buckets;
    uint16_t intens_range;
    int32_t intens_bytes;
    int16_t phase_x;
    int16_t phase_y;
    int16_t phase_width;
    int16_t phase_height;
    int32_t phase_bytes;
};

// The parameter record starts at file offset 76, which is image offset 80.
inline constexpr size_t DF_PARAMS_IMAGE_OFFSET = 80;
static_assert(sizeof(data_file_header_prefix) == DF_PARAMS_IMAGE_OFFSET);
static_assert(offsetof(data_file_header_prefix, val_6) == 8);
static_assert(offsetof(data_file_header_prefix, ident) == 12);
static_assert(sizeof(data_file_ident) == 38);
static_assert(offsetof(data_file_header_prefix, intens_x) == 50);
static_assert(offsetof(data_file_header_prefix, intens_bytes) == 64);
static_assert(offsetof(data_file_header_prefix, phase_bytes) == 76);
static_assert(DF_PARAMS_IMAGE_OFFSET + DATA_FILE_PARAMS_IMAGE_SIZE == DF_IMAGE_SIZE);

// File offsets in front of which the widening inserts 2 zero bytes.
inline constexpr uint16_t DF_INSERTION_OFFSETS[9] = {6, 60, 198, 204, 210, 220, 226, 360, 386};

// The inverse of df_expand_header: takes the gaps out of a widened image in
// place, leaving the packed header (834 or 4096 bytes by magic) at its start.
void df_narrow_header(uint8_t* image, uint32_t magic);

// Every field of the record at its image offset minus 80: a field at file
// offset F lies at F + 2 for each insertion offset at or below F.
constexpr size_t df_image_offset(size_t file_offset) {
    size_t offset = file_offset;
    for (const uint16_t inserted : DF_INSERTION_OFFSETS) {
        if (inserted <= file_offset) offset += 2;
    }
    return offset;
}
#define DF_CHECK_FIELD_PLACE(field, file_offset)                                        \
    static_assert(DF_PARAMS_IMAGE_OFFSET + offsetof(data_file_params, field) ==          \
                      df_image_offset(file_offset),                                      \
                  #field " is not at its place in the record");
DF_PARAM_FIELDS(DF_CHECK_FIELD_PLACE)
#undef DF_CHECK_FIELD_PLACE

// With every listed field at its place, fields that fill the image but for
// the seven 2-byte gaps inside the record mean the list names them all.
#define DF_FIELD_SIZE(field, file_offset) +sizeof(data_file_params::field)
static_assert(0 DF_PARAM_FIELDS(DF_FIELD_SIZE) + 7 * 2 == DATA_FILE_PARAMS_IMAGE_SIZE,
              "DF_PARAM_FIELDS misses a field of data_file_params");
#undef DF_FIELD_SIZE
static_assert(offsetof(data_file_params, raw_1454) + sizeof(data_file_params::raw_1454) ==
              DATA_FILE_PARAMS_IMAGE_SIZE);

// One run of numbers to byte-swap: image offset, width of one number, count.
struct df_swap_run {
    uint16_t offset;
    uint8_t width;
    uint8_t count;
};

#define PREFIX(field, width, count) \
    { offsetof(data_file_header_prefix, field), width, count }
#define IDENT(field, width, count) \
    { offsetof(data_file_header_prefix, ident) + offsetof(data_file_ident, field), width, count }
#define PARAM(field, width, count) \
    { DF_PARAMS_IMAGE_OFFSET + offsetof(data_file_params, field), width, count }

// Every number of the header except val_242_wide (carried as it stands in the
// file) and format_mark (set by the reader). Texts and raw bytes are absent.
inline constexpr df_swap_run DF_SWAP_MAP[] = {
    PREFIX(magic, 4, 1),        PREFIX(val_4, 2, 1),         PREFIX(val_6, 4, 1),
    IDENT(ident_a, 2, 1),       IDENT(ident_b, 2, 1),        IDENT(ident_c, 2, 1),
    IDENT(ident_d, 2, 1),       PREFIX(intens_x, 2, 1),      PREFIX(intens_y, 2, 1),
    PREFIX(intens_width, 2, 1), PREFIX(intens_height, 2, 1), PREFIX(intens_n_buckets, 2, 1),
    PREFIX(intens_range, 2, 1), PREFIX(intens_bytes, 4, 1),  PREFIX(phase_x, 2, 1),
    PREFIX(phase_y, 2, 1),      PREFIX(phase_width, 2, 1),   PREFIX(phase_height, 2, 1),
    PREFIX(phase_bytes, 4, 1),  PARAM(val_76, 4, 1),         PARAM(val_162, 2, 1),
    PARAM(val_164, 4, 1),       PARAM(val_168, 4, 1),        PARAM(val_172, 4, 1),
    PARAM(val_176, 4, 1),       PARAM(val_180, 4, 1),        PARAM(val_184, 4, 1),
    PARAM(val_188, 2, 1),       PARAM(val_190, 2, 1),        PARAM(val_192, 2, 1),
    PARAM(val_194, 2, 1),       PARAM(val_196, 2, 1),        PARAM(val_198, 4, 1),
    PARAM(val_202, 2, 1),       PARAM(val_204, 4, 1),        PARAM(val_210, 4, 1),
    PARAM(val_214, 4, 1),       PARAM(val_218, 2, 1),        PARAM(val_220, 4, 1),
    PARAM(val_224, 2, 1),       PARAM(val_226, 4, 1),        PARAM(val_230, 2, 1),
    PARAM(val_232, 2, 1),       PARAM(val_234, 2, 1),        PARAM(val_236, 2, 1),
    PARAM(val_238, 2, 1),       PARAM(val_240, 2, 1),        PARAM(val_242, 2, 1),
    PARAM(val_244, 2, 1),       PARAM(val_298, 2, 1),        PARAM(val_300, 2, 1),
    PARAM(val_302, 2, 1),       PARAM(val_360, 4, 1),        PARAM(val_364, 2, 1),
    PARAM(val_366, 2, 1),       PARAM(val_368, 4, 1),        PARAM(val_372, 2, 1),
    PARAM(val_374, 2, 1),       PARAM(val_376, 4, 1),        PARAM(val_380, 4, 1),
    PARAM(val_384, 2, 1),       PARAM(val_386, 4, 1),        PARAM(val_390, 4, 1),
    PARAM(val_394, 4, 1),       PARAM(val_406, 2, 1),        PARAM(val_428, 2, 1),
    PARAM(arr_430, 4, 14),      PARAM(val_486, 4, 1),        PARAM(val_490, 4, 1),
    PARAM(val_494, 4, 1),       PARAM(val_498, 4, 1),        PARAM(val_734, 2, 1),
    PARAM(val_816, 2, 1),       PARAM(val_838, 2, 1),        PARAM(val_840, 2, 1),
    PARAM(val_842, 4, 1),       PARAM(val_846, 4, 1),        PARAM(val_850, 4, 1),
    PARAM(val_854, 4, 1),       PARAM(val_858, 4, 1),        PARAM(val_862, 4, 1),
    PARAM(val_866, 4, 1),       PARAM(val_900, 2, 1),        PARAM(val_902, 2, 1),
    PARAM(val_934, 4, 1),       PARAM(arr_998, 4, 10),       PARAM(val_1126, 4, 1),
    PARAM(val_1130, 4, 1),      PARAM(arr_1134, 4, 21),      PARAM(val_1250, 4, 1),
    PARAM(val_1254, 4, 1),      PARAM(val_1258, 4, 1),       PARAM(val_1264, 2, 1),
    PARAM(arr_1266, 4, 14),     PARAM(val_1324, 2, 1),       PARAM(arr_1326, 4, 14),
    PARAM(val_1384, 2, 1),      PARAM(arr_1386, 4, 14),      PARAM(val_1446, 4, 1),
    PARAM(val_1450, 4, 1),
};

#undef PREFIX
#undef IDENT
#undef PARAM
