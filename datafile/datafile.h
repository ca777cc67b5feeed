// One measurement in memory: identification block, parameter record,
// intensity and phase matrices; the binary reader, the ASCII writer and their
// helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "errors/errors.h"
#include "util/util.h"

// Identification block of a data file.
struct data_file_ident {
    int16_t ident_a;
    char ident_text[30];
    int16_t ident_b;
    int16_t ident_c;
    int16_t ident_d;
};

// Parameter record: every header field from file offset 76 on, in file order,
// naturally aligned. Its memory image is the widened header from file offset
// 76 to the end, so a reader fills it with one copy. Fields named val_, text_,
// arr_ and raw_ after their file offset are numbers, texts, runs of 32-bit
// values and bytes carried unconverted. Fields from offset 834 on exist only
// in format 3 files and are zero otherwise.
struct data_file_params {
    int32_t val_76;
    char text_80[82];
    int16_t val_162;
    float val_164;
    float val_168;
    float val_172;
    float val_176;
    float val_180;
    float val_184;
    int16_t val_188;
    int16_t val_190;
    int16_t val_192;
    int16_t val_194;
    int16_t val_196;
    float val_198;
    int16_t val_202;
    float val_204;
    uint8_t raw_208[2];
    int32_t val_210;
    int32_t val_214;
    int16_t val_218;
    int32_t val_220;
    int16_t val_224;
    float val_226;
    int16_t val_230;
    int16_t val_232;
    int16_t val_234;
    int16_t val_236;
    int16_t val_238;
    int16_t val_240;
    int16_t val_242;
    int16_t val_244;
    char text_246[12];
    char text_258[40];
    int16_t val_298;
    int16_t val_300;
    int16_t val_302;
    uint8_t raw_304[16];
    char text_320[40];
    float val_360;
    int16_t val_364;
    uint16_t val_366;
    uint32_t val_368;
    uint16_t val_372;
    uint16_t val_374;
    uint32_t val_376;
    uint32_t val_380;
    uint16_t val_384;
    uint32_t val_386;
    uint32_t val_390;
    uint32_t val_394;
    uint8_t raw_398[8];
    uint16_t val_406;
    uint8_t raw_408[20];
    uint16_t val_428;
    uint32_t arr_430[14];
    uint32_t val_486;
    uint32_t val_490;
    uint32_t val_494;
    float val_498;
    uint8_t raw_502[32];
    char text_534[28];
    char text_562[8];
    uint8_t raw_570[164];
    uint16_t val_734;
    uint8_t raw_736[62];
    int32_t val_242_wide;
    uint8_t raw_802[14];
    uint16_t val_816;
    uint8_t raw_818[20];
    uint16_t val_838;
    uint16_t val_840;
    uint32_t val_842;
    uint32_t val_846;
    uint32_t val_850;
    uint32_t val_854;
    uint32_t val_858;
    uint32_t val_862;
    uint32_t val_866;
    uint8_t raw_870[28];
    int16_t format_mark;
    uint16_t val_900;
    uint16_t val_902;
    uint8_t raw_904[30];
    uint32_t val_934;
    uint8_t raw_938[60];
    uint32_t arr_998[10];
    uint8_t raw_1038[88];
    uint32_t val_1126;
    uint32_t val_1130;
    uint32_t arr_1134[21];
    uint8_t raw_1218[32];
    uint32_t val_1250;
    uint32_t val_1254;
    uint32_t val_1258;
    uint8_t raw_1262[2];
    uint16_t val_1264;
    uint32_t arr_1266[14];
    uint8_t raw_1322[2];
    uint16_t val_1324;
    uint32_t arr_1326[14];
    uint8_t raw_1382[2];
    uint16_t val_1384;
    uint32_t arr_1386[14];
    uint8_t raw_1442[4];
    uint32_t val_1446;
    uint32_t val_1450;
    uint8_t raw_1454[2642];
};

// Bytes of data_file_params that mirror the file (the rest is tail padding).
inline constexpr size_t DATA_FILE_PARAMS_IMAGE_SIZE = 4034;

// A rectangle of elements: first element (x, y), width elements per row,
// height rows.
struct matrix_window {
    int16_t x;
    int16_t y;
    int16_t width;
    int16_t height;
};

