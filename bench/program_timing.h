// Timing whole programs, for the benchmarks that set one command line
// against another: where the programs of the build tree are, options of the
// form --name value, a scratch folder, and wall times over repeated runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/child_process.h"

namespace bench {

// A program of the same build tree: the benchmark runs from
// build/<preset>/bench/, and relative is taken from build/<preset>.
inline std::string build_program(const char* argv0, const char* relative) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::absolute(argv0, ec);
    return (self.parent_path().parent_path() / relative).lexically_normal().string();
}

// True when every program option names an existing file; else false, after
// a line naming the first one missing.
inline bool programs_exist(const char* argv0, std::map<std::string, std::string>& options,
                           std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (!std::filesystem::exists(options[name])) {
            std::fprintf(stderr, "%s: no program at %s (build it, or give %s PATH)\n", argv0,
                         options[name].c_str(), name);
            return false;
        }
    }
    return true;
}

// "--name value" pairs; false (after a line naming it) for an argument that
// is not one of the names given, or a name without a value.
inline bool parse_options(int argc, char** argv, std::map<std::string, std::string>& options) {
    for (int i = 1; i < argc; i += 2) {
        const auto known = options.find(argv[i]);
        if (known == options.end() || i + 1 >= argc) {
            std::fprintf(stderr, "%s: unknown option or missing value: %s\n", argv[0], argv[i]);
            return false;
        }
        known->second = argv[i + 1];
    }
    return true;
}

// A positive whole number from an option's text, else fallback.
inline int positive(const std::string& text, int fallback) {
    const int value = std::atoi(text.c_str());
    return value > 0 ? value : fallback;
}

// Runs a command line and waits for it; *out (when given) receives what it
// wrote on standard output. False, with a line that names the command and
// what it said on standard error, when it cannot start or ends with a
// non-zero status.
inline bool run_ok(const std::vector<std::string>& args, std::string* out = nullptr) {
    plat::process_result result;
    if (!plat::run_process(args, &result)) {
        std::fprintf(stderr, "cannot start %s\n", args.front().c_str());
        return false;
    }
    if (out != nullptr) *out = result.out;
    if (result.exit_code == 0) return true;
    std::fprintf(stderr, "%s exited with %d (signal %d):\n%s\n", args.front().c_str(),
                 result.exit_code, result.signal, result.err.c_str());
    return false;
}

// Wall times of repeated runs of one side of a comparison.
struct timing {
    std::vector<double> seconds;

    double best() const { return *std::min_element(seconds.begin(), seconds.end()); }
    double median() const {
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

// Runs once() reps times and times each run; false at the first run that fails.
inline bool time_runs(int reps, const std::function<bool()>& once, timing& t) {
    for (int i = 0; i < reps; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!once()) return false;
        t.seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return true;
}

inline void report(const char* label, const timing& t) {
    std::printf("%-46s best %8.3f s   median %8.3f s\n", label, t.best(), t.median());
}

// The ratio of the medians against its goal.
inline void report_ratio(const timing& slow, const timing& fast, double goal) {
    const double ratio = slow.median() / fast.median();
    std::printf("speed-up (medians): %.1fx (goal %.1fx): %s\n", ratio, goal,
                ratio >= goal ? "met" : "NOT MET");
}

// A fresh folder under the temporary directory, removed with everything in it.
class scratch_dir {
  public:
    explicit scratch_dir(const char* prefix) {
        std::random_device entropy;
        path_ = std::filesystem::temp_directory_path() /
                (std::string(prefix) + "_" + std::to_string(entropy()));
        std::filesystem::create_directories(path_);
    }
    ~scratch_dir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Whether two files hold the same bytes.
inline bool same_bytes(const std::filesystem::path& a, const std::filesystem::path& b) {
    const auto read = [](const std::filesystem::path& p) {
        std::string bytes;
        if (FILE* f = std::fopen(p.string().c_str(), "rb")) {
            char block[65536];
            for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, n);
            std::fclose(f);
        }
        return bytes;
    };
    return std::filesystem::exists(a) && std::filesystem::exists(b) && read(a) == read(b);
}

}  // namespace bench
