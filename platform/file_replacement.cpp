// The steps of a file replacement that are the same on every system.
#include "platform/file_replacement.h"

namespace plat {

int file_replacement::commit() {
    if (native_temporary_.empty()) return write_error();
    bool written = true;
    if (stream_ != nullptr) {
        written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        written = std::fclose(stream_) == 0 && written;
        stream_ = nullptr;
    }
    const int error = written ? move_into_place() : write_error();
    if (error != 0) {
        abandon();
        return error;
    }
    native_temporary_.clear();
    temporary_.clear();
    return 0;
}

void file_replacement::abandon() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!native_temporary_.empty()) remove_temporary();
    native_temporary_.clear();
    temporary_.clear();
}

}  // namespace plat