// Intensity frames: width x height x n_buckets uint16 elements in file order.
struct intens_matrix {
    uint32_t size;  // elements the buffer holds; 0 without a buffer
    matrix_window window;
    int16_t n_buckets;
    uint16_t range;  // carried with the data, not interpreted
    uint16_t* matrix;
};

// Phase map: width x height int32 elements, row by row, x fastest; the point
// (x + c, y + r) is at index r * width + c.
struct phase_matrix {
    uint32_t size;
    matrix_window window;
    int32_t* matrix;
};

// Phase values at or above this threshold (as signed 32-bit) mark invalid points.
inline constexpr int32_t PHASE_INVALID = 0x7FFFFFF8;

// ---- matrices ---------------------------------------------------------------
// Buffers come from gl_MallocFunc and go back through gl_FreeFunc. Alloc and
// resize do not release an earlier buffer unless stated.

int32_t intens_matrix_alloc(intens_matrix* m);
int32_t intens_matrix_resize(intens_matrix* m, matrix_window window, int16_t n_buckets,
                             bool keep_larger);
void intens_matrix_free(intens_matrix* m);

int32_t phase_matrix_alloc(phase_matrix* m);
int32_t phase_matrix_resize(phase_matrix* m, matrix_window window, bool keep_larger);
void phase_matrix_free(phase_matrix* m);

// ---- binary data file -------------------------------------------------------

// Magic numbers of the three binary formats.
inline constexpr uint32_t DF_MAGIC_FORMAT1 = 0x881B036F;
inline constexpr uint32_t DF_MAGIC_FORMAT2 = 0x881B0370;
inline constexpr uint32_t DF_MAGIC_FORMAT3 = 0x881B0371;

// Header lengths on disk, and of the widened image in memory (18 bytes more).
inline constexpr size_t DF_HEADER_SIZE_SHORT = 834;
inline constexpr size_t DF_HEADER_SIZE_LONG = 4096;
inline constexpr size_t DF_HEADER_WIDENING = 18;
inline constexpr size_t DF_IMAGE_SIZE = DF_HEADER_SIZE_LONG + DF_HEADER_WIDENING;

// Reads a binary data file. Any of the four outputs may be null; given
// matrices must hold no buffer, and are freed again on failure. The stream
// form reads from the stream's position; from a stream whose length cannot be
// known (a pipe) each block is collected before its matrix is allocated.
int32_t df_read_binary(plat::path_ref path, data_file_ident* ident, data_file_params* params,
                       intens_matrix* intens, phase_matrix* phase);
int32_t df_read_binary_stream(FILE* stream, data_file_ident* ident, data_file_params* params,
                              intens_matrix* intens, phase_matrix* phase);

// Writes a binary data file in format 1, 2 or 3: the exact inverse of
// df_read_binary, so that reading the file gives these records back. ident
// and params are required; intens and phase may be null. A matrix without
// elements (null, or a side or the bucket count 0) is an absent block, whose
// window, n_buckets and range the file does not keep. Formats 1 and 2 end at
// file offset 834: the parameter fields from there on are not written.
// val_4 and val_6, which the reader drops, are written as 0; format_mark is
// written as 3 in a format 3 header. What the reader would refuse is refused
// before anything is written: ERR_DATASET_DIM_TOO_LARGE for a negative side
// or a block longer than 2^31-1 bytes, ERR_PARAM_OUT_OF_RANGE for a negative
// element count (n_buckets below 0), ERR_INVALID_PARAM for a format other
// than 1..3, a missing record, or a matrix whose buffer is missing or holds
// fewer elements (`size`) than its window. As with the ASCII writer, a
// failed write leaves an existing file as it was.
int32_t df_write_binary(plat::path_ref path, int32_t format, const data_file_ident* ident,
                        const data_file_params* params, const intens_matrix* intens,
                        const phase_matrix* phase);

// Widens a packed header in image (at least DF_IMAGE_SIZE bytes) in place to
// its naturally aligned memory form.
void df_expand_header(uint8_t* image, uint32_t magic);

// Converts every number of a widened header image from big-endian in place.
void df_swap_header(uint8_t* image);

