// Little-endian numbers in device answers. Internal to seriallink/.
#pragma once

#include <bit>
#include <cstdint>

inline uint32_t le_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline int32_t le_i32(const uint8_t* p) {
    return static_cast<int32_t>(le_u32(p));
}

inline uint16_t le_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline float le_f32(const uint8_t* p) {
    return std::bit_cast<float>(le_u32(p));
}
