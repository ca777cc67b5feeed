// Trimming of leading and trailing blanks, tabs and line feeds.
#include <cstring>

#include "util/util.h"

namespace {
// A carriage return is deliberately not a blank here.
bool is_trim_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
}  // namespace

int32_t u_trim(char* text) {
    const size_t length = std::strlen(text);
    size_t first = 0;
    while (first < length && is_trim_blank(text[first])) ++first;
    size_t end = length;
    while (end > first && is_trim_blank(text[end - 1])) --end;
    const size_t kept = end - first;
    std::memmove(text, text + first, kept);
    text[kept] = '\0';
    return static_cast<int32_t>(length - kept);
}
