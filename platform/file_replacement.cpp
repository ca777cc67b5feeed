// The steps of a file replacement that are the same on every system.
#include "platform/file_replacement.h"

#include <utility>


namespace plat {

int file_replacement::adopt(native_path target, native_path temporary, bool exists,
                            path_ref path) {
    native_temporary_ = std::move(temporary);
    if (!from_native_path(native_temporary_, path, &temporary_)) {
        abandon();
        return name_error();
    }
    target_ = std::move(target);
    existing_ = exists;
    return 0;
}

FILE* file_replacement::open_stream() {
    if (stream_ != nullptr || temporary_.empty()) return nullptr;
    stream_ = open_temporary();
    return stream_;
}

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
