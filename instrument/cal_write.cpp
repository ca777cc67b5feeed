// Writing an instrument record as the system calibration file.
//
// Every line is checked before anything is written: it must read back as
// the same value (or, for a kept unknown line, as an unknown keyword line),
// so that the reader always takes what the writer wrote.
#include <cstdio>
#include <cstring>
#include <string>

#include "instrument/cal_file.h"
#include "instrument/cal_keywords.h"
#include "instrument/cal_lines.h"
#include "platform/platform.h"
#include "platform/file_replacement.h"
#include "util/util.h"

namespace {

// "Keyword: value", or "Keyword:" for an empty value; false when it does
// not fit on a line.
bool keyword_line(const cal_keyword& keyword, const sys_info& info, char* line) {
    char value[CAL_TEXT_SIZE];
    cal_format_value(keyword, keyword.field_of(info), value);
    const int length = std::snprintf(line, CAL_TEXT_SIZE, "%s:%s%s", keyword.name,
                                     value[0] == '\0' ? "" : " ", value);
    return length >= 0 && length <= CAL_LINE_MAX;
}

// The line, read as the reader reads it, gives the keyword its value again.
bool reads_back(const cal_keyword& keyword, const sys_info& info, const char* line) {
    const cal_split split = cal_split_line(line);
    if (split.kind != cal_line_kind::keyword || cal_find_keyword(split.keyword) != &keyword) {
        return false;
    }
    alignas(std::max_align_t) unsigned char value[SYS_CAL_PATH_LEN];
    static_assert(sizeof value >= SYS_FILE_NAME_LEN && sizeof value >= sizeof(sys_zoom_mags));
    return cal_parse_value(keyword, split.value, value) &&
           cal_same_value(keyword, keyword.field_of(info), value);
}

bool is_unknown_keyword_line(std::string_view line) {
    if (line.size() > static_cast<size_t>(CAL_LINE_MAX)) return false;
    const cal_split split = cal_split_line(line);
    return split.kind == cal_line_kind::keyword && cal_find_keyword(split.keyword) == nullptr;
}

bool check_record(const sys_info& info) {
    char line[CAL_TEXT_SIZE];
    for (const cal_keyword& keyword : cal_keywords()) {
        if (!keyword_line(keyword, info, line) || !reads_back(keyword, info, line)) {
            gl_PrintFunc("sys_cal_write: the value of \"%s\" cannot be written so that it reads back\n",
                         keyword.name);
            return false;
        }
    }
    if (!cal_each_unknown_line(info, is_unknown_keyword_line)) {
        gl_PrintFunc("sys_cal_write: the kept unknown keyword lines are damaged\n");
        return false;
    }
    return true;
}

bool put_line(FILE* out, std::string_view line) {
    return std::fwrite(line.data(), 1, line.size(), out) == line.size() &&
           std::fputs("\r\n", out) != EOF;
}

bool write_file(FILE* out, const sys_info& info) {
    bool ok = put_line(out, "# System calibration file: \"Keyword: value\" lines.") &&
              put_line(out, "# Blanks and letter case in keywords do not count.");
    const char* group = nullptr;
    char line[CAL_TEXT_SIZE];
    for (const cal_keyword& keyword : cal_keywords()) {
        if (group == nullptr || std::strcmp(group, keyword.group) != 0) {
            group = keyword.group;
            ok = ok && put_line(out, "") && put_line(out, std::string("# ") + group);
        }
        ok = ok && keyword_line(keyword, info, line) && put_line(out, line);
    }
    if (info.calFile.unknownLines[0] != '\0') {
        ok = ok && put_line(out, "") &&
             put_line(out, "# Keywords this version does not know, kept as they were read");
        ok = ok && cal_each_unknown_line(info, [out](std::string_view unknown) {
                 return put_line(out, unknown);
             });
    }
    return ok && std::fflush(out) == 0 && std::ferror(out) == 0;
}

// The file to write: the one the name finds, else a new one (a relative
// name in the configuration directory, as the reader looks there).
int32_t find_target(const char* name, std::string* target) {
    const char* found = nullptr;
    const int32_t error = u_find_file(name, &found);
    if (error == NO_ERROR) {
        *target = found;
        return NO_ERROR;
    }
    if (error == ERR_NO_MEM) return error;
    if (plat::is_absolute_path(name) || plat::path_ref(name).is_wide()) {
        *target = name;
        return NO_ERROR;
    }
    const char* folder = u_config_dir();
    char joined[SYS_CAL_PATH_LEN];
    if (folder == nullptr || !u_join_path(joined, sizeof joined, folder, name)) {
        gl_PrintFunc("sys_cal_write: no configuration directory for \"%s\"\n", name);
        return ERR_CANT_OPEN_FILE;
    }
    *target = joined;
    return NO_ERROR;
}

}  // namespace

int32_t sys_cal_write(const char* name, int32_t system, const sys_info* info) {
    if (info == nullptr) return ERR_INVALID_PARAM;
    if (!check_record(*info)) return ERR_INVALID_PARAM;
    name = cal_file_name(name, system);
    std::string target;
    const int32_t target_error = find_target(name, &target);
    if (target_error != NO_ERROR) return target_error;

    // Written beside the target and renamed over it, so a failed write
    // leaves the old file as it was.
    plat::file_replacement replacement;
    FILE* out = nullptr;
    if (replacement.create(target, "_cal") != 0 || (out = replacement.open_stream()) == nullptr) {
        gl_PrintFunc("sys_cal_write: cannot create a temporary file for \"%s\"\n", target.c_str());
        return ERR_CANT_CREATE_FILE;
    }
    if (!write_file(out, *info)) {
        gl_PrintFunc("sys_cal_write: error writing \"%s\"\n", replacement.temporary().c_str());
        return ERR_CANT_WRITE_FILE;
    }
    if (replacement.commit() != 0) {
        gl_PrintFunc("sys_cal_write: cannot replace \"%s\"\n", target.c_str());
        return ERR_CANT_WRITE_FILE;
    }
    return NO_ERROR;
}
