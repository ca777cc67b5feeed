// Outputs through the shared file replacement, or to standard output.
#include "app/gridtool/output.h"

#include <cstdio>

#include "platform/console_streams.h"
#include "platform/platform.h"

int32_t check_output(const std::string& out, bool force, std::string* reason) {
    if (out == "-" || force) return NO_ERROR;
    if (plat::is_regular_file(out) || plat::is_directory(out)) {
        *reason = out + " already exists; --force replaces it";
        return ERR_CANT_CREATE_FILE;
    }
    return NO_ERROR;
}

int32_t write_output(const std::string& out, const std::string& bytes, std::string* reason) {
    if (out == "-") {
        plat::set_binary_mode(stdout);
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
            std::fflush(stdout) != 0) {
            *reason = "standard output";
            return ERR_CANT_WRITE_FILE;
        }
        return NO_ERROR;
    }
    plat::file_replacement replacement;
    if (const int e = replacement.create(out, "_gt"); e != 0) {
        *reason = plat::error_text(e);
        return ERR_CANT_CREATE_FILE;
    }
    FILE* stream = replacement.open_stream();
    if (stream == nullptr) {
        *reason = "the temporary file does not open";
        return ERR_CANT_CREATE_FILE;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        replacement.abandon();
        *reason = "short write";
        return ERR_CANT_WRITE_FILE;
    }
    if (const int e = replacement.commit(); e != 0) {
        *reason = plat::error_text(e);
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}

std::string creation_refusal(const std::string& out) {
    plat::file_replacement probe;
    const int e = probe.create(out, "_gt");
    probe.abandon();
    return e == 0 ? std::string() : plat::error_text(e);
}
