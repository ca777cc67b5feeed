// Writers' output through a temporary file that replaces the output when complete.
#include "datafile/output_file.h"

output_file::~output_file() {
    if (in_place_ != nullptr) std::fclose(in_place_);
}

FILE* output_file::open(plat::path_ref path) {
    if (replacement_.create(path, "_out") == 0) {
        if (FILE* stream = replacement_.open_stream(); stream != nullptr) return stream;
        replacement_.abandon();
    }
    in_place_ = plat::open_file(path, "wb");
    return in_place_;
}

bool output_file::close(bool complete) {
    if (in_place_ != nullptr) {
        const bool closed = std::fclose(in_place_) == 0;
        in_place_ = nullptr;
        return complete && closed;
    }
    if (!complete) {
        replacement_.abandon();
        return false;
    }
    return replacement_.commit() == 0;
}
