// What the reader and the writer of the system calibration file share.
// Internal to instrument/.
#pragma once

#include <cstdint>
#include <string_view>

#include "instrument/instrument.h"

// The name to look up: the given one, or u_cal_file_name(system) for none.
const char* cal_file_name(const char* name, int32_t system);

// Appends an unknown keyword line to the record's kept lines; false when
// they have no room left for it.
bool cal_keep_unknown_line(sys_info* info, std::string_view line);

// Calls visit for each kept unknown line, in file order, until it returns
// false; false then, and also when the kept lines have no terminator.
template <typename Visit>
bool cal_each_unknown_line(const sys_info& info, Visit visit) {
    const char* text = info.calFile.unknownLines;
    const std::string_view all(text, sizeof info.calFile.unknownLines);
    const size_t end = all.find('\0');
    if (end == std::string_view::npos) return false;
    for (std::string_view rest = all.substr(0, end); !rest.empty();) {
        const size_t line_end = rest.find('\n');
        if (line_end == std::string_view::npos) return false;
        if (!visit(rest.substr(0, line_end))) return false;
        rest.remove_prefix(line_end + 1);
    }
    return true;
}
