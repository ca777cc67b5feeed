// Removal of white space outside double quotes.
#include <cctype>

#include "util/util.h"

int32_t u_strip_blanks(char* text) {
    // Compacting in one pass gives the same text as moving the tail left over
    // each run of white space.
    char* out = text;
    const char* in = text;
    bool quoted = false;
    for (; *in != '\0'; ++in) {
        const char c = *in;
        if (c == '"') quoted = !quoted;
        if (!quoted && std::isspace(static_cast<unsigned char>(c)) != 0) continue;
        *out++ = c;
    }
    *out = '\0';
    return static_cast<int32_t>(in - out);
}
