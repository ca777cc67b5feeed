// Turning a Python path into the library's path bytes.
#include "python/path_argument.h"

#include "platform/path_ref.h"

namespace py = pybind11;

namespace gridtext_py {

std::string message_text(const py::handle& text) {
    const auto bytes = py::reinterpret_steal<py::object>(
        PyUnicode_AsEncodedString(text.ptr(), "utf-8", "backslashreplace"));
    if (!bytes) throw py::error_already_set();
    return bytes.cast<std::string>();
}

path_argument to_path_argument(const py::handle& path) {
    const py::module_ os = py::module_::import("os");
    // os.fspath raises TypeError itself for anything that is not a path.
    const py::object spelled = os.attr("fspath")(path);
    path_argument out;
    out.display = message_text(os.attr("fsdecode")(spelled));
    if (py::isinstance<py::bytes>(spelled)) {
        out.library_path = spelled.cast<std::string>();
    } else {
#if defined(_WIN32)
        // Windows names are UTF-16: the library's wide path form carries them.
        const std::u16string text = spelled.cast<std::u16string>();
        out.library_path = plat::make_wide_path(text, "\xFF\xFE");
#else
        out.library_path = os.attr("fsencode")(spelled).cast<std::string>();
#endif
    }
    // A zero byte would end a narrow path early, naming another file.
    const bool wide = plat::path_ref(out.library_path).is_wide();
    if (!wide && out.library_path.find('\0') != std::string::npos)
        throw py::value_error("embedded null byte in path");
    return out;
}

}  // namespace gridtext_py
