// The ASCII data file reader behind df_read_ascii, over any text source.
#pragma once

#include "datafile/datafile.h"
#include "datafile/text_source.h"

// Reads an ASCII data file from source into records the caller has cleared.
// On failure it prints the line report, releases the given matrices and
// returns the code; the caller closes the input.
int32_t read_ascii_text(text_source& source, data_file_ident* ident, data_file_params* params,
                        intens_matrix* intens, phase_matrix* phase);
