// Directories and the shape of path names.
//
// The POSIX backend separates names with "/" and has no drive letters; a name
// is absolute when it begins with the separator, or with "." and the
// separator (an explicit current-folder name, which is never searched for).
#pragma once

#include <string>

namespace plat {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for an absolute name as described above; false for null or "".
bool is_absolute_path(const char* name);

// True when the path names an existing directory.
bool is_directory(const char* path);

// Creates one directory level. False when it could not be created, also when
// something of that name exists already.
bool make_directory(const char* path);

// The system's folder for temporary files: $TMPDIR when it is set and not
// empty, else /tmp.
std::string temp_directory();

}  // namespace plat
