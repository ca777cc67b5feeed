// Reading values from private profile (INI) files: "[section]" lines
// followed by "key=value" lines.
//
// Sections and keys match in any letter case; the value is the text after
// the first "=", without surrounding blanks. A file name without a folder is
// looked up where Windows keeps such files: on POSIX, in the folder named by
// the environment variable "SystemRoot" (no such file when it is not set).
#pragma once

#include <cstddef>

namespace plat {

// Copies the value of key in section of file into buffer (size bytes, the
// terminator included), or default_value when the file, the section or the
// key is missing. Returns false, with buffer empty, when the text does not
// fit in buffer or buffer is null or of size 0.
bool read_profile_string(const char* section, const char* key, const char* default_value,
                         char* buffer, size_t size, const char* file);

}  // namespace plat
