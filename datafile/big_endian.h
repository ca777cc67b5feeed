// Conversion of big-endian numbers to host order, in place.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Converts count big-endian 16-bit or 32-bit values at data to host order.
template <typename T>
void big_endian_to_host(T* data, size_t count) {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4);
    if constexpr (std::endian::native == std::endian::big) return;
    for (size_t i = 0; i < count; ++i) {
        if constexpr (sizeof(T) == 2) {
            data[i] = static_cast<T>(__builtin_bswap16(static_cast<uint16_t>(data[i])));
        } else {
            data[i] = static_cast<T>(__builtin_bswap32(static_cast<uint32_t>(data[i])));
        }
    }
}

// Converts count host-order values at data to big-endian: the same swap,
// since reversing the bytes twice gives them back.
template <typename T>
void host_to_big_endian(T* data, size_t count) {
    big_endian_to_host(data, count);
}
