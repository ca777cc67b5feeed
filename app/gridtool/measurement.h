// One data file in memory, read by whichever reader its first bytes call
// for, with the failure reports every command shares.
#pragma once

#include <string>

#include "datafile/datafile.h"

struct measurement {
    df_file_kind kind{};
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};

    measurement() = default;
    ~measurement() {
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
    measurement(const measurement&) = delete;
    measurement& operator=(const measurement&) = delete;

    // NO_ERROR or the reader's error; a file that cannot be opened gets the
    // system's reason in *reason.
    int32_t load(const std::string& path, std::string* reason);
};

// Prints "gridtool: FILE: ERROR_NAME" and, when given, " (reason)".
void report_failure(const std::string& file, int32_t err, const std::string& reason);

// The same text without the program's name and line end, for summaries.
std::string failure_text(const std::string& file, int32_t err, const std::string& reason);
