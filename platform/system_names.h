// The running program's file and the computer's name.
#pragma once

#include <cstddef>

namespace plat {

// Writes the full path of the running program's file, terminated, into
// destination (capacity bytes). The path keeps the case the file system
// gives it. False when it cannot be obtained or does not fit; destination is
// then empty.
bool program_path(char* destination, size_t capacity);

// Writes the computer's name, cut to capacity - 1 characters and terminated,
// into destination. False when the system does not tell it; destination is
// then empty.
bool computer_name(char* destination, size_t capacity);

}  // namespace plat
