// A PNG file decoded with libpng's own reader, as a user's program reads it.
#pragma once

#include <png.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/gridtool/colour_map.h"

struct decoded_png {
    bool ok = false;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t file_format = 0;  // PNG_FORMAT_* of the file itself
    int channels = 0;          // of `pixels`: 3 (RGB) or 1 (grey)
    std::vector<uint8_t> pixels;

    rgb8 rgb(int64_t x, int64_t y) const {
        const uint8_t* p = &pixels[static_cast<size_t>((y * width + x) * 3)];
        return {p[0], p[1], p[2]};
    }
    uint8_t grey(int64_t x, int64_t y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// Decodes the file into 8-bit RGB (grey false) or 8-bit grey pixels.
inline decoded_png decode_png(const std::string& path, bool grey) {
    decoded_png out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return out;
    out.file_format = image.format;
    image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    out.width = image.width;
    out.height = image.height;
    out.channels = grey ? 1 : 3;
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    out.ok = png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return out;
}

inline bool operator==(rgb8 a, rgb8 b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

inline std::ostream& operator<<(std::ostream& os, rgb8 c) {
    return os << '(' << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ')';
}
