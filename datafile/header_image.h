// The widened header image of a binary data file: where each field lies in
// memory after the 2-byte gaps are inserted, which fields are byte-swapped,
// and proofs that the records mirror the image exactly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "datafile/datafile.h"

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
static_assert(offsetof(data_file_params, val_76) == 0);
static_assert(offsetof(data_file_params, text_80) == 4);
static_assert(offsetof(data_file_params, val_162) == 86);
static_assert(offsetof(data_file_params, val_164) == 88);
static_assert(offsetof(data_file_params, val_168) == 92);
static_assert(offsetof(data_file_params, val_172) == 96);
static_assert(offsetof(data_file_params, val_176) == 100);
static_assert(offsetof(data_file_params, val_180) == 104);
static_assert(offsetof(data_file_params, val_184) == 108);
static_assert(offsetof(data_file_params, val_188) == 112);
static_assert(offsetof(data_file_params, val_190) == 114);
static_assert(offsetof(data_file_params, val_192) == 116);
static_assert(offsetof(data_file_params, val_194) == 118);
static_assert(offsetof(data_file_params, val_196) == 120);
static_assert(offsetof(data_file_params, val_198) == 124);
static_assert(offsetof(data_file_params, val_202) == 128);
static_assert(offsetof(data_file_params, val_204) == 132);
static_assert(offsetof(data_file_params, raw_208) == 136);
static_assert(offsetof(data_file_params, val_210) == 140);
static_assert(offsetof(data_file_params, val_214) == 144);
static_assert(offsetof(data_file_params, val_218) == 148);
static_assert(offsetof(data_file_params, val_220) == 152);
static_assert(offsetof(data_file_params, val_224) == 156);
static_assert(offsetof(data_file_params, val_226) == 160);
static_assert(offsetof(data_file_params, val_230) == 164);
static_assert(offsetof(data_file_params, val_232) == 166);
static_assert(offsetof(data_file_params, val_234) == 168);
static_assert(offsetof(data_file_params, val_236) == 170);
static_assert(offsetof(data_file_params, val_238) == 172);
static_assert(offsetof(data_file_params, val_240) == 174);
static_assert(offsetof(data_file_params, val_242) == 176);
static_assert(offsetof(data_file_params, val_244) == 178);
static_assert(offsetof(data_file_params, text_246) == 180);
static_assert(offsetof(data_file_params, text_258) == 192);
static_assert(offsetof(data_file_params, val_298) == 232);
static_assert(offsetof(data_file_params, val_300) == 234);
static_assert(offsetof(data_file_params, val_302) == 236);
static_assert(offsetof(data_file_params, raw_304) == 238);
static_assert(offsetof(data_file_params, text_320) == 254);
static_assert(offsetof(data_file_params, val_360) == 296);
static_assert(offsetof(data_file_params, val_364) == 300);
static_assert(offsetof(data_file_params, val_366) == 302);
static_assert(offsetof(data_file_params, val_368) == 304);
static_assert(offsetof(data_file_params, val_372) == 308);
static_assert(offsetof(data_file_params, val_374) == 310);
static_assert(offsetof(data_file_params, val_376) == 312);
static_assert(offsetof(data_file_params, val_380) == 316);
static_assert(offsetof(data_file_params, val_384) == 320);
static_assert(offsetof(data_file_params, val_386) == 324);
static_assert(offsetof(data_file_params, val_390) == 328);
static_assert(offsetof(data_file_params, val_394) == 332);
static_assert(offsetof(data_file_params, raw_398) == 336);
static_assert(offsetof(data_file_params, val_406) == 344);
static_assert(offsetof(data_file_params, raw_408) == 346);
static_assert(offsetof(data_file_params, val_428) == 366);
static_assert(offsetof(data_file_params, arr_430) == 368);
static_assert(offsetof(data_file_params, val_486) == 424);
static_assert(offsetof(data_file_params, val_490) == 428);
static_assert(offsetof(data_file_params, val_494) == 432);
static_assert(offsetof(data_file_params, val_498) == 436);
static_assert(offsetof(data_file_params, raw_502) == 440);
static_assert(offsetof(data_file_params, text_534) == 472);
static_assert(offsetof(data_file_params, text_562) == 500);
static_assert(offsetof(data_file_params, raw_570) == 508);
static_assert(offsetof(data_file_params, val_734) == 672);
static_assert(offsetof(data_file_params, raw_736) == 674);
static_assert(offsetof(data_file_params, val_242_wide) == 736);
static_assert(offsetof(data_file_params, raw_802) == 740);
static_assert(offsetof(data_file_params, val_816) == 754);
static_assert(offsetof(data_file_params, raw_818) == 756);
static_assert(offsetof(data_file_params, val_838) == 776);
static_assert(offsetof(data_file_params, val_840) == 778);
static_assert(offsetof(data_file_params, val_842) == 780);
static_assert(offsetof(data_file_params, val_846) == 784);
static_assert(offsetof(data_file_params, val_850) == 788);
static_assert(offsetof(data_file_params, val_854) == 792);
static_assert(offsetof(data_file_params, val_858) == 796);
static_assert(offsetof(data_file_params, val_862) == 800);
static_assert(offsetof(data_file_params, val_866) == 804);
static_assert(offsetof(data_file_params, raw_870) == 808);
static_assert(offsetof(data_file_params, format_mark) == 836);
static_assert(offsetof(data_file_params, val_900) == 838);
static_assert(offsetof(data_file_params, val_902) == 840);
static_assert(offsetof(data_file_params, raw_904) == 842);
static_assert(offsetof(data_file_params, val_934) == 872);
static_assert(offsetof(data_file_params, raw_938) == 876);
static_assert(offsetof(data_file_params, arr_998) == 936);
static_assert(offsetof(data_file_params, raw_1038) == 976);
static_assert(offsetof(data_file_params, val_1126) == 1064);
static_assert(offsetof(data_file_params, val_1130) == 1068);
static_assert(offsetof(data_file_params, arr_1134) == 1072);
static_assert(offsetof(data_file_params, raw_1218) == 1156);
static_assert(offsetof(data_file_params, val_1250) == 1188);
static_assert(offsetof(data_file_params, val_1254) == 1192);
static_assert(offsetof(data_file_params, val_1258) == 1196);
static_assert(offsetof(data_file_params, raw_1262) == 1200);
static_assert(offsetof(data_file_params, val_1264) == 1202);
static_assert(offsetof(data_file_params, arr_1266) == 1204);
static_assert(offsetof(data_file_params, raw_1322) == 1260);
static_assert(offsetof(data_file_params, val_1324) == 1262);
static_assert(offsetof(data_file_params, arr_1326) == 1264);
static_assert(offsetof(data_file_params, raw_1382) == 1320);
static_assert(offsetof(data_file_params, val_1384) == 1322);
static_assert(offsetof(data_file_params, arr_1386) == 1324);
static_assert(offsetof(data_file_params, raw_1442) == 1380);
static_assert(offsetof(data_file_params, val_1446) == 1384);
static_assert(offsetof(data_file_params, val_1450) == 1388);
static_assert(offsetof(data_file_params, raw_1454) == 1392);
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
