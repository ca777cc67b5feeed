// gridtext.Measurement and the arrays over its matrices.
#include "python/measurement.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "datafile/param_fields.h"
#include "python/field_values.h"
#include "python/library_errors.h"
#include "python/path_argument.h"

namespace py = pybind11;

namespace gridtext_py {
namespace {

// collections.namedtuple classes, made once with the module.
PyObject* g_window_type = nullptr;
PyObject* g_phase_stats_type = nullptr;

py::object named_tuple_class(const char* name, const char* fields, const char* doc) {
    py::object cls = py::module_::import("collections").attr("namedtuple")(name, fields);
    cls.attr("__module__") = "gridtext";
    cls.attr("__doc__") = doc;
    return cls;
}

py::object window_tuple(const matrix_window& w) {
    return py::reinterpret_borrow<py::object>(g_window_type)(w.x, w.y, w.width, w.height);
}

py::object read_only(py::dict values) {
    return py::module_::import("types").attr("MappingProxyType")(std::move(values));
}

// A dimension from a record, 0 when it is not positive.
py::ssize_t extent(int64_t value) {
    return static_cast<py::ssize_t>(std::max<int64_t>(value, 0));
}

// An array over elements that the records own: read-only, and holding the
// records alive through its base for as long as the array (or any view of
// it) lives. Without a buffer large enough for the shape, an array of the
// shape (0, ...) stands in: a reader never leaves such a matrix, but the
// records are not trusted to say so.
template <typename T>
py::array shared_array(const std::shared_ptr<records>& owner, const T* elements, uint32_t size,
                       std::vector<py::ssize_t> shape) {
    int64_t count = 1;
    for (const py::ssize_t d : shape) count *= d;
    if (count == 0 || elements == nullptr || static_cast<int64_t>(size) < count) {
        if (count != 0) std::fill(shape.begin(), shape.end(), 0);
        return py::array_t<T>(shape);
    }
    auto keep = std::make_unique<std::shared_ptr<records>>(owner);
    const py::capsule base(keep.get(),
                           [](void* p) { delete static_cast<std::shared_ptr<records>*>(p); });
    keep.release();  // the capsule owns it now
    py::array array(py::dtype::of<T>(), shape, elements, base);
    py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return array;
}

matrix_window window_from(const py::object& window) {
    const auto t = window.cast<py::tuple>();
    if (t.size() != 4) throw py::value_error("a window is (x, y, width, height)");
    return matrix_window{t[0].cast<int16_t>(), t[1].cast<int16_t>(), t[2].cast<int16_t>(),
                         t[3].cast<int16_t>()};
}

}  // namespace

measurement::measurement(std::shared_ptr<records> data, std::string source)
    : data_(std::move(data)), source_(std::move(source)) {
    py::dict params;
    const data_file_params& p = data_->params;
#define GRIDTEXT_PY_FIELD(field, file_offset) params[#field] = field_value(p.field);
    DF_PARAM_FIELDS(GRIDTEXT_PY_FIELD)
#undef GRIDTEXT_PY_FIELD
    params_ = read_only(params);

    py::dict ident;
    const data_file_ident& i = data_->ident;
    ident["ident_a"] = field_value(i.ident_a);
    ident["ident_text"] = field_value(i.ident_text);
    ident["ident_b"] = field_value(i.ident_b);
    ident["ident_c"] = field_value(i.ident_c);
    ident["ident_d"] = field_value(i.ident_d);
    ident_ = read_only(ident);
}

std::string measurement::kind() const {
    switch (data_->kind) {
        case DF_KIND_BINARY_FORMAT1: return "binary format 1";
        case DF_KIND_BINARY_FORMAT2: return "binary format 2";
        case DF_KIND_BINARY_FORMAT3: return "binary format 3";
        case DF_KIND_ASCII: return "ascii";
    }
    return "unknown";
}

py::object measurement::ident() const {
    return ident_;
}
py::object measurement::params() const {
    return params_;
}

py::object measurement::intensity() const {
    const intens_matrix& m = data_->intens;
    return shared_array(data_, m.matrix, m.size,
                        {extent(m.n_buckets), extent(m.window.height), extent(m.window.width)});
}

py::object measurement::intensity_window() const {
    return window_tuple(data_->intens.window);
}

py::object measurement::phase() const {
    const phase_matrix& m = data_->phase;
    return shared_array(data_, m.matrix, m.size, {extent(m.window.height), extent(m.window.width)});
}

py::object measurement::phase_window() const {
    return window_tuple(data_->phase.window);
}

py::object measurement::phase_valid() const {
    const py::array phase = this->phase();
    py::array_t<bool> valid(std::vector<py::ssize_t>(phase.shape(), phase.shape() + phase.ndim()));
    const auto* values = static_cast<const int32_t*>(phase.data());
    bool* out = valid.mutable_data();
    for (py::ssize_t i = 0; i < phase.size(); ++i) out[i] = !phase_is_invalid(values[i]);
    return valid;
}

py::object measurement::phase_stats(const py::object& window) const {
    ::phase_stats s{};
    const matrix_window given = window.is_none() ? matrix_window{} : window_from(window);
    const int32_t err =
        phase_matrix_stats(&data_->phase, window.is_none() ? nullptr : &given, &s);
    if (err != NO_ERROR) raise_library_error(err, source_);
    return py::reinterpret_borrow<py::object>(g_phase_stats_type)(
        s.pv, s.max, s.min, s.mean, s.max_x, s.max_y, s.min_x, s.min_y, s.count);
}

py::object measurement::phase_as_float() const {
    const phase_matrix& m = data_->phase;
    const py::array phase = this->phase();
    py::array_t<double> out(std::vector<py::ssize_t>(phase.shape(), phase.shape() + phase.ndim()));
    if (out.size() == 0) return out;
    const int32_t err =
        phase_matrix_values(&m, out.mutable_data(), static_cast<uint64_t>(out.size()));
    if (err != NO_ERROR) raise_library_error(err, source_);
    return out;
}

void measurement::write_ascii(const py::object& path, bool overwrite) const {
    const path_argument target = to_path_argument(path);
    if (!overwrite && u_file_exists(target.library_path))
        raise_library_error(ERR_CANT_CREATE_FILE, target.display, "the file exists");
    int32_t err = NO_ERROR;
    {
        const py::gil_scoped_release unlocked;
        err = df_write_ascii(target.library_path, &data_->ident, &data_->params, &data_->intens,
                             &data_->phase);
    }
    if (err != NO_ERROR) raise_library_error(err, target.display);
}

void measurement::write_phase_text(const py::object& path) const {
    const path_argument target = to_path_argument(path);
    int32_t err = NO_ERROR;
    {
        const py::gil_scoped_release unlocked;
        err = df_write_phase_text(target.library_path, &data_->phase);
    }
    if (err != NO_ERROR) raise_library_error(err, target.display);
}

std::string measurement::repr() const {
    const matrix_window& i = data_->intens.window;
    const matrix_window& p = data_->phase.window;
    return "<gridtext.Measurement " + source_ + " (" + kind() + "): intensity " +
           std::to_string(data_->intens.n_buckets) + " x " + std::to_string(i.height) + " x " +
           std::to_string(i.width) + ", phase " + std::to_string(p.height) + " x " +
           std::to_string(p.width) + ">";
}

void define_measurement(py::module_& module) {
    py::object window = named_tuple_class(
        "Window", "x y width height",
        "A matrix's window: the coordinates of its first element (x, y), its width "
        "(elements per row) and height (rows).");
    py::object stats = named_tuple_class(
        "PhaseStats", "pv max min mean max_x max_y min_x min_y count",
        "Statistics of the valid phase values in a window: peak-to-valley (max - min), the "
        "largest and smallest value, their mean, the matrix coordinates of the first maximum "
        "and of the first minimum, and the number of valid values.");
    g_window_type = window.inc_ref().ptr();
    g_phase_stats_type = stats.inc_ref().ptr();
    module.add_object("Window", window);
    module.add_object("PhaseStats", stats);

    py::class_<measurement>(module, "Measurement",
                            "One data file in memory, as gridtext.read returns it.")
        .def_property_readonly("source", &measurement::source,
                               "The file it was read from, as given (or the stream's name).")
        .def_property_readonly("kind", &measurement::kind,
                               "'binary format 1', 'binary format 2', 'binary format 3' or "
                               "'ascii'.")
        .def_property_readonly("ident", &measurement::ident,
                               "The identification block: ident_a, ident_text, ident_b, "
                               "ident_c, ident_d (read-only mapping).")
        .def_property_readonly("params", &measurement::params,
                               "Every field of the parameter record by its name (val_76, "
                               "text_80, raw_208, ...), read-only: numbers as int or float, "
                               "texts as str (Latin-1), raw fields as bytes, runs of 32-bit "
                               "values (arr_...) as tuples of int.")
        .def_property_readonly("intensity", &measurement::intensity,
                               "The intensity frames, uint16, frames x height x width. The "
                               "array shares the library's buffer (no copy) and is read-only; "
                               "numpy.array(m.intensity) makes a writable copy.")
        .def_property_readonly("intensity_window", &measurement::intensity_window,
                               "The intensity matrix's Window.")
        .def_property_readonly("intensity_range", &measurement::intensity_range,
                               "The range carried with the intensity data (not interpreted).")
        .def_property_readonly("phase", &measurement::phase,
                               "The phase map, int32, height x width; values of PHASE_INVALID "
                               "and above mark invalid points. Shared and read-only like "
                               "intensity.")
        .def_property_readonly("phase_window", &measurement::phase_window,
                               "The phase matrix's Window.")
        .def_property_readonly("phase_valid", &measurement::phase_valid,
                               "A new bool array, height x width: True where the phase value "
                               "is below PHASE_INVALID.")
        .def("phase_stats", &measurement::phase_stats, py::arg("window") = py::none(),
             "Statistics of the valid phase values as a PhaseStats, over the phase matrix's "
             "own window or a Window (x, y, width, height) inside it. Raises gridtext.Error "
             "(ERR_ALL_BAD_DATA without a valid value, ERR_IMPROPER_WINDOW, "
             "ERR_PEAKVAL_OVERFLOW).")
        .def("phase_as_float", &measurement::phase_as_float,
             "A new float64 array of the phase map, NaN at invalid points.")
        .def("write_ascii", &measurement::write_ascii, py::arg("path"),
             py::arg("overwrite") = false,
             "Writes the ASCII data file (Format 2), byte for byte as the gridtext program "
             "writes it. An existing file is replaced only with overwrite=True, and only once "
             "the new one is complete.")
        .def("write_phase_text", &measurement::write_phase_text, py::arg("path"),
             "Writes the phase map's valid points as a text point list: their count, one "
             "'column row scaled' line each, then the minimum and the spread.")
        .def("__repr__", &measurement::repr);
}

}  // namespace gridtext_py
