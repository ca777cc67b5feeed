// Writing a file through a replacement beside it, so that a failed write
// never leaves a half-written file in its place.
#include <string>

#include "platform/platform.h"
#include "util/util.h"

int32_t u_write_replacing(const char* path, u_file_writer writer, const void* context) {
    std::string temp;
    if (path == nullptr || writer == nullptr || !plat::make_replacement_file(path, &temp)) {
        return ERR_CANT_CREATE_FILE;
    }
    FILE* stream = plat::open_file(temp.c_str(), "wb");
    if (stream == nullptr) {
        plat::delete_file(temp.c_str());
        return ERR_CANT_CREATE_FILE;
    }
    bool written = writer(stream, context);
    // Buffered bytes reach the file only at the flush; its failure is a
    // failed write like any other.
    written = std::fflush(stream) == 0 && std::ferror(stream) == 0 && written;
    written = std::fclose(stream) == 0 && written;
    if (!written || !plat::rename_file(temp.c_str(), path)) {
        plat::delete_file(temp.c_str());
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}
