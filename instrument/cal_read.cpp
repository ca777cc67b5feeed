// Reading the system calibration file into an instrument record.
//
// The file is read into a copy of the record; the copy replaces the record
// only when every line was good, so a bad file never leaves a record half
// configured.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "instrument/cal_file.h"
#include "instrument/cal_keywords.h"
#include "instrument/cal_lines.h"
#include "platform/platform.h"
#include "util/util.h"

namespace {

// A file longer than this is not a calibration file; the limit also bounds
// the time a hostile file can take.
constexpr int kMaxLines = 100000;
// Keywords and values are shown in messages up to this many characters.
constexpr int kShown = 40;

struct file_closer {
    void operator()(FILE* file) const { std::fclose(file); }
};

int shown_length(std::string_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), kShown));
}

// The text's first characters for a "%.*s" (never a null pointer).
const char* shown_text(std::string_view text) {
    return text.empty() ? "" : text.data();
}

int32_t bad_line(const char* path, int number, std::string_view keyword, const char* fault) {
    gl_PrintFunc("sys_cal_read: \"%s\" line %d, keyword \"%.*s\": %s\n", path, number,
                 shown_length(keyword), shown_text(keyword), fault);
    return ERR_INVALID_CONFIG_FILE;
}

// "expected integer 0 to 255, found "300"".
int32_t bad_value(const char* path, int number, const cal_keyword& keyword,
                  std::string_view value) {
    char type[CAL_TEXT_SIZE];
    char range[CAL_TEXT_SIZE];
    cal_describe_type(keyword, type);
    cal_describe_range(keyword, range);
    char fault[3 * CAL_TEXT_SIZE];
    std::snprintf(fault, sizeof fault, "expected %s, %s, found \"%.*s\"%s", type, range,
                  shown_length(value), shown_text(value),
                  value.size() > static_cast<size_t>(kShown) ? "..." : "");
    return bad_line(path, number, keyword.name, fault);
}

// Takes every line of the open file into the record; the first bad line
// ends the reading with its message.
int32_t read_lines(FILE* file, const char* path, sys_info* info) {
    const auto keywords = cal_keywords();
    int first_seen[CAL_MAX_KEYWORDS] = {};  // line numbers; 0: not seen yet

    cal_line line;
    int number = 0;
    while (cal_read_line(file, &line)) {
        if (++number > kMaxLines) {
            return bad_line(path, number, {}, "more than 100000 lines in the file");
        }
        const std::string_view text(line.text, line.length);
        const cal_split split = cal_split_line(text);
        if (line.too_long) {
            return bad_line(path, number, split.keyword, "line longer than 511 characters");
        }
        if (split.kind == cal_line_kind::empty || split.kind == cal_line_kind::comment) continue;
        if (split.kind == cal_line_kind::bad) {
            return bad_line(path, number, split.keyword, split.fault);
        }
        const cal_keyword* keyword = cal_find_keyword(split.keyword);
        if (keyword == nullptr) {
            if (!cal_keep_unknown_line(info, text)) {
                return bad_line(path, number, split.keyword,
                                "too many unknown keyword lines to keep (8191 characters at most)");
            }
            continue;
        }
        int& seen = first_seen[keyword - keywords.data()];
        if (seen != 0) {
            char fault[64];
            std::snprintf(fault, sizeof fault, "keyword given twice (first on line %d)", seen);
            return bad_line(path, number, split.keyword, fault);
        }
        seen = number;
        if (!cal_parse_value(*keyword, split.value, keyword->field(*info))) {
            return bad_value(path, number, *keyword, split.value);
        }
    }
    if (std::ferror(file) != 0) {
        gl_PrintFunc("sys_cal_read: error reading \"%s\"\n", path);
        return ERR_FILE_IO;
    }
    return NO_ERROR;
}

}  // namespace

int32_t sys_cal_read(const char* name, int32_t system, sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    name = cal_file_name(name, system);
    const char* found = nullptr;
    const int32_t find_error = u_find_file(name, &found);
    if (find_error != NO_ERROR) {
        gl_PrintFunc("sys_cal_read: cannot find system calibration file \"%s\": %s\n", name,
                     u_err_name(find_error));
        return find_error;
    }
    // The found path lives in a slot that the next lookup reuses.
    char path[SYS_CAL_PATH_LEN];
    if (std::snprintf(path, sizeof path, "%s", found) >= static_cast<int>(sizeof path)) {
        gl_PrintFunc("sys_cal_read: file name too long: \"%s\"\n", found);
        return ERR_CANT_OPEN_FILE;
    }
    const std::unique_ptr<FILE, file_closer> file(plat::open_regular_file(path, "rb"));
    if (file == nullptr) {
        gl_PrintFunc("sys_cal_read: cannot open \"%s\"\n", path);
        return ERR_CANT_OPEN_FILE;
    }

    const std::unique_ptr<sys_info> parsed(new (std::nothrow) sys_info(*info));
    if (parsed == nullptr) return ERR_NO_MEM;
    cal_set_defaults(parsed.get());
    const int32_t error = read_lines(file.get(), path, parsed.get());
    if (error != NO_ERROR) return error;
    std::memcpy(parsed->calFile.path, path, sizeof path);
    parsed->initialised = 1;
    *info = *parsed;
    return NO_ERROR;
}
