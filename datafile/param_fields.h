// The fields of data_file_params by name, in record order, each with its
// offset in the binary file header. Code that walks the record field by
// field (layout checks, bindings, dumps) expands this list instead of
// naming the fields again:
//
//   #define FIELD(name, file_offset) ...
//   DF_PARAM_FIELDS(FIELD)
//
// header_image.h proves at compile time that the list holds every field of
// the record at its place and nothing else.
#pragma once

// clang-format off
#define DF_PARAM_FIELDS(X) \
    X(val_76, 76) X(text_80, 80) X(val_162, 162) X(val_164, 164) X(val_168, 168) \
    X(val_172, 172) X(val_176, 176) X(val_180, 180) X(val_184, 184) X(val_188, 188) \
    X(val_190, 190) X(val_192, 192) X(val_194, 194) X(val_196, 196) X(val_198, 198) \
    X(val_202, 202) X(val_204, 204) X(raw_208, 208) X(val_210, 210) X(val_214, 214) \
    X(val_218, 218) X(val_220, 220) X(val_224, 224) X(val_226, 226) X(val_230, 230) \
    X(val_232, 232) X(val_234, 234) X(val_236, 236) X(val_238, 238) X(val_240, 240) \
    X(val_242, 242) X(val_244, 244) X(text_246, 246) X(text_258, 258) X(val_298, 298) \
    X(val_300, 300) X(val_302, 302) X(raw_304, 304) X(text_320, 320) X(val_360, 360) \
    X(val_364, 364) X(val_366, 366) X(val_368, 368) X(val_372, 372) X(val_374, 374) \
    X(val_376, 376) X(val_380, 380) X(val_384, 384) X(val_386, 386) X(val_390, 390) \
    X(val_394, 394) X(raw_398, 398) X(val_406, 406) X(raw_408, 408) X(val_428, 428) \
    X(arr_430, 430) X(val_486, 486) X(val_490, 490) X(val_494, 494) X(val_498, 498) \
    X(raw_502, 502) X(text_534, 534) X(text_562, 562) X(raw_570, 570) X(val_734, 734) \
    X(raw_736, 736) X(val_242_wide, 798) X(raw_802, 802) X(val_816, 816) \
    X(raw_818, 818) X(val_838, 838) X(val_840, 840) X(val_842, 842) X(val_846, 846) \
    X(val_850, 850) X(val_854, 854) X(val_858, 858) X(val_862, 862) X(val_866, 866) \
    X(raw_870, 870) X(format_mark, 898) X(val_900, 900) X(val_902, 902) X(raw_904, 904) \
    X(val_934, 934) X(raw_938, 938) X(arr_998, 998) X(raw_1038, 1038) X(val_1126, 1126) \
    X(val_1130, 1130) X(arr_1134, 1134) X(raw_1218, 1218) X(val_1250, 1250) \
    X(val_1254, 1254) X(val_1258, 1258) X(raw_1262, 1262) X(val_1264, 1264) \
    X(arr_1266, 1266) X(raw_1322, 1322) X(val_1324, 1324) X(arr_1326, 1326) \
    X(raw_1382, 1382) X(val_1384, 1384) X(arr_1386, 1386) X(raw_1442, 1442) \
    X(val_1446, 1446) X(val_1450, 1450) X(raw_1454, 1454)
// clang-format on
