// Where each parameter-record field lies in a binary data file header: its
// file offset, element width and count, and how it is stored. The file
// offsets are written out field by field (not derived from the reader's
// widening table), so files made from this layout check the reader
// independently.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datafile/datafile.h"

namespace dfgen {

enum class field_kind : uint8_t {
    number,   // interpreted number: big-endian in the file
    carried,  // number no one interprets: big-endian in the file
    text,     // characters, copied as they are
    raw,      // bytes, copied as they are
};

struct packed_field {
    uint16_t file_offset;
    uint16_t record_offset;  // offset in data_file_params
    uint8_t width;           // bytes per element
    uint16_t count;          // elements (bytes for text and raw)
    field_kind kind;
};

#define DFGEN_NUM(field, file_offset)                                                       \
    packed_field {                                                                          \
        file_offset, offsetof(data_file_params, field), sizeof(data_file_params::field), 1, \
            field_kind::number                                                              \
    }
#define DFGEN_X(field, file_offset)                                                         \
    packed_field {                                                                          \
        file_offset, offsetof(data_file_params, field), sizeof(data_file_params::field), 1, \
            field_kind::carried                                                             \
    }
#define DFGEN_ARR(field, file_offset)                                                           \
    packed_field {                                                                              \
        file_offset, offsetof(data_file_params, field), 4, sizeof(data_file_params::field) / 4, \
            field_kind::carried                                                                 \
    }
#define DFGEN_BYTES(field, file_offset, kind)                                                    \
    packed_field {                                                                               \
        file_offset, offsetof(data_file_params, field), 1, sizeof(data_file_params::field), kind \
    }
#define DFGEN_TEXT(field, file_offset) DFGEN_BYTES(field, file_offset, field_kind::text)
#define DFGEN_RAW(field, file_offset) DFGEN_BYTES(field, file_offset, field_kind::raw)

inline constexpr packed_field PARAM_FIELDS[] = {
    DFGEN_NUM(val_76, 76),        DFGEN_TEXT(text_80, 80),   DFGEN_NUM(val_162, 162),
    DFGEN_NUM(val_164, 164),      DFGEN_NUM(val_168, 168),   DFGEN_NUM(val_172, 172),
    DFGEN_NUM(val_176, 176),      DFGEN_NUM(val_180, 180),   DFGEN_NUM(val_184, 184),
    DFGEN_NUM(val_188, 188),      DFGEN_NUM(val_190, 190),   DFGEN_NUM(val_192, 192),
    DFGEN_NUM(val_194, 194),      DFGEN_NUM(val_196, 196),   DFGEN_NUM(val_198, 198),
    DFGEN_NUM(val_202, 202),      DFGEN_NUM(val_204, 204),   DFGEN_RAW(raw_208, 208),
    DFGEN_NUM(val_210, 210),      DFGEN_NUM(val_214, 214),   DFGEN_NUM(val_218, 218),
    DFGEN_NUM(val_220, 220),      DFGEN_NUM(val_224, 224),   DFGEN_NUM(val_226, 226),
    DFGEN_NUM(val_230, 230),      DFGEN_NUM(val_232, 232),   DFGEN_NUM(val_234, 234),
    DFGEN_NUM(val_236, 236),      DFGEN_NUM(val_238, 238),   DFGEN_NUM(val_240, 240),
    DFGEN_NUM(val_242, 242),      DFGEN_NUM(val_244, 244),   DFGEN_TEXT(text_246, 246),
    DFGEN_TEXT(text_258, 258),    DFGEN_NUM(val_298, 298),   DFGEN_NUM(val_300, 300),
    DFGEN_NUM(val_302, 302),      DFGEN_RAW(raw_304, 304),   DFGEN_TEXT(text_320, 320),
    DFGEN_NUM(val_360, 360),      DFGEN_NUM(val_364, 364),   DFGEN_X(val_366, 366),
    DFGEN_X(val_368, 368),        DFGEN_X(val_372, 372),     DFGEN_X(val_374, 374),
    DFGEN_X(val_376, 376),        DFGEN_X(val_380, 380),     DFGEN_X(val_384, 384),
    DFGEN_X(val_386, 386),        DFGEN_X(val_390, 390),     DFGEN_X(val_394, 394),
    DFGEN_RAW(raw_398, 398),      DFGEN_X(val_406, 406),     DFGEN_RAW(raw_408, 408),
    DFGEN_X(val_428, 428),        DFGEN_ARR(arr_430, 430),   DFGEN_X(val_486, 486),
    DFGEN_X(val_490, 490),        DFGEN_X(val_494, 494),     DFGEN_NUM(val_498, 498),
    DFGEN_RAW(raw_502, 502),      DFGEN_TEXT(text_534, 534), DFGEN_TEXT(text_562, 562),
    DFGEN_RAW(raw_570, 570),      DFGEN_X(val_734, 734),     DFGEN_RAW(raw_736, 736),
    DFGEN_NUM(val_242_wide, 798), DFGEN_RAW(raw_802, 802),   DFGEN_X(val_816, 816),
    DFGEN_RAW(raw_818, 818),      DFGEN_X(val_838, 838),     DFGEN_X(val_840, 840),
    DFGEN_X(val_842, 842),        DFGEN_X(val_846, 846),     DFGEN_X(val_850, 850),
    DFGEN_X(val_854, 854),        DFGEN_X(val_858, 858),     DFGEN_X(val_862, 862),
    DFGEN_X(val_866, 866),        DFGEN_RAW(raw_870, 870),   DFGEN_NUM(format_mark, 898),
    DFGEN_X(val_900, 900),        DFGEN_X(val_902, 902),     DFGEN_RAW(raw_904, 904),
    DFGEN_X(val_934, 934),        DFGEN_RAW(raw_938, 938),   DFGEN_ARR(arr_998, 998),
    DFGEN_RAW(raw_1038, 1038),    DFGEN_X(val_1126, 1126),   DFGEN_X(val_1130, 1130),
    DFGEN_ARR(arr_1134, 1134),    DFGEN_RAW(raw_1218, 1218), DFGEN_X(val_1250, 1250),
    DFGEN_X(val_1254, 1254),      DFGEN_X(val_1258, 1258),   DFGEN_RAW(raw_1262, 1262),
    DFGEN_X(val_1264, 1264),      DFGEN_ARR(arr_1266, 1266), DFGEN_RAW(raw_1322, 1322),
    DFGEN_X(val_1324, 1324),      DFGEN_ARR(arr_1326, 1326), DFGEN_RAW(raw_1382, 1382),
    DFGEN_X(val_1384, 1384),      DFGEN_ARR(arr_1386, 1386), DFGEN_RAW(raw_1442, 1442),
    DFGEN_X(val_1446, 1446),      DFGEN_X(val_1450, 1450),   DFGEN_RAW(raw_1454, 1454),
};

#undef DFGEN_NUM
#undef DFGEN_X
#undef DFGEN_ARR
#undef DFGEN_BYTES
#undef DFGEN_TEXT
#undef DFGEN_RAW

// The fields follow each other without gaps from file offset 76 to the end
// of a format 3 header, in record order.
constexpr bool fields_tile_header() {
    size_t file_end = 76;
    size_t record_end = 0;
    for (const packed_field& f : PARAM_FIELDS) {
        if (f.file_offset != file_end || f.record_offset < record_end) return false;
        file_end += size_t{f.width} * f.count;
        record_end = f.record_offset + size_t{f.width} * f.count;
    }
    return file_end == DF_HEADER_SIZE_LONG;
}
static_assert(fields_tile_header());

}  // namespace dfgen
