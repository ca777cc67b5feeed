// Typed grids: rows of one element type in one block, with row pointers.
#include <cstring>

#include "util/typed_element.h"
#include "util/util.h"

namespace {

// The grid's sides are 16-bit fields, so a side above 32767 is refused
// rather than stored truncated.
constexpr uint64_t kMaxSide = INT16_MAX;

u_grid* create(uint64_t width, uint64_t height, int32_t type, bool zeroed) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    const uint64_t element_size = u_elem_size(type);
    if (element_size == 0) return nullptr;
    const uint64_t count = width * height;  // at most 2^30: no overflow

    auto* grid = static_cast<u_grid*>(gl_MallocFunc(sizeof(u_grid)));
    if (grid == nullptr) return nullptr;
    std::memset(grid, 0, sizeof *grid);
    grid->type = type;
    grid->width = static_cast<int16_t>(width);
    grid->height = static_cast<int16_t>(height);
    grid->count = count;
    grid->element_size = element_size;
    grid->no_data = gl_MallocFunc(element_size);
    if (grid->no_data != nullptr) grid->data = gl_MallocFunc(count * element_size);
    if (grid->data != nullptr)
        grid->rows = static_cast<void**>(gl_MallocFunc(height * sizeof(void*)));
    if (grid->rows == nullptr) {
        u_grid_free(grid);
        return nullptr;
    }
    u_elem_store_no_data(type, grid->no_data);
    grid->capacity = count;
    auto* bytes = static_cast<unsigned char*>(grid->data);
    for (uint64_t row = 0; row < height; ++row)
        grid->rows[row] = bytes + row * width * element_size;
    if (zeroed) std::memset(grid->data, 0, count * element_size);
    return grid;
}

}  // namespace

u_grid* u_grid_create(uint64_t width, uint64_t height, int32_t type) {
    return create(width, height, type, false);
}

u_grid* u_grid_create_zeroed(uint64_t width, uint64_t height, int32_t type) {
    return create(width, height, type, true);
}

void u_grid_free(u_grid* grid) {
    if (grid == nullptr) return;
    if (grid->no_data != nullptr) gl_FreeFunc(grid->no_data);
    if (grid->data != nullptr) gl_FreeFunc(grid->data);
    if (grid->rows != nullptr) gl_FreeFunc(grid->rows);
    gl_FreeFunc(grid);
}
