// Lines of the system calibration file: reading one line with a fixed
// buffer, and taking a line apart into keyword and value. Internal to
// instrument/.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "instrument/cal_keywords.h"

struct cal_line {
    char text[CAL_LINE_MAX + 2];
    size_t length;  // characters kept, the line end (LF or CR LF) removed
    bool too_long;  // more than CAL_LINE_MAX characters; the first ones are kept
};

// Reads the next line; false at the end of the file or on a read error
// (ferror tells which). A last line without a line end counts as a line.
bool cal_read_line(FILE* file, cal_line* line);

enum class cal_line_kind {
    empty,    // nothing but blanks and tabs
    comment,  // its first character after blanks is '#'
    keyword,  // "Keyword: value"
    bad,
};

struct cal_split {
    cal_line_kind kind;
    std::string_view keyword;  // blanks around it removed
    std::string_view value;    // blanks around it removed
    const char* fault;         // what makes a bad line bad
};

// Takes one line (without its line end) apart.
cal_split cal_split_line(std::string_view line);
