// Reading and taking apart the lines of the system calibration file.
#include "instrument/cal_lines.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// Control characters have no place in a text file of keywords; a NUL byte
// would also cut a value short where it is stored.
bool has_control_character(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) return true;
    }
    return false;
}

}  // namespace

bool cal_read_line(FILE* file, cal_line* line) {
    line->length = 0;
    line->too_long = false;
    // One character more than a line may hold, so that a carriage return
    // after a full line is still seen as part of its line end.
    constexpr size_t kKeep = CAL_LINE_MAX + 1;
    int c = std::getc(file);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = std::getc(file)) {
        if (line->length < kKeep) {
            line->text[line->length++] = static_cast<char>(c);
        } else {
            line->too_long = true;
        }
    }
    if (!line->too_long && line->length > 0 && line->text[line->length - 1] == '\r') {
        --line->length;
    }
    if (line->length > static_cast<size_t>(CAL_LINE_MAX)) {
        line->too_long = true;
        line->length = CAL_LINE_MAX;
    }
    line->text[line->length] = '\0';
    return true;
}

cal_split cal_split_line(std::string_view line) {
    const std::string_view content = trim_blanks(line);
    if (content.empty()) return {cal_line_kind::empty, {}, {}, nullptr};
    // A comment holds no keyword, but the rule on control characters is the
    // same for it: a lone carriage return would hide the line after it.
    const bool comment = content.front() == '#';
    const size_t colon = content.find(':');
    const std::string_view keyword =
        comment ? std::string_view()
                : trim_blanks(colon == std::string_view::npos ? content : content.substr(0, colon));
    if (has_control_character(line)) {
        return {cal_line_kind::bad, keyword, {}, "control character in the line"};
    }
    if (comment) return {cal_line_kind::comment, {}, {}, nullptr};
    if (colon == std::string_view::npos) {
        return {cal_line_kind::bad, keyword, {}, "no colon after the keyword"};
    }
    if (keyword.empty()) return {cal_line_kind::bad, keyword, {}, "no keyword before the colon"};
    return {cal_line_kind::keyword, keyword, trim_blanks(content.substr(colon + 1)), nullptr};
}
