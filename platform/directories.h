// Directories and the shape of path names.
//
// A name is absolute when it begins with the separator, or with "." and the
// separator (an explicit current-folder name, which is never searched for).
// The POSIX backend separates names with "/" and has no drive letters; on
// Windows the separator is "\\" and a drive letter with its colon ("c:")
// also makes a name absolute.
#pragma once

#include <string>

#include "platform/path_ref.h"

namespace plat {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
// Windows file names are the same names in any letter case; the program path
// is reported in lower case there.
inline constexpr bool kNamesIgnoreCase = true;
// The variable that chooses the temporary folder first.
inline constexpr const char* kTempDirectoryVariable = "TMP";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kNamesIgnoreCase = false;
inline constexpr const char* kTempDirectoryVariable = "TMPDIR";
#endif

// True for an absolute name as described above; false for null or "".
bool is_absolute_path(const char* name);

// True when the path names an existing directory.
bool is_directory(path_ref path);

// Creates one directory level. False when it could not be created, also when
// something of that name exists already.
bool make_directory(path_ref path);

// The system's folder for temporary files, without a closing separator:
// POSIX takes $TMPDIR when it is set and not empty, else /tmp; Windows takes
// GetTempPathA's answer (%TMP%, else %TEMP%, else the user's folder).
std::string temp_directory();

}  // namespace plat
