// gridtext.Error and its OSError form, and library messages for Python.
#include "python/library_errors.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include <pybind11/eval.h>

#include "errors/errors.h"

namespace py = pybind11;

namespace gridtext_py {
namespace {

// The exception classes, defined in Python so that they read as Python
// classes do: FileError is both a gridtext.Error and an OSError, and keeps
// the library's message as its text (OSError would print "[Errno None]").
const char* const kErrorClasses = R"(
class Error(Exception):
    """A failure reported by the gridtext library.

    code is the library's error number, name its symbolic name
    (ERR_PREMATURE_EOF, ...) and filename the file it concerns.
    """

    def __init__(self, message, code=0, name="", filename=None):
        super().__init__(message)
        self.code = code
        self.name = name
        self.filename = filename


class FileError(Error, OSError):
    """A gridtext.Error for a file the operating system refused to open,
    create or write; strerror holds the system's reason where known."""

    def __init__(self, message, code=0, name="", filename=None, strerror=None):
        Error.__init__(self, message, code, name, filename)
        self.strerror = strerror

    def __str__(self):
        return self.args[0]
)";

// The classes live for the rest of the process, as the module does.
PyObject* g_error = nullptr;
PyObject* g_file_error = nullptr;
PyObject* g_print_callable = nullptr;

// Codes by which the system's refusal of a file is reported.
bool is_file_refusal(int32_t code) {
    return code == ERR_CANT_OPEN_FILE || code == ERR_CANT_CREATE_FILE ||
           code == ERR_CANT_WRITE_FILE;
}

// The print hook while a callable is installed: the formatted message, as
// str (bytes that are not UTF-8 escaped), handed to the callable with the
// interpreter lock held (the library may run without it).
void print_to_callable(const char* format, ...) U_PRINTF_FORMAT(1, 2);
void print_to_callable(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::vector<char> text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);

    const py::gil_scoped_acquire gil;
    if (g_print_callable == nullptr) return;
    PyObject* message =
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size() - 1), "backslashreplace");
    PyObject* result =
        message == nullptr ? nullptr : PyObject_CallOneArg(g_print_callable, message);
    Py_XDECREF(message);
    // The library cannot take an exception back: it is reported, not raised.
    if (result == nullptr) PyErr_WriteUnraisable(g_print_callable);
    Py_XDECREF(result);
}

}  // namespace

void define_library_errors(py::module_& module) {
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    scope["__name__"] = "gridtext";
    py::exec(kErrorClasses, scope);
    g_error = scope["Error"].ptr();
    g_file_error = scope["FileError"].ptr();
    Py_INCREF(g_error);
    Py_INCREF(g_file_error);
    module.add_object("Error", scope["Error"]);
    module.add_object("FileError", scope["FileError"]);
    // No library message reaches standard error unless asked for.
    gl_PrintFunc = u_print_nothing;
}

void raise_library_error(int32_t code, const std::string& file, const std::string& reason) {
    const std::string name = u_err_name(code);
    std::string message = file + ": " + name;
    if (!reason.empty()) message += " (" + reason + ")";
    const bool refused = is_file_refusal(code);
    py::object cls = py::reinterpret_borrow<py::object>(refused ? g_file_error : g_error);
    py::object error = refused ? cls(message, code, name, file,
                                     reason.empty() ? py::none() : py::object(py::str(reason)))
                               : cls(message, code, name, file);
    PyErr_SetObject(cls.ptr(), error.ptr());
    throw py::error_already_set();
}

void set_print(py::object callable) {
    if (!callable.is_none() && !PyCallable_Check(callable.ptr()))
        throw py::type_error("set_print takes a callable or None");
    PyObject* previous = g_print_callable;
    g_print_callable = callable.is_none() ? nullptr : callable.release().ptr();
    gl_PrintFunc = g_print_callable != nullptr ? print_to_callable : u_print_nothing;
    Py_XDECREF(previous);
}

}  // namespace gridtext_py
