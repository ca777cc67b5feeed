// Writing a file through a replacement beside it, so that a failed write
// never leaves a half-written file in its place.
#include "platform/platform.h"
#include "util/util.h"

int32_t u_write_replacing(plat::path_ref path, u_file_writer writer, const void* context) {
    plat::file_replacement replacement;
    if (writer == nullptr || replacement.create(path, "_new") != 0) return ERR_CANT_CREATE_FILE;
    FILE* stream = replacement.open_stream();
    if (stream == nullptr) return ERR_CANT_CREATE_FILE;
    if (!writer(stream, context)) return ERR_CANT_WRITE_FILE;  // abandoned with the replacement
    return replacement.commit() == 0 ? NO_ERROR : ERR_CANT_WRITE_FILE;
}
