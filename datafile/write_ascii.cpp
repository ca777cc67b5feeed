// Placeholder until the writer lands.
#include "datafile/datafile.h"

int32_t df_write_ascii(const char*, const data_file_ident*, const data_file_params*,
                       const intens_matrix*, const phase_matrix*) {
    return ERR_NOT_IMPLEMENTED;
}
