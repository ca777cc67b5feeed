// The binary data file writer: the reader's steps backwards. The records are
// laid into the widened header image, every number is turned big-endian by
// the reader's own conversion map, the gaps are taken out, and the blocks
// follow as big-endian values. Only what the reader can read is written.
#include <cstring>

#include "datafile/big_endian.h"
#include "datafile/element_count.h"
#include "datafile/header_image.h"
#include "datafile/output_file.h"
#include "platform/platform.h"

namespace {

// One data block as it will stand in the file: its elements and its length
// in bytes; 0 and 0 for an absent block.
struct block_plan {
    int64_t count = 0;
    int32_t bytes = 0;
};

// Checks a matrix against what the reader accepts and plans its block.
// A matrix without elements is an absent block. Negative sides are what the
// reader calls too large; a negative product (a negative bucket count) is
// out of range; a block whose length does not fit the header's 32-bit field
// is too large; a matrix that claims elements needs a buffer that holds them.
int32_t plan_block(int64_t width, int64_t height, int64_t depth, size_t element_size,
                   const void* buffer, uint32_t size, block_plan* plan) {
    *plan = {};
    const int64_t count = element_count(width, height, depth);
    if (count == 0) return NO_ERROR;
    if (width < 0 || height < 0) return ERR_DATASET_DIM_TOO_LARGE;
    if (count < 0) return ERR_PARAM_OUT_OF_RANGE;
    const int64_t bytes = count * static_cast<int64_t>(element_size);
    if (bytes > INT32_MAX) return ERR_DATASET_DIM_TOO_LARGE;
    if (buffer == nullptr || size < count) return ERR_INVALID_PARAM;
    *plan = {count, static_cast<int32_t>(bytes)};
    return NO_ERROR;
}

int32_t plan_intensity(const intens_matrix* intens, block_plan* plan) {
    if (intens == nullptr) {
        *plan = {};
        return NO_ERROR;
    }
    return plan_block(intens->window.width, intens->window.height, intens->n_buckets,
                      sizeof(uint16_t), intens->matrix, intens->size, plan);
}

int32_t plan_phase(const phase_matrix* phase, block_plan* plan) {
    if (phase == nullptr) {
        *plan = {};
        return NO_ERROR;
    }
    return plan_block(phase->window.width, phase->window.height, 1, sizeof(int32_t), phase->matrix,
                      phase->size, plan);
}

uint32_t format_magic(int32_t format) {
    if (format == 1) return DF_MAGIC_FORMAT1;
    if (format == 2) return DF_MAGIC_FORMAT2;
    return DF_MAGIC_FORMAT3;
}

// The packed header in the first 834 or 4096 bytes of image. A present
// block's window and its length come from its matrix; an absent block's are
// zero, as the reader returns them. The fields the reader drops (val_4,
// val_6) are zero, and format_mark is 3 in a format 3 header.
void pack_header(uint8_t* image, uint32_t magic, const data_file_ident& ident,
                 const data_file_params& params, const intens_matrix* intens,
                 const block_plan& intens_block, const phase_matrix* phase,
                 const block_plan& phase_block) {
    data_file_header_prefix prefix{};
    prefix.magic = magic;
    prefix.ident = ident;
    if (intens_block.bytes > 0) {
        prefix.intens_x = intens->window.x;
        prefix.intens_y = intens->window.y;
        prefix.intens_width = intens->window.width;
        prefix.intens_height = intens->window.height;
        prefix.intens_n_buckets = intens->n_buckets;
        prefix.intens_range = intens->range;
        prefix.intens_bytes = intens_block.bytes;
    }
    if (phase_block.bytes > 0) {
        prefix.phase_x = phase->window.x;
        prefix.phase_y = phase->window.y;
        prefix.phase_width = phase->window.width;
        prefix.phase_height = phase->window.height;
        prefix.phase_bytes = phase_block.bytes;
    }
    std::memcpy(image, &prefix, sizeof prefix);
    std::memcpy(image + DF_PARAMS_IMAGE_OFFSET, &params, DATA_FILE_PARAMS_IMAGE_SIZE);
    df_swap_header(image);  // the swap is its own inverse: host order becomes big-endian

    // format_mark is outside the conversion map (the reader sets it itself).
    const size_t mark = DF_PARAMS_IMAGE_OFFSET + offsetof(data_file_params, format_mark);
    image[mark] = 0;
    image[mark + 1] = magic == DF_MAGIC_FORMAT3 ? 3 : 0;
    df_narrow_header(image, magic);
}

// Writes count values big-endian through a small buffer, leaving the
// caller's matrix as it is.
template <typename T>
bool write_values(FILE* file, const T* values, int64_t count) {
    constexpr int64_t kChunk = 8192;
    T chunk[kChunk];
    for (int64_t first = 0; first < count; first += kChunk) {
        const auto n = static_cast<size_t>(count - first < kChunk ? count - first : kChunk);
        std::memcpy(chunk, values + first, n * sizeof(T));
        host_to_big_endian(chunk, n);
        if (std::fwrite(chunk, sizeof(T), n, file) != n) return false;
    }
    return true;
}

}  // namespace

int32_t df_write_binary(plat::path_ref path, int32_t format, const data_file_ident* ident,
                        const data_file_params* params, const intens_matrix* intens,
                        const phase_matrix* phase) {
    if (format < 1 || format > 3 || ident == nullptr || params == nullptr) {
        return ERR_INVALID_PARAM;
    }
    block_plan intens_block;
    if (const int32_t err = plan_intensity(intens, &intens_block); err != NO_ERROR) return err;
    block_plan phase_block;
    if (const int32_t err = plan_phase(phase, &phase_block); err != NO_ERROR) return err;

    const uint32_t magic = format_magic(format);
    alignas(data_file_header_prefix) uint8_t image[DF_IMAGE_SIZE] = {};
    pack_header(image, magic, *ident, *params, intens, intens_block, phase, phase_block);
    const size_t header_size = format == 3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;

    output_file output;
    FILE* const file = output.open(path);
    if (file == nullptr) return ERR_CANT_CREATE_FILE;
    const bool written =
        std::fwrite(image, 1, header_size, file) == header_size &&
        write_values(file, intens_block.count > 0 ? intens->matrix : nullptr, intens_block.count) &&
        write_values(file, phase_block.count > 0 ? phase->matrix : nullptr, phase_block.count);
    return output.close(written) ? NO_ERROR : ERR_CANT_WRITE_FILE;
}
