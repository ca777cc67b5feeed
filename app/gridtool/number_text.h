// Numbers as text that reads back as the same value, whatever the locale.
#pragma once

#include <charconv>
#include <string>

// The shortest text that reads back as the same double.
inline std::string exact_text(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
