// Dynamic libraries: load by name, resolve entry points by name, unload.
//
// Libraries are named as on Windows ("Name.dll"). The POSIX backend looks the
// name up as "libName.so": first in the directory set with
// set_library_directory, then on the system's library search path.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

struct library_object;
// A loaded library; null when none.
using library_handle = library_object*;

// The type every resolved entry point is handed out as; callers cast it back
// to the entry point's real type.
using library_function = void (*)();

// An extra directory searched first for libraries loaded by a bare name, or
// the default search alone again when directory is null or empty.
void set_library_directory(const char* directory);

// The system file name that a library name is looked up as
// ("dir/Name.dll" becomes "dir/libName.so"; other names stay as they are).
std::string library_file_name(const char* name);

// Loads a library; null on failure (library_error then tells why).
library_handle load_library(const char* name);

// The entry point of that name; null when the library does not export it.
library_function library_symbol(library_handle library, const char* name);

// Unloads a library and releases the handle; false for a null handle.
bool unload_library(library_handle library);

// The file version of a library already loaded into the process, found by
// its module name ("Name"): on Windows the most significant word of its
// version resource, on POSIX the MAJOR.MINOR of its real file name
// libName.so.MAJOR.MINOR. False, with both values untouched, when the
// library is not loaded or carries no version.
bool library_file_version(const char* module, int32_t* major, int32_t* minor);

// The system's error number of the last failed load or lookup on this thread.
int library_error();

}  // namespace plat