// ---- ASCII data file ---------------------------------------------------------

// Writes the ASCII data file (Format 2). intens or phase may be null, not both.
// The file takes its new content only once all of it is written: a failed
// write leaves an existing file as it was (see output_file.h).
int32_t df_write_ascii(plat::path_ref path, const data_file_ident* ident,
                       const data_file_params* params, const intens_matrix* intens,
                       const phase_matrix* phase);

// Reads an ASCII data file (Format 1 or 2). ident and params are required
// and cleared first; intens and phase may be null and must hold no buffer.
// On failure after the file was opened, "-***- Error in Line %d -***-\n"
// is printed and both given matrices are released.
int32_t df_read_ascii(plat::path_ref path, data_file_ident* ident, data_file_params* params,
                      intens_matrix* intens, phase_matrix* phase);
// The same from an open stream, from its position (a pipe will do).
int32_t df_read_ascii_stream(FILE* stream, data_file_ident* ident, data_file_params* params,
                             intens_matrix* intens, phase_matrix* phase);

// ---- phase map export -------------------------------------------------------

// Statistics of the valid phase values in a window.
struct phase_stats {
    int32_t pv;  // max - min
    int32_t max;
    int32_t min;
    double mean;
    int16_t max_x;  // matrix coordinates of the first maximum
    int16_t max_y;
    int16_t min_x;  // and of the first minimum
    int16_t min_y;
    int32_t count;  // number of valid values
};

// Statistics over window (null: the matrix's own window), which must equal
// the matrix's window or lie inside it. ERR_IMPROPER_WINDOW for any other
// window, ERR_ALL_BAD_DATA when it holds no valid value, ERR_PEAKVAL_OVERFLOW
// when max - min exceeds 2147483647.
int32_t phase_matrix_stats(const phase_matrix* phase, const matrix_window* window,
                           phase_stats* stats);

// Writes the valid points of a phase matrix as a text list: their count,
// one "column row scaled" line per point with the value scaled into 0..1,
// then the minimum and the spread that undo the scaling. Lines end in CR LF.
// As with the ASCII writer, a failure leaves an existing file as it was.
int32_t df_write_phase_text(plat::path_ref path, const phase_matrix* phase);

// ---- values for analysis tools ------------------------------------------------

// Whether a phase value marks an invalid point.
inline bool phase_is_invalid(int32_t value) {
    return value >= PHASE_INVALID;
}

// The phase map's width x height values as doubles, in matrix order, NaN for
// invalid points; every valid value is exact (an int32 fits a double). out
// holds count elements. ERR_BAD_PARAM when count is smaller than the window
// or the window does not fit the matrix's buffer.
int32_t phase_matrix_values(const phase_matrix* phase, double* out, uint64_t count);

// The first of the width x height elements of intensity frame `frame`
// (0-based; frames follow each other in the buffer). ERR_BAD_PARAM for a
// frame outside 0 .. n_buckets - 1 or a buffer shorter than its frames.
int32_t intens_matrix_frame(const intens_matrix* intens, int32_t frame,
                            const uint16_t** elements);

// Kinds of data file, told apart by their first bytes: the magic number of a
// binary format, or the ASCII data file's identification line.
enum df_file_kind : int32_t {
    DF_KIND_BINARY_FORMAT1 = 1,
    DF_KIND_BINARY_FORMAT2 = 2,
    DF_KIND_BINARY_FORMAT3 = 3,
    DF_KIND_ASCII = 4,
};

// Reads a data file of either kind, through df_read_binary or df_read_ascii
// (whose requirements on the outputs hold), and says in *kind (may be null)
// which it was. A file that is neither is read as binary, so it fails with
// the binary reader's error.
int32_t df_read_any(plat::path_ref path, df_file_kind* kind, data_file_ident* ident,
                    data_file_params* params, intens_matrix* intens, phase_matrix* phase);

// The same from bytes in memory (size of them at data), for data that never
// were a file.
int32_t df_read_any_memory(const void* data, size_t size, df_file_kind* kind,
                           data_file_ident* ident, data_file_params* params,
                           intens_matrix* intens, phase_matrix* phase);
