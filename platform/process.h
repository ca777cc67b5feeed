// Figures about the running process.
#pragma once

#include <cstdint>

namespace plat {

// Peak resident memory of this process's own address space so far, in
// bytes; -1 when unknown. A program started by another counts from its own
// start, not from its parent's size.
int64_t peak_rss_bytes();

}  // namespace plat
