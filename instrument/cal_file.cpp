// The default name of the system calibration file and the kept lines of
// keywords this version does not know.
#include "instrument/cal_file.h"

#include <cstring>

#include "util/util.h"

const char* cal_file_name(const char* name, int32_t system) {
    return name != nullptr && name[0] != '\0' ? name : u_cal_file_name(system);
}

bool cal_keep_unknown_line(sys_info* info, std::string_view line) {
    char* kept = info->calFile.unknownLines;
    const size_t used = std::strlen(kept);
    // The line, its line feed and the terminator after them.
    if (line.size() + 2 > sizeof info->calFile.unknownLines - used) return false;
    std::memcpy(kept + used, line.data(), line.size());
    kept[used + line.size()] = '\n';
    kept[used + line.size() + 1] = '\0';
    return true;
}
