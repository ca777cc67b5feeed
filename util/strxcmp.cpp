// Keyword comparison that ignores case, white space outside quotes and the
// colons of the first text.
#include <cstdlib>
#include <cstring>

#include "util/util.h"

namespace {

// A copy made with the C runtime's allocator, as its string duplication does.
char* duplicate(const char* text) {
    const size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

// Upper case as toupper gives it in the C locale: in a Turkish host locale
// toupper('i') is not 'I', and "Version" would no longer match "VERSION".
void to_upper(char* text) {
    for (; *text != '\0'; ++text) {
        *text = static_cast<char>(u_c_toupper(static_cast<unsigned char>(*text)));
    }
}

}  // namespace

int32_t strxcmp(const char* a, const char* b) {
    char* first = duplicate(a);
    char* second = duplicate(b);
    if (first == nullptr || second == nullptr) {
        gl_PrintFunc("strxcmp: out of memory\n");
        std::free(first);
        std::free(second);
        return 0;
    }
    for (char* p = first; *p != '\0'; ++p) {
        if (*p == ':') *p = ' ';
    }
    u_strip_blanks(first);
    u_strip_blanks(second);
    to_upper(first);
    to_upper(second);

    const int order = std::strcmp(first, second);  // compares as unsigned char
    std::free(first);
    std::free(second);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
