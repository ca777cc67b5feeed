// Helpers of the ASCII reader and phase export tests: sample file texts in
// the writer's layout, temporary files, captured messages, memory inputs.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "errors/errors.h"

namespace test_support {

// Everything printed through gl_PrintFunc while a capture is alive.
class print_capture {
  public:
    print_capture() : saved_(gl_PrintFunc) {
        text().clear();
        gl_PrintFunc = record;
    }
    ~print_capture() { gl_PrintFunc = saved_; }
    print_capture(const print_capture&) = delete;
    print_capture& operator=(const print_capture&) = delete;
    const std::string& printed() const { return text(); }

  private:
    static std::string& text() {
        static std::string captured;
        return captured;
    }
    static void record(const char* format, ...) U_PRINTF_FORMAT(1, 2) {
        char line[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        text() += line;
    }
    u_print_func saved_;
};

// A file in a fresh temporary directory, removed with the object.
class temp_file {
  public:
    explicit temp_file(const std::string& name) {
        static int serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("gridtext_ascii_" + std::to_string(std::random_device{}()) + "_" +
                std::to_string(++serial));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / name).string();
    }
    ~temp_file() { std::filesystem::remove_all(dir_); }
    temp_file(const temp_file&) = delete;
    temp_file& operator=(const temp_file&) = delete;

    const char* path() const { return path_.c_str(); }
    void write(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string read() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    bool exists() const { return std::filesystem::exists(path_); }

  private:
    std::filesystem::path dir_;
    std::string path_;
};

// Text padded with blanks to exactly width characters, in double quotes.
inline std::string quoted(const std::string& text, size_t width) {
    return "\"" + text + std::string(width - text.size(), ' ') + "\"";
}

// Values printed the writer's way: each followed by a blank, per_line on a line.
template <typename T>
std::vector<std::string> value_lines(const std::vector<T>& values, size_t per_line) {
    std::vector<std::string> lines;
    std::string line;
    size_t on_line = 0;
    for (const T value : values) {
        line += std::to_string(value) + " ";
        if (++on_line == per_line) {
            lines.push_back(line);
            line.clear();
            on_line = 0;
        }
    }
    if (on_line != 0) lines.push_back(line);
    return lines;
}

// The lines (without line ends) of a sample ASCII data file in the writer's
// layout. Header line k is lines[k - 1]; Format 1 drops line 14.
struct sample_file {
    int format = 2;
    int intens_width = 3, intens_height = 2, intens_buckets = 2;
    int phase_width = 4, phase_height = 3;
    std::vector<uint16_t> intensity;
    std::vector<int32_t> phase;
    size_t per_line = 10;

    sample_file() {
        for (int i = 0; i < 12; ++i) intensity.push_back(static_cast<uint16_t>(i * 5000 + 7));
        for (int i = 0; i < 12; ++i) phase.push_back(i * 123457 - 700000);
        phase[5] = 2147483640;  // an invalid point travels unchanged
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> out = {
            "Tesk ASCII Data File - Format " + std::to_string(format),
            "1 -2 3 4 " + quoted("  Ident text", 29),
            "10 20 " + std::to_string(intens_width) + " " + std::to_string(intens_height) + " " +
                std::to_string(intens_buckets) + " -1",
            "11 21 " + std::to_string(phase_width) + " " + std::to_string(phase_height),
            quoted("text eighty", 81),
            quoted("text 320", 39),
            quoted("\ttext 258", 39),
            "7 1.5 -2.25 1e-05 3.14159 100000 1e+06 123456",
            "11 12 13 14 70000 16 " + quoted("t246", 11),
            "21 22 23 24 25 26 0.5 2.5 -7 8",
            "31 32 -33 34 4.5 36 37 38 39",
            "41 " + quoted("text 534", 27),
            "632.8 -0.125",
        };
        if (format == 2) out.push_back(quoted("t562", 7));
        out.push_back("#");
        for (auto& l : value_lines(intensity, per_line)) out.push_back(l);
        out.push_back("#");
        for (auto& l : value_lines(phase, per_line)) out.push_back(l);
        out.push_back("#");
        return out;
    }
};

inline std::string join(const std::vector<std::string>& lines, const char* line_end = "\r\n") {
    std::string text;
    for (const auto& l : lines) text += l + line_end;
    return text;
}

// A memory input for text_source, handing out at most chunk bytes per read.
struct memory_input {
    std::string bytes;
    size_t pos = 0;

    static size_t read(void* context, char* destination, size_t capacity) {
        auto* in = static_cast<memory_input*>(context);
        const size_t n = std::min(capacity, in->bytes.size() - in->pos);
        std::memcpy(destination, in->bytes.data() + in->pos, n);
        in->pos += n;
        return n;
    }
};

}  // namespace test_support
