// The name table and the lookups that turn a code into its name.
#include <cstdio>
#include <cstdlib>

#include "errors/errors.h"

namespace {

// Slot 0 is never returned: code 0 is answered with "NO_ERROR" directly.
constexpr const char* kNames[ERR_CODE_COUNT] = {
    "",
#define ERROR_CODE(name, number) #name,
#include "errors/error_codes.inc"
#undef ERROR_CODE
};

// The table is indexed by code: the include order must be the number order.
constexpr bool names_in_code_order() {
    int32_t expected = 1;
#define ERROR_CODE(name, number) \
    if ((number) != expected++) return false;
#include "errors/error_codes.inc"
#undef ERROR_CODE
    return expected == ERR_CODE_COUNT;
}
static_assert(names_in_code_order(), "error_codes.inc must list codes 1..462 in order");

// One buffer per thread: worker threads look up names too.
thread_local char name_buffer[512];

}  // namespace

const char* u_err_name(int32_t code) {
    if (code == NO_ERROR) {
        std::snprintf(name_buffer, sizeof name_buffer, "%s", "NO_ERROR");
    } else if (code > 0 && code < ERR_CODE_COUNT) {
        std::snprintf(name_buffer, sizeof name_buffer, "%s", kNames[code]);
    } else {
        std::snprintf(name_buffer, sizeof name_buffer, "invalid error number %d", code);
    }
    return name_buffer;
}

void u_err_print(int32_t code) {
    if (code != NO_ERROR) gl_PrintFunc("%s\n", u_err_name(code));
}

void u_err_exit(int32_t code) {
    if (code == NO_ERROR) return;
    gl_PrintFunc("%s\n", u_err_name(code));
    std::exit(1);
}
