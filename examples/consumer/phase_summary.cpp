// Reads a binary data file with the gridtext library and prints its size and
// the statistics of its phase map:
//
//   phase_summary FILE
//
// Exits 0 on success, 1 for a wrong command line and 2 when the file cannot
// be read (the library's error name is printed).
#include <cinttypes>
#include <cstdio>

#include "datafile/datafile.h"
#include "errors/errors.h"

namespace {

int fail(const char* what, int32_t code) {
    std::fprintf(stderr, "phase_summary: %s: %s\n", what, u_err_name(code));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: phase_summary FILE\n");
        return 1;
    }
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    const int32_t read = df_read_binary(argv[1], &ident, &params, &intens, &phase);
    if (read != NO_ERROR) return fail(argv[1], read);

    std::printf("size: %d x %d, %d intensity frame(s)\n", phase.window.width,
                phase.window.height, intens.n_buckets);
    phase_stats stats{};
    const int32_t measured = phase_matrix_stats(&phase, nullptr, &stats);
    int status = 0;
    if (measured == NO_ERROR) {
        std::printf("valid phase points: %" PRId32 "\n", stats.count);
        std::printf("phase min: %" PRId32 " at (%d, %d)\n", stats.min, stats.min_x, stats.min_y);
        std::printf("phase max: %" PRId32 " at (%d, %d)\n", stats.max, stats.max_x, stats.max_y);
        std::printf("phase peak-to-valley: %" PRId32 "\n", stats.pv);
        std::printf("phase mean: %.3f\n", stats.mean);
    } else {
        status = fail("phase statistics", measured);
    }
    intens_matrix_free(&intens);
    phase_matrix_free(&phase);
    return status;
}
