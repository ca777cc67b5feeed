// Library error codes as Python exceptions, and the library's print hook
// routed to a Python callable.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

namespace gridtext_py {

// Creates gridtext.Error, gridtext.FileError, the named tuples and the
// silent print hook in the module.
void define_library_errors(pybind11::module_& module);

// Raises gridtext.Error (gridtext.FileError where the system refused a file)
// for a non-zero code: "FILE: ERROR_NAME", then " (reason)" when one is given.
[[noreturn]] void raise_library_error(int32_t code, const std::string& file,
                                      const std::string& reason = {});

// Library messages go to callable (None: nowhere, the default).
void set_print(pybind11::object callable);

}  // namespace gridtext_py
