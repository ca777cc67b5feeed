// Little-endian values as CANopen carries them on the bus.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint32_t can_le_get(const uint8_t* bytes, size_t length) {
    uint32_t value = 0;
    for (size_t i = 0; i < length && i < 4; ++i) value |= uint32_t{bytes[i]} << (8 * i);
    return value;
}

inline void can_le_put(uint8_t* bytes, size_t length, uint32_t value) {
    for (size_t i = 0; i < length && i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}
