// The text formats: a blank-separated matrix and a CSV list of points. Every
// value is a whole number (phase units or intensity counts), so its decimal
// digits are its exact and shortest text.
#include <cmath>

#include "app/gridtool/export_formats.h"
#include "datafile/decimal_format.h"

namespace {

void append_integer(std::string* out, int32_t value) {
    char digits[12];
    out->append(digits, format_decimal_i32(digits, value));
}

}  // namespace

std::string encode_matrix(const value_grid& grid, bool raw) {
    std::string out;
    const auto width = static_cast<size_t>(grid.window.width);
    out.reserve(grid.values.size() * 8);
    for (size_t i = 0; i < grid.values.size(); ++i) {
        if (i % width != 0) out.push_back(' ');
        if (raw) {
            append_integer(&out, grid.raw[i]);
        } else if (std::isnan(grid.values[i])) {
            out += "NaN";
        } else {
            append_integer(&out, static_cast<int32_t>(grid.values[i]));
        }
        if (i % width == width - 1) out.push_back('\n');
    }
    return out;
}

std::string encode_csv(const value_grid& grid) {
    std::string out = "x,y,value\n";
    const auto width = static_cast<size_t>(grid.window.width);
    for (size_t i = 0; i < grid.values.size(); ++i) {
        if (std::isnan(grid.values[i])) continue;
        append_integer(&out, grid.window.x + static_cast<int32_t>(i % width));
        out.push_back(',');
        append_integer(&out, grid.window.y + static_cast<int32_t>(i / width));
        out.push_back(',');
        append_integer(&out, static_cast<int32_t>(grid.values[i]));
        out.push_back('\n');
    }
    return out;
}
