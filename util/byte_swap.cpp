// Byte-order reversal.
#include <algorithm>
#include <cstdlib>

#include "util/util.h"

void u_swap_bytes(void* p, int n) {
    if (n != 2 && n != 4 && n != 8) {
        gl_PrintFunc("u_swap_bytes: n=%d\n", n);
        std::abort();
    }
    auto* bytes = static_cast<unsigned char*>(p);
    std::reverse(bytes, bytes + n);
}
