// A block of row pointers followed by the rows they point at.
#include "util/util.h"

void** u_alloc_rows(uint32_t rows, uint32_t columns, uint32_t element_size) {
    if (rows == 0 || columns == 0 || element_size == 0) return nullptr;
    // Computed in 64 bits with an overflow check: a wrapped size would give
    // a block smaller than the rows written into it.
    const uint64_t row_bytes = uint64_t{columns} * element_size;
    const uint64_t table_bytes = uint64_t{rows} * sizeof(void*);
    uint64_t data_bytes = 0;
    if (__builtin_mul_overflow(uint64_t{rows}, row_bytes, &data_bytes)) return nullptr;
    const uint64_t total = table_bytes + data_bytes;
    if (total < data_bytes || total > SIZE_MAX) return nullptr;

    auto** block = static_cast<void**>(gl_MallocFunc(static_cast<size_t>(total)));
    if (block == nullptr) return nullptr;
    auto* first_row = reinterpret_cast<unsigned char*>(block) + table_bytes;
    for (uint32_t row = 0; row < rows; ++row) block[row] = first_row + row * row_bytes;
    return block;
}
