// The picture writers: checks, the row buffer and the file replacement
// around png_write_rows.
#include "app/gridtool/png_picture.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "app/gridtool/frame_picture.h"
#include "app/gridtool/phase_picture.h"
#include "app/gridtool/png_rows.h"
#include "platform/file_replacement.h"

namespace {

// The widest and tallest picture libpng reads back by default.
constexpr int64_t LARGEST_SIDE = 1000000;

struct block_release {
    void operator()(uint8_t* block) const { gl_FreeFunc(block); }
};

// A picture ready to be written: its size and what paints its rows.
struct picture_job {
    int64_t width;
    int64_t height;
    int channels;
    png_row_fill fill;
    const void* context;
};

void give_reason(std::string* reason, int os_error) {
    if (reason != nullptr && os_error != 0) *reason = std::strerror(os_error);
}

// A matrix of `depth` frames whose window holds points and whose buffer
// holds all of them.
int32_t check_matrix(const matrix_window& window, int64_t depth, uint32_t size,
                     const void* matrix) {
    if (window.width < 1 || window.height < 1) return ERR_IMPROPER_WINDOW;
    const int64_t count = int64_t{window.width} * window.height * depth;
    if (matrix == nullptr || int64_t{size} < count) return ERR_INVALID_PARAM;
    return NO_ERROR;
}

int32_t write_stream(FILE* stream, const picture_job& job, std::string* reason) {
    if (job.width > LARGEST_SIDE || job.height > LARGEST_SIDE) return ERR_DATASET_DIM_TOO_LARGE;
    const int64_t row_bytes = job.width * job.channels;
    const std::unique_ptr<uint8_t, block_release> row(
        static_cast<uint8_t*>(gl_MallocFunc(static_cast<size_t>(row_bytes))));
    if (!row) return ERR_NO_MEM;
    const png_rows_layout layout{static_cast<uint32_t>(job.width), static_cast<uint32_t>(job.height),
                             job.channels};
    int os_error = 0;
    switch (png_write_rows(stream, layout, job.fill, job.context, row.get(), &os_error)) {
        case PNG_ROWS_WRITTEN:
            break;
        case PNG_ROWS_NO_MEMORY:
            return ERR_NO_MEM;
        case PNG_ROWS_FAILED:
            give_reason(reason, os_error);
            return ERR_CANT_WRITE_FILE;
    }
    if (std::fflush(stream) != 0) {
        give_reason(reason, errno);
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}

int32_t write_file(plat::path_ref out, const picture_job& job, std::string* reason) {
    plat::file_replacement file;
    if (const int os_error = file.create(out, "_png"); os_error != 0) {
        give_reason(reason, os_error);
        return ERR_CANT_CREATE_FILE;
    }
    FILE* stream = file.open_stream();
    if (stream == nullptr) {
        give_reason(reason, errno);
        return ERR_CANT_CREATE_FILE;
    }
    // On an error the replacement goes with `file`: the output stays as it was.
    if (const int32_t err = write_stream(stream, job, reason); err != NO_ERROR) return err;
    if (const int os_error = file.commit(); os_error != 0) {
        give_reason(reason, os_error);
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}

int32_t prepare_phase(const phase_matrix& phase, phase_picture* picture, picture_job* job) {
    if (const int32_t err = check_matrix(phase.window, 1, phase.size, phase.matrix);
        err != NO_ERROR) {
        return err;
    }
    *picture = gt_phase_picture(phase.matrix, phase.window.width, phase.window.height);
    *job = {picture->layout.width, picture->layout.height, 3, gt_paint_phase_row, picture};
    return NO_ERROR;
}

int32_t prepare_frame(const intens_matrix& intens, int frame, frame_picture* picture,
                      picture_job* job) {
    if (frame < 0 || frame >= intens.n_buckets) return ERR_PARAM_OUT_OF_RANGE;
    if (const int32_t err = check_matrix(intens.window, intens.n_buckets, intens.size, intens.matrix);
        err != NO_ERROR) {
        return err;
    }
    const int64_t columns = intens.window.width;
    const int64_t rows = intens.window.height;
    *picture = gt_frame_picture(intens.matrix + frame * columns * rows, columns, rows);
    *job = {columns, rows, 1, gt_paint_frame_row, picture};
    return NO_ERROR;
}

}  // namespace

int32_t gt_write_phase_png(plat::path_ref out, const phase_matrix& phase, std::string* reason) {
    phase_picture picture;
    picture_job job;
    if (const int32_t err = prepare_phase(phase, &picture, &job); err != NO_ERROR) return err;
    return write_file(out, job, reason);
}

int32_t gt_write_frame_png(plat::path_ref out, const intens_matrix& intens, int frame,
                           std::string* reason) {
    frame_picture picture;
    picture_job job;
    if (const int32_t err = prepare_frame(intens, frame, &picture, &job); err != NO_ERROR) {
        return err;
    }
    return write_file(out, job, reason);
}

int32_t gt_write_phase_png_stream(FILE* stream, const phase_matrix& phase, std::string* reason) {
    phase_picture picture;
    picture_job job;
    if (const int32_t err = prepare_phase(phase, &picture, &job); err != NO_ERROR) return err;
    return write_stream(stream, job, reason);
}

int32_t gt_write_frame_png_stream(FILE* stream, const intens_matrix& intens, int frame,
                                  std::string* reason) {
    frame_picture picture;
    picture_job job;
    if (const int32_t err = prepare_frame(intens, frame, &picture, &job); err != NO_ERROR) {
        return err;
    }
    return write_stream(stream, job, reason);
}
