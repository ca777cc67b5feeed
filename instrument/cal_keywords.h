// The keywords of the system calibration file: one table that says, for each
// keyword, its value type, range, default and the record field it fills. The
// reader, the writer, sys_info_clear and the keyword documentation all work
// from it. Internal to instrument/ (and its tests, tools and fuzz target).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "instrument/instrument.h"

// Longest line of the file, line end not counted.
inline constexpr int CAL_LINE_MAX = 511;
// Room for a reason text or a formatted value.
inline constexpr size_t CAL_TEXT_SIZE = CAL_LINE_MAX + 1;
// Most keywords the table may hold.
inline constexpr size_t CAL_MAX_KEYWORDS = 64;

enum class cal_kind : uint8_t {
    integer,     // int32_t: a decimal integer in [min, max], or one of `choices`
    real32,      // float: a decimal number in [min, max]
    real64,      // double: a decimal number in [min, max]
    text,        // char[capacity]: the rest of the line, blanks around it removed
    mac,         // uint8_t[6]: six pairs of hex digits
    duration,    // uint16_t seconds, written hours:minutes:seconds
    int_pair,    // int32_t[2]: lower and upper, each in [min, max], lower <= upper
    real32_list  // sys_zoom_mags: up to `capacity` numbers, each in [min, max]
};

struct cal_keyword {
    const char* name;   // as the writer writes it
    const char* group;  // the record group, a comment line in the file
    cal_kind kind;
    double min;
    double max;
    int32_t capacity;  // text: bytes of the field; real32_list: most values
    std::span<const int32_t> choices;
    const char* default_value;  // as the file would carry it
    const char* meaning;        // one line for the documentation
    void* (*field)(sys_info& info);
    size_t field_size;

    const void* field_of(const sys_info& info) const {
        return field(const_cast<sys_info&>(info));
    }
};

// The table, in the order the writer writes the keywords.
std::span<const cal_keyword> cal_keywords();

// The keyword that the file's keyword text names (compared with strxcmp, so
// blanks and letter case do not count); null when none does.
const cal_keyword* cal_find_keyword(std::string_view keyword);

// Reads a value text (blanks around it already removed) into the field.
// False when the text is not a value of the keyword's type and range; the
// field may then be partly written.
bool cal_parse_value(const cal_keyword& keyword, std::string_view text, void* field);

// Writes the field as the file carries it into out (CAL_TEXT_SIZE bytes).
// A text field without a terminator inside it is cut at its size.
void cal_format_value(const cal_keyword& keyword, const void* field, char* out);

// True when two fields hold the same value (texts up to their terminator,
// lists up to their count, numbers bit for bit).
bool cal_same_value(const cal_keyword& keyword, const void* a, const void* b);

// What the keyword expects, e.g. "integer 0 to 255" or "text of up to 259
// characters", into out (CAL_TEXT_SIZE bytes). The documentation shows the
// two parts apart: the type, then the range.
void cal_describe_type(const cal_keyword& keyword, char* out);
void cal_describe_range(const cal_keyword& keyword, char* out);

// Sets every field the file configures to its keyword's default and forgets
// the unknown lines; handles and state are left alone.
void cal_set_defaults(sys_info* info);

// True when a and b configure the same: every keyword's value and the same
// unknown lines. State, handles and the file's path are not compared.
bool cal_same_configuration(const sys_info& a, const sys_info& b);

// The keyword documentation, as Markdown: one table per record group
// (keyword, type, range, default, meaning), handed out a line at a time.
void cal_describe_keywords(void (*emit)(void* context, const char* line), void* context);
