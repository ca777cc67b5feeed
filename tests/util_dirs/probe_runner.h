// Scratch folders and the directory probe run as a child process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

// The separator the library joins names with, as text.
inline const std::string kSep(1, plat::kPathSeparator);

// A path as the library derives it from the program path: lower-cased where
// file names ignore case (Windows), as it is elsewhere.
inline std::string as_derived(std::string path) {
    if (plat::kNamesIgnoreCase) {
        for (char& c : path) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return path;
}

// A fresh folder under the system's temporary folder, by its real path (the
// probe sees its own location with links resolved), removed afterwards.
class scratch_folder {
  public:
    scratch_folder() {
        const fs::path base = fs::canonical(fs::temp_directory_path());
        path_ = base / ("gridtext-dirs-" + std::to_string(std::random_device{}()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~scratch_folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const fs::path& path() const { return path_; }
    // The path written with the system's separator throughout, as the
    // library writes the paths it joins.
    std::string str(const std::string& below = "") const {
        fs::path full = below.empty() ? path_ : path_ / below;
        return full.make_preferred().string();
    }
    // Creates the folders of `below` and returns the full path.
    std::string make_dir(const std::string& below) const {
        fs::create_directories(path_ / below);
        return str(below);
    }
    std::string make_file(const std::string& below, const std::string& bytes = "x") const {
        fs::create_directories((path_ / below).parent_path());
        std::ofstream(path_ / below, std::ios::binary) << bytes;
        return str(below);
    }

  private:
    fs::path path_;
};

// The probe copied to `below` in the scratch folder, so that the directories
// it derives from its own location are the test's to choose. Windows starts
// only programs named with their ".exe".
inline std::string install_probe(const scratch_folder& scratch, const std::string& below) {
#if defined(_WIN32)
    const std::string program = below + ".exe";
#else
    const std::string& program = below;
#endif
    fs::path target = scratch.path() / program;
    fs::create_directories(target.parent_path());
    fs::copy_file(DIRS_PROBE_EXE, target, fs::copy_options::overwrite_existing);
    return target.make_preferred().string();
}

struct probe_run {
    std::string out;
    std::string err;
};

// Runs the probe with the queries. The three directory variables are removed
// from its environment unless `environment` sets them.
inline probe_run run_probe(const std::string& probe, const std::vector<std::string>& queries,
                           const std::vector<std::string>& environment = {},
                           const std::string& directory = "") {
    plat::process_options options;
    options.environment = {"MB_INSTALL_DIR", "MB_CONFIG_DIR", "MB_RAMPS_DIR"};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    options.directory = directory;
    std::vector<std::string> args{probe};
    args.insert(args.end(), queries.begin(), queries.end());
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, options, &result)) << probe;
    EXPECT_EQ(result.exit_code, 0) << result.err;
    return {result.out, result.err};
}
