// The Gwyddion Simple Field: "Gwyddion Simple Field 1.0\n", "Key = Value\n"
// lines, one to four NUL bytes that bring the header to a multiple of four
// bytes, then XRes * YRes float32 values, little-endian, row by row.
#include <bit>

#include "app/gridtool/export_formats.h"
#include "app/gridtool/number_text.h"

namespace {

// A header value stays on its line.
std::string one_line(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20) out.push_back(c);
    }
    return out;
}

}  // namespace

std::string encode_gsf(const value_grid& grid, const gsf_options& options) {
    const double width = grid.window.width;
    const double height = grid.window.height;
    double xreal = options.xreal;
    double yreal = options.yreal;
    if (xreal <= 0 && yreal <= 0) {
        xreal = width;  // one unit per pixel
        yreal = height;
    } else if (yreal <= 0) {
        yreal = xreal * height / width;  // square pixels
    } else if (xreal <= 0) {
        xreal = yreal * width / height;
    }
    std::string out = "Gwyddion Simple Field 1.0\n";
    out += "XRes = " + std::to_string(grid.window.width) + "\n";
    out += "YRes = " + std::to_string(grid.window.height) + "\n";
    out += "XReal = " + exact_text(xreal) + "\n";
    out += "YReal = " + exact_text(yreal) + "\n";
    if (!options.xyunit.empty()) out += "XYUnits = " + one_line(options.xyunit) + "\n";
    if (!options.zunit.empty()) out += "ZUnits = " + one_line(options.zunit) + "\n";
    if (const std::string title = one_line(options.title); !title.empty()) {
        out += "Title = " + title + "\n";
    }
    out.append(4 - out.size() % 4, '\0');
    out.reserve(out.size() + grid.values.size() * 4);
    for (const double v : grid.values) {
        append_little_endian(&out, std::bit_cast<uint32_t>(static_cast<float>(v)));
    }
    return out;
}
