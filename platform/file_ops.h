// Whole-file operations: unique temporary files, renaming and deleting.
#pragma once

#include <string>

namespace plat {

// Creates a new, empty file named prefix followed by six characters that
// make it unique, in directory, and stores its path in *name. The file
// belongs to the caller, who writes it and deletes it. False when no such
// file can be created there.
bool make_temp_file(const char* directory, const char* prefix, std::string* name);

// Gives the file the name `to`, replacing a file of that name in one step.
// Both names must lie in the same file system.
bool rename_file(const char* from, const char* to);

// Deletes a file. Directories and files this process may not write are left
// alone, as the Windows backend leaves read-only files; false then.
bool delete_file(const char* path);

}  // namespace plat
