// Listing the names in a directory.
#pragma once

#include <string>
#include <vector>

#include "platform/path_ref.h"

namespace plat {

// The names of the entries of a directory (files, folders and anything
// else), without "." and "..", sorted by their bytes: a listing comes out
// the same on every run and every system, whatever order the file system
// keeps. Each name is of the path's kind (see path_ref.h): narrow for a
// narrow path, wide with the path's mark for a wide one; a name that has no
// form of that kind is left out. False, with names empty, when the path is
// not a directory that can be read.
bool list_directory(path_ref path, std::vector<std::string>* names);

}  // namespace plat
