// Widening and byte-order conversion of a binary data file header.
#include "datafile/header_image.h"

#include <bit>
#include <cstring>
#include <iterator>

void df_expand_header(uint8_t* image, uint32_t magic) {
    size_t end = magic == DF_MAGIC_FORMAT3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;
    size_t inserted = 0;
    for (const uint16_t offset : DF_INSERTION_OFFSETS) {
        const size_t at = offset + inserted;
        std::memmove(image + at + 2, image + at, end - at);
        image[at] = 0;
        image[at + 1] = 0;
        end += 2;
        inserted += 2;
    }
}

void df_narrow_header(uint8_t* image, uint32_t magic) {
    const size_t packed = magic == DF_MAGIC_FORMAT3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;
    size_t end = packed + DF_HEADER_WIDENING;
    size_t inserted = DF_HEADER_WIDENING;
    for (size_t i = std::size(DF_INSERTION_OFFSETS); i-- > 0;) {
        inserted -= 2;
        const size_t at = DF_INSERTION_OFFSETS[i] + inserted;
        std::memmove(image + at, image + at + 2, end - at - 2);
        end -= 2;
    }
}

void df_swap_header(uint8_t* image) {
    if constexpr (std::endian::native == std::endian::big) return;
    for (const df_swap_run& run : DF_SWAP_MAP) {
        for (size_t i = 0; i < run.count; ++i)
            u_swap_bytes(image + run.offset + i * run.width, run.width);
    }
}
