// The keyword documentation of the system calibration file, made from the
// keyword table so that the documentation cannot drift from the reader.
#include <cstdio>
#include <cstring>

#include "instrument/cal_keywords.h"

void cal_describe_keywords(void (*emit)(void* context, const char* line), void* context) {
    const char* group = nullptr;
    for (const cal_keyword& keyword : cal_keywords()) {
        if (group == nullptr || std::strcmp(group, keyword.group) != 0) {
            if (group != nullptr) emit(context, "");
            group = keyword.group;
            char heading[CAL_TEXT_SIZE];
            std::snprintf(heading, sizeof heading, "### %s", group);
            emit(context, heading);
            emit(context, "");
            emit(context, "| Keyword | Type | Range | Default | Meaning |");
            emit(context, "|---|---|---|---|---|");
        }
        char type[CAL_TEXT_SIZE];
        char range[CAL_TEXT_SIZE];
        cal_describe_type(keyword, type);
        cal_describe_range(keyword, range);
        char default_value[CAL_TEXT_SIZE];
        if (keyword.default_value[0] == '\0') {
            std::snprintf(default_value, sizeof default_value, "(empty)");
        } else {
            std::snprintf(default_value, sizeof default_value, "`%s`", keyword.default_value);
        }
        char row[4 * CAL_TEXT_SIZE];
        std::snprintf(row, sizeof row, "| `%s` | %s | %s | %s | %s |", keyword.name, type, range,
                      default_value, keyword.meaning);
        emit(context, row);
    }
}
