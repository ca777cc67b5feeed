// gridtext.Measurement: the four records of one data file, with numpy
// arrays that share the matrices' buffers.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

#include "datafile/datafile.h"

namespace gridtext_py {

// The records a reader filled; the matrices' buffers go with the last owner,
// which may be an array that outlives its Measurement.
struct records {
    df_file_kind kind{};
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};

    records() = default;
    records(const records&) = delete;
    records& operator=(const records&) = delete;
    ~records() {
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
};

class measurement {
  public:
    // source names the file in messages.
    measurement(std::shared_ptr<records> data, std::string source);

    const std::string& source() const { return source_; }
    std::string kind() const;
    pybind11::object ident() const;
    pybind11::object params() const;
    pybind11::object intensity() const;
    pybind11::object intensity_window() const;
    int intensity_range() const { return data_->intens.range; }
    pybind11::object phase() const;
    pybind11::object phase_window() const;
    pybind11::object phase_valid() const;
    pybind11::object phase_stats(const pybind11::object& window) const;
    pybind11::object phase_as_float() const;
    void write_ascii(const pybind11::object& path, bool overwrite) const;
    void write_phase_text(const pybind11::object& path) const;
    std::string repr() const;

  private:
    std::shared_ptr<records> data_;
    std::string source_;
    pybind11::object params_;  // built once: the mapping is read-only
    pybind11::object ident_;
};

// Adds the class and its named tuples (Window, PhaseStats) to the module.
void define_measurement(pybind11::module_& module);

}  // namespace gridtext_py
