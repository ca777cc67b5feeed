// File copy that replaces the destination.
#include "platform/platform.h"
#include "util/util.h"

int32_t u_copy_file(plat::path_ref source, plat::path_ref destination) {
    const int error = plat::copy_file(source, destination);
    if (error != 0) {
        gl_PrintFunc("u_copy_file failed: win_err = %d\n", error);
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}
