// The phase map as a text list of valid points, scaled into 0..1.
#include <memory>

#include "datafile/datafile.h"
#include "datafile/output_file.h"
#include "platform/platform.h"

namespace {

struct block_releaser {
    void operator()(void* block) const { gl_FreeFunc(block); }
};

// Writes the point lines through a table of row starts: one lookup and one
// index per point, no copy of the data.
int32_t write_points(FILE* file, const phase_matrix* phase, double min, double spread) {
    // The statistics found valid points, so both sides are at least 1.
    const auto width = static_cast<size_t>(phase->window.width);
    const auto height = static_cast<size_t>(phase->window.height);
    std::unique_ptr<const int32_t*[], block_releaser> rows(
        static_cast<const int32_t**>(gl_MallocFunc(height * sizeof(const int32_t*))));
    if (!rows) return ERR_NO_MEM;
    for (size_t row = 0; row < height; ++row) rows[row] = phase->matrix + row * width;

    for (size_t row = 0; row < height; ++row) {
        for (size_t column = 0; column < width; ++column) {
            const int32_t value = rows[row][column];
            if (value >= PHASE_INVALID) continue;
            // With every valid value equal the spread is 0: such points are
            // written as 0 rather than as 0 / 0.
            const double scaled = spread == 0.0 ? 0.0 : (value - min) / spread;
            if (std::fprintf(file, "%d %d %g\r\n", static_cast<int>(column), static_cast<int>(row),
                             scaled) < 0) {
                return ERR_CANT_WRITE_FILE;
            }
        }
    }
    return NO_ERROR;
}

}  // namespace

int32_t df_write_phase_text(plat::path_ref path, const phase_matrix* phase) {
    if (phase == nullptr) return ERR_INVALID_PARAM;
    output_file output;
    FILE* const file = output.open(path);
    if (file == nullptr) return ERR_CANT_CREATE_FILE;

    phase_stats stats{};
    if (const int32_t err = phase_matrix_stats(phase, &phase->window, &stats); err != NO_ERROR) {
        return err;
    }
    const auto min = static_cast<double>(stats.min);
    const auto max = static_cast<double>(stats.max);
    const double spread = max - min;

    if (std::fprintf(file, "%d\r\n", stats.count) < 0) return ERR_CANT_WRITE_FILE;
    if (const int32_t err = write_points(file, phase, min, spread); err != NO_ERROR) {
        return err;
    }
    const bool written =
        std::fprintf(file, "%g\r\n", min) >= 0 && std::fprintf(file, "%g\r\n", spread) >= 0;
    // Buffered lines reach the file only when it is closed: a failure there
    // means lost points, not success.
    return output.close(written) ? NO_ERROR : ERR_CANT_WRITE_FILE;
}
