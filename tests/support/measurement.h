// The four records of one measurement, with the matrices released on scope exit.
#pragma once

#include "datafile/datafile.h"

struct measurement {
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};

    measurement() = default;
    measurement(const measurement&) = delete;
    measurement& operator=(const measurement&) = delete;
    ~measurement() {
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
};
