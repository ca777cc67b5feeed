// The size-limited log file: text is appended; once the file has reached its
// limit, the oldest lines are dropped through a temporary copy that then
// replaces the log in one step.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "util/util.h"

namespace {

struct file_closer {
    void operator()(FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

// Lines are counted as reads of at most this many bytes, so a longer line
// counts as several lines.
constexpr int64_t kLineRead = 511;
constexpr size_t kBlock = 8 * 1024;

void report_access(plat::path_ref path) {
    gl_PrintFunc("u_log_to_file: error accessing file '%s'\n", path.c_str());
}

void report_writing(const char* file) {
    gl_PrintFunc("u_log_to_file: error writing file '%s'\n", file);
}

// Closes the stream and tells whether everything written to it arrived.
bool close_written(file_ptr& file) {
    const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && flushed;
}

// Writes the text with every line feed as CR LF; a line feed that the text
// already precedes with a carriage return is written as it is.
bool write_text(FILE* out, const char* text) {
    const char* run = text;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '\n' || (p != text && p[-1] == '\r')) continue;
        const auto length = static_cast<size_t>(p - run);
        if (std::fwrite(run, 1, length, out) != length || std::fputs("\r\n", out) == EOF) {
            return false;
        }
        run = p + 1;
    }
    const size_t rest = std::strlen(run);
    return std::fwrite(run, 1, rest, out) == rest;
}

// Where the kept part of the log begins: the read position, at a line
// boundary, once at least `drop` bytes have been read from the start. Each
// line counts the bytes it occupies in the file, whatever its line end.
// On success block[begin, end) holds the first kept bytes already read.
struct cut_point {
    size_t begin = 0;
    size_t end = 0;
};

bool find_cut(FILE* log, int64_t drop, char* block, cut_point* cut) {
    int64_t consumed = 0;  // bytes of the file before the block
    int64_t line = 0;      // bytes of the current read so far
    for (;;) {
        const size_t got = std::fread(block, 1, kBlock, log);
        if (got == 0) {
            // A last line without a line end still counts as a read.
            if (std::ferror(log) != 0 || line == 0 || consumed < drop) return false;
            *cut = cut_point{};
            return true;
        }
        for (size_t i = 0; i < got; ++i) {
            ++line;
            if (block[i] != '\n' && line < kLineRead) continue;
            line = 0;
            if (consumed + static_cast<int64_t>(i) + 1 >= drop) {
                *cut = cut_point{i + 1, got};
                return true;
            }
        }
        consumed += static_cast<int64_t>(got);
    }
}

// Copies the rest of the log after the bytes already read. Read failures
// are the log's, write failures the copy's.
enum class copy_result { ok, read_failed, write_failed };

copy_result copy_rest(FILE* log, FILE* copy, char* block, cut_point cut) {
    size_t begin = cut.begin;
    size_t end = cut.end;
    for (;;) {
        const size_t length = end - begin;
        if (std::fwrite(block + begin, 1, length, copy) != length) return copy_result::write_failed;
        end = std::fread(block, 1, kBlock, log);
        begin = 0;
        if (end == 0) return std::ferror(log) != 0 ? copy_result::read_failed : copy_result::ok;
    }
}

// Drops the oldest bytes of the open log, appends the text after the rest
// and puts the result in the log's place: beside the log when a file can be
// made there, so that it replaces the log in one step; otherwise in the
// system's temporary folder, and copied back over the log.
int32_t trim_and_append(file_ptr log, plat::path_ref path, int64_t drop, const char* text) {
    char block[kBlock];
    cut_point cut;
    if (!find_cut(log.get(), drop, block, &cut)) {
        report_access(path);
        return ERR_FILE_IO;
    }

    plat::file_replacement beside;
    file_ptr elsewhere;
    std::string temporary;
    FILE* copy = nullptr;
    if (beside.create(path, "_log") == 0) {
        temporary = beside.temporary();
        copy = beside.open_stream();
    } else {
        if (!plat::make_temp_file(plat::temp_directory(), "_log", &temporary)) {
            gl_PrintFunc("u_log_to_file: cannot obtain temp file name\n");
            return ERR_CANT_CREATE_FILE;
        }
        elsewhere.reset(plat::open_file(temporary, "wb"));
        copy = elsewhere.get();
    }
    if (copy == nullptr) {
        gl_PrintFunc("u_log_to_file: cannot create temp file '%s'\n", temporary.c_str());
        plat::delete_file(temporary);
        return ERR_CANT_CREATE_FILE;
    }
    const copy_result copied = copy_rest(log.get(), copy, block, cut);
    if (copied == copy_result::read_failed) {
        report_access(path);
        return ERR_FILE_IO;
    }
    if (copied == copy_result::write_failed || !write_text(copy, text) ||
        std::fflush(copy) != 0 || std::ferror(copy) != 0) {
        report_writing(temporary.c_str());
        return ERR_FILE_IO;  // a copy beside the log goes; one elsewhere stays
    }
    log.reset();

    if (elsewhere == nullptr) {
        if (beside.commit() == 0) return NO_ERROR;
        report_writing(temporary.c_str());
        return ERR_FILE_IO;
    }
    if (!close_written(elsewhere)) {
        report_writing(temporary.c_str());
        return ERR_FILE_IO;
    }
    const int32_t error = u_copy_file(temporary, path);
    if (error != NO_ERROR) {
        gl_PrintFunc("u_log_to_file: cannot copy temp file '%s' to '%s'\n", temporary.c_str(),
                     path.c_str());
        return error;  // the copy keeps the trimmed log with the new text
    }
    plat::delete_file(temporary);
    return NO_ERROR;
}

}  // namespace

int32_t u_log_to_file(plat::path_ref path, const char* text, int32_t max_size,
                      int32_t keep_size) {
    if (path.is_null()) path = "";
    // Only a regular file is a log: a FIFO or a device of that name would
    // block or swallow the text.
    file_ptr log(plat::open_regular_file(path, "a+b"));
    if (log == nullptr) {
        // A log that cannot be opened for appending is started anew; a folder,
        // a FIFO, a device or a write-protected file of that name is not deleted.
        plat::delete_file(path);
        log.reset(plat::open_regular_file(path, "wb"));
        if (log == nullptr) {
            report_access(path);
            return ERR_FILE_IO;
        }
    }
    if (max_size > 0) {
        std::rewind(log.get());
        const int64_t size = plat::bytes_remaining(log.get());
        if (size < 0) {
            report_access(path);
            return ERR_FILE_IO;
        }
        // Without a text there is nothing to make room for: the log stays as it is.
        if (text != nullptr && keep_size > 0 && size >= max_size && size > keep_size) {
            return trim_and_append(std::move(log), path, size - keep_size, text);
        }
    }
    if (max_size < 0 || text == nullptr) return NO_ERROR;
    if (!write_text(log.get(), text) || !close_written(log)) {
        report_writing(path.c_str());
        return ERR_FILE_IO;
    }
    return NO_ERROR;
}
