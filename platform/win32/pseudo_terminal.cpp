// Pseudo-terminals on Windows: there are none of the POSIX kind, so every
// call fails and leaves the pair empty; simulators report that they are not
// open, and the tests that need them are skipped.
#include "platform/pseudo_terminal.h"

namespace plat {

bool pty_open(pty_pair* pair) {
    if (pair != nullptr) *pair = pty_pair{};
    return false;
}

void pty_close(pty_pair* pair) {
    if (pair != nullptr) *pair = pty_pair{};
}

int64_t pty_read(port_handle, void*, size_t, int) {
    return -1;
}

int64_t pty_write(port_handle, const void*, size_t) {
    return -1;
}

bool pty_get_line_settings(const pty_pair&, pty_line_settings*) {
    return false;
}

}  // namespace plat
