// Whole-file operations: unique temporary files, renaming and deleting.
#pragma once

#include <string>

namespace plat {

// Creates a new, empty file named prefix followed by six characters that
// make it unique, in directory, and stores its path in *name. The file
// belongs to the caller, who writes it and deletes it. False when no such
// file can be created there.
bool make_temp_file(const char* directory, const char* prefix, std::string* name);

// Creates a new, empty file that is to replace `path` once it has been
// written: it lies in the same folder (so that rename_file can replace path
// in one step), under path's name followed by a point and six characters
// that make it unique, and stores its name in *name. It starts with the
// permissions path has, or with those of any file newly created there when
// path does not exist (on POSIX 0666 less the process's umask). False when
// no such file can be created.
bool make_replacement_file(const char* path, std::string* name);

// Gives the file the name `to`, replacing a file of that name in one step.
// Both names must lie in the same file system.
bool rename_file(const char* from, const char* to);

// Deletes a file. Directories and files this process may not write are left
// alone, as the Windows backend leaves read-only files; false then.
bool delete_file(const char* path);

}  // namespace plat
