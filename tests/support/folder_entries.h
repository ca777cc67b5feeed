// The names in a folder, sorted, for tests that check what a writer left
// behind.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> folder_entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}
