// Record fields as Python values: numbers as int or float, texts as str
// (Latin-1, up to the first NUL byte or the field's end), raw bytes as bytes
// and runs of 32-bit values as tuples of int.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace gridtext_py {

template <typename T>
    requires std::is_integral_v<T>
pybind11::object field_value(const T& value) {
    return pybind11::int_(value);
}

inline pybind11::object field_value(const float& value) {
    return pybind11::float_(static_cast<double>(value));
}

template <size_t N>
pybind11::object field_value(const char (&text)[N]) {
    const void* end = std::memchr(text, '\0', N);
    const size_t length =
        end == nullptr ? N : static_cast<size_t>(static_cast<const char*>(end) - text);
    return pybind11::reinterpret_steal<pybind11::object>(
        PyUnicode_DecodeLatin1(text, static_cast<Py_ssize_t>(length), nullptr));
}

template <size_t N>
pybind11::object field_value(const uint8_t (&bytes)[N]) {
    return pybind11::bytes(reinterpret_cast<const char*>(bytes), N);
}

template <size_t N>
pybind11::object field_value(const uint32_t (&values)[N]) {
    pybind11::tuple out(N);
    for (size_t i = 0; i < N; ++i) out[i] = pybind11::int_(values[i]);
    return out;
}

}  // namespace gridtext_py
