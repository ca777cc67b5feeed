// A scratch folder that one of the library's directory variables
// (MB_CONFIG_DIR, MB_RAMPS_DIR) names for the rest of the process. The
// library fixes those directories at their first query, so the variable is
// set before anything asks, and the folder stays until the process ends;
// tests empty it between cases.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include "platform/environment.h"

struct process_directory {
    std::filesystem::path dir;

    process_directory(const char* variable, const std::string& prefix)
        : dir(std::filesystem::temp_directory_path() /
              (prefix + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(dir);
        plat::set_environment(variable, dir.string().c_str());
    }
    ~process_directory() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    process_directory(const process_directory&) = delete;
    process_directory& operator=(const process_directory&) = delete;

    // Removes everything in the folder.
    void clear() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
};
