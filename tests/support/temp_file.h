// Test files in a per-process scratch folder, removed with the object; the
// folder itself goes when the process ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

struct temp_file {
    struct scratch_folder {
        std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("gridtext-test-" + std::to_string(std::random_device{}()));
        // Only an empty folder is removed: a death test's child that exits
        // through here must not take away files its parent still uses.
        ~scratch_folder() {
            std::error_code ignored;
            std::filesystem::remove(dir, ignored);
        }
    };

    std::filesystem::path path;
    std::string text;  // the path as the narrow calls take it (Windows paths are wide)

    explicit temp_file(const std::string& name) {
        static const scratch_folder folder;
        std::filesystem::create_directories(folder.dir);
        path = folder.dir / name;
        text = path.string();
    }
    ~temp_file() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    temp_file(const temp_file&) = delete;
    temp_file& operator=(const temp_file&) = delete;

    std::string str() const { return text; }
    const char* c_str() const { return text.c_str(); }
    bool exists() const { return std::filesystem::exists(path); }

    void write(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    void write_text(const std::string& bytes) const {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string read() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};
