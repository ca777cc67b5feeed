// Removal of white space outside double quotes.
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
        // The C locale's white space: a host's locale must not change
        // which keywords match.
        if (!quoted && u_is_c_space(static_cast<unsigned char>(c))) continue;
        *out++ = c;
    }
    *out = '\0';
    return static_cast<int32_t>(in - out);
}
