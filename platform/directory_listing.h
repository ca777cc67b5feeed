// Listing the names in a directory.
#pragma once

#include <string>
#include <vector>

namespace plat {

// The names of the entries of a directory (files, folders and anything
// else), without "." and "..", sorted by their bytes: a listing comes out
// the same on every run and every system, whatever order the file system
// keeps. False, with names empty, when the path is not a directory that can
// be read.
bool list_directory(const char* path, std::vector<std::string>* names);

}  // namespace plat
