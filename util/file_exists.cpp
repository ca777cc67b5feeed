// The regular-file test.
#include "platform/platform.h"
#include "util/util.h"

int u_file_exists(plat::path_ref path) {
    return plat::is_regular_file(path) ? 1 : 0;
}
