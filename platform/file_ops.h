// Whole-file operations: unique temporary files, renaming and deleting. Every
// path may be narrow or wide (see path_ref.h); a refused wide path fails the
// operation.
#pragma once

#include <string>

#include "platform/path_ref.h"

namespace plat {

// Creates a new, empty file named prefix followed by six characters that
// make it unique, in directory, and stores its path in *name: a path of the
// directory's kind, wide when the directory is wide. The file belongs to the
// caller, who writes it and deletes it. False when no such file can be
// created there.
bool make_temp_file(path_ref directory, const char* prefix, std::string* name);

// Gives the file the name `to`, replacing a file of that name in one step.
// Both names must lie in the same file system.
bool rename_file(path_ref from, path_ref to);

// Deletes a file. Directories, FIFOs, devices and files this process may
// not write are left alone, as the Windows backend leaves read-only files;
// false then.
bool delete_file(path_ref path);

}  // namespace plat
