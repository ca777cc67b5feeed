// Shared helpers of the test suites; this folder has no CMakeLists.txt of its own.
// Hand-built binary data files for tests: a packed big-endian header whose
// fields are set by file offset, followed by whatever blocks a test appends.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "datafile/datafile.h"

struct header_bytes {
    std::vector<uint8_t> bytes;

    explicit header_bytes(uint32_t magic = DF_MAGIC_FORMAT1)
        : bytes(magic == DF_MAGIC_FORMAT3 ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT, 0) {
        put32(0, magic);
    }
    header_bytes& put16(size_t offset, uint16_t v) {
        bytes.at(offset) = static_cast<uint8_t>(v >> 8);
        bytes.at(offset + 1) = static_cast<uint8_t>(v);
        return *this;
    }
    header_bytes& put32(size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.at(offset + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (24 - 8 * i));
        return *this;
    }
    header_bytes& put_text(size_t offset, const std::string& text) {
        std::memcpy(&bytes.at(offset), text.data(), text.size());
        return *this;
    }
    // Dimensions and block lengths of both blocks.
    header_bytes& intensity(int16_t w, int16_t h, int16_t buckets, int32_t block_bytes) {
        put16(52, static_cast<uint16_t>(w)).put16(54, static_cast<uint16_t>(h));
        put16(56, static_cast<uint16_t>(buckets));
        return put32(60, static_cast<uint32_t>(block_bytes));
    }
    header_bytes& phase(int16_t w, int16_t h, int32_t block_bytes) {
        put16(68, static_cast<uint16_t>(w)).put16(70, static_cast<uint16_t>(h));
        return put32(72, static_cast<uint32_t>(block_bytes));
    }
    // Appends values big-endian, as a data block.
    header_bytes& append16(std::initializer_list<uint16_t> values) {
        for (uint16_t v : values) {
            bytes.push_back(static_cast<uint8_t>(v >> 8));
            bytes.push_back(static_cast<uint8_t>(v));
        }
        return *this;
    }
    header_bytes& append32(std::initializer_list<int32_t> values) {
        for (int32_t v : values) {
            const auto u = static_cast<uint32_t>(v);
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(u >> (24 - 8 * i)));
        }
        return *this;
    }
};
