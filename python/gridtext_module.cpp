// The gridtext Python module: data files read by the library into numpy
// arrays, and written back exactly as the library writes them.
#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <utility>

#include "datafile/datafile.h"
#include "platform/console_streams.h"
#include "python/library_errors.h"
#include "python/measurement.h"
#include "python/path_argument.h"

namespace py = pybind11;
using namespace gridtext_py;

namespace {

measurement read_path(const py::object& path) {
    const path_argument file = to_path_argument(path);
    auto data = std::make_shared<records>();
    int32_t err = NO_ERROR;
    {
        const py::gil_scoped_release unlocked;
        err = df_read_any(file.library_path, &data->kind, &data->ident, &data->params,
                          &data->intens, &data->phase);
    }
    if (err == ERR_CANT_OPEN_FILE)
        raise_library_error(err, file.display, plat::read_refusal(file.library_path));
    if (err != NO_ERROR) raise_library_error(err, file.display);
    return measurement(std::move(data), file.display);
}

measurement read_stream(const py::object& fileobj) {
    const py::object name = py::getattr(fileobj, "name", py::none());
    const std::string source =
        py::isinstance<py::str>(name) ? message_text(name) : std::string("<stream>");
    // The stream's bytes from its position on, in memory the library reads.
    const py::object chunk = fileobj.attr("read")();
    if (!PyObject_CheckBuffer(chunk.ptr()))
        throw py::type_error("read_stream needs a binary file object (read() returned no bytes)");
    const py::buffer_info bytes = py::buffer(chunk).request();
    const std::string content(static_cast<const char*>(bytes.ptr),
                              static_cast<size_t>(bytes.size * bytes.itemsize));
    auto data = std::make_shared<records>();
    int32_t err = NO_ERROR;
    {
        const py::gil_scoped_release unlocked;
        err = df_read_any_memory(content.data(), content.size(), &data->kind, &data->ident,
                                 &data->params, &data->intens, &data->phase);
    }
    if (err != NO_ERROR) raise_library_error(err, source);
    return measurement(std::move(data), source);
}

}  // namespace

PYBIND11_MODULE(gridtext, module) {
    module.doc() =
        "Interferometer data files (binary formats 1 to 3, ASCII Formats 1 and 2) read by the "
        "gridtext library into numpy arrays.\n\n"
        "    m = gridtext.read('sphere.dat')\n"
        "    m.phase, m.intensity, m.params['val_76'], m.phase_stats()\n\n"
        "Failures raise gridtext.Error; library messages are silent unless set_print installs "
        "a function for them.";
    module.attr("__version__") = GRIDTEXT_VERSION;
    module.attr("PHASE_INVALID") = PHASE_INVALID;

    define_library_errors(module);
    define_measurement(module);

    module.def("read", &read_path, py::arg("path"),
               "Reads a data file: a binary data file of any of the three formats or, by its "
               "first line, an ASCII data file of either format. path is a str, bytes or "
               "os.PathLike. Returns a Measurement; raises gridtext.Error (a gridtext.FileError, "
               "also an OSError, when the file cannot be opened).");
    module.def("read_stream", &read_stream, py::arg("fileobj"),
               "Reads a data file of either kind from a binary file object (anything with "
               "read() returning bytes, such as io.BytesIO), from its position to its end.");
    module.def("set_print", &set_print, py::arg("callable"),
               "Library messages (such as the ASCII reader's line report) are passed as str to "
               "callable; None, the default, drops them.");
    module.def(
        "error_name", [](int32_t code) { return std::string(u_err_name(code)); },
        py::arg("code"), "The symbolic name of a library error number.");
}
