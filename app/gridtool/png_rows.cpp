// libpng behind a setjmp frame of plain data.
#include "app/gridtool/png_rows.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>

#include "errors/errors.h"

namespace {

// What the callbacks reach through libpng's user pointers.
struct png_job {
    int os_error;
    bool out_of_memory;
};

[[noreturn]] void on_error(png_structp png, png_const_charp /*message*/) {
    static_cast<png_job*>(png_get_error_ptr(png))->os_error = errno;
    png_longjmp(png, 1);
}

// Warnings change nothing in what is written; the caller reports failures.
void on_warning(png_structp /*png*/, png_const_charp /*message*/) {}

// libpng's heap blocks come from the library's allocation hooks like all others.
png_voidp allocate(png_structp png, png_alloc_size_t size) {
    png_voidp block = gl_MallocFunc(size);
    if (block == nullptr) static_cast<png_job*>(png_get_mem_ptr(png))->out_of_memory = true;
    return block;
}
void release(png_structp /*png*/, png_voidp block) {
    if (block != nullptr) gl_FreeFunc(block);
}

}  // namespace

png_rows_result png_write_rows(FILE* stream, const png_rows_layout& layout, png_row_fill fill,
                               const void* context, uint8_t* row, int* os_error) {
    png_job job{0, false};
    *os_error = 0;
    errno = 0;
    png_structp png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &job, on_error, on_warning,
                                                &job, allocate, release);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr) {
        if (png != nullptr) png_destroy_write_struct(&png, nullptr);
        return PNG_ROWS_NO_MEMORY;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        if (job.out_of_memory) return PNG_ROWS_NO_MEMORY;
        *os_error = job.os_error;
        return PNG_ROWS_FAILED;
    }
    png_init_io(png, stream);
    png_set_IHDR(png, info, layout.width, layout.height, 8,
                 layout.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < layout.height; ++y) {
        fill(context, y, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return PNG_ROWS_WRITTEN;
}
