// Paths from Python (str, bytes or os.PathLike) as the library takes them.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace gridtext_py {

struct path_argument {
    std::string library_path;  // what the library is given
    std::string display;       // the path as the user wrote it, for messages
};

// The text of a str as UTF-8 for messages; characters that UTF-8 cannot
// carry (the escapes of undecodable file name bytes) written as \\uXXXX.
std::string message_text(const pybind11::handle& text);

// str is encoded as the system encodes file names (os.fsencode; a wide path
// on Windows), bytes are taken as they are. TypeError for other objects,
// ValueError for a path holding a zero byte.
path_argument to_path_argument(const pybind11::handle& path);

}  // namespace gridtext_py
