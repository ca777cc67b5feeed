// Reads the ASCII form of a 2048 x 2048 phase map with a 2048 x 2048 x 1
// intensity block, once with df_read_ascii and once with a reader that calls
// fscanf per value, checks that both give the same values, and prints the
// times. Goal: df_read_ascii at least 4 times faster.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile.h"

namespace {

constexpr int kSide = 2048;
constexpr size_t kCount = size_t{kSide} * kSide;

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

std::string padded(const char* text, size_t width) {
    std::string out = text;
    out.resize(width, ' ');
    return "\"" + out + "\"";
}

// Values in the writer's layout: each followed by a blank, 10 to a line.
template <typename T>
void append_values(std::string& text, const std::vector<T>& values) {
    char number[16];
    size_t on_line = 0;
    for (const T value : values) {
        const int n = std::snprintf(number, sizeof number, "%lld ", static_cast<long long>(value));
        text.append(number, static_cast<size_t>(n));
        if (++on_line == 10) {
            text += "\r\n";
            on_line = 0;
        }
    }
    if (on_line != 0) text += "\r\n";
}

std::string sample_text(const std::vector<uint16_t>& intensity, const std::vector<int32_t>& phase) {
    std::string text;
    text.reserve(kCount * 20);
    text += "Tesk ASCII Data File - Format 2\r\n";
    text += "1 2 3 4 " + padded("benchmark", 29) + "\r\n";
    text += "0 0 2048 2048 1 -1\r\n";
    text += "0 0 2048 2048\r\n";
    text += padded("eighty", 81) + "\r\n";
    text += padded("three twenty", 39) + "\r\n";
    text += padded("two fifty-eight", 39) + "\r\n";
    text += "7 1.5 -2.25 1e-05 3.14159 100000 1e+06 123456\r\n";
    text += "11 12 13 14 15 16 " + padded("t246", 11) + "\r\n";
    text += "21 22 23 24 25 26 0.5 2.5 -7 8\r\n";
    text += "31 32 -33 34 4.5 36 37 38 39\r\n";
    text += "41 " + padded("text 534", 27) + "\r\n";
    text += "632.8 -0.125\r\n";
    text += padded("t562", 7) + "\r\n";
    text += "#\r\n";
    append_values(text, intensity);
    text += "#\r\n";
    append_values(text, phase);
    text += "#\r\n";
    return text;
}

// The straightforward reader: fgets per header line, fscanf per value.
bool read_with_fscanf(const char* path, std::vector<uint16_t>& intensity,
                      std::vector<int32_t>& phase) {
    const file_ptr file(std::fopen(path, "rb"));
    if (!file) return false;
    char line[512];
    short iw = 0, ih = 0, ib = 0, pw = 0, ph = 0, scrap = 0;
    for (int k = 1; k <= 14; ++k) {
        if (std::fgets(line, sizeof line, file.get()) == nullptr) return false;
        if (k == 3 && std::sscanf(line, "%hd %hd %hd %hd %hd %hd", &scrap, &scrap, &iw, &ih, &ib,
                                  &scrap) != 6) {
            return false;
        }
        if (k == 4 && std::sscanf(line, "%hd %hd %hd %hd", &scrap, &scrap, &pw, &ph) != 4) {
            return false;
        }
    }
    std::fgets(line, 3, file.get());
    intensity.resize(static_cast<size_t>(iw * ih * ib));
    for (auto& value : intensity) {
        if (std::fscanf(file.get(), "%hu ", &value) != 1) return false;
    }
    std::fgets(line, 3, file.get());
    phase.resize(static_cast<size_t>(pw * ph));
    for (auto& value : phase) {
        if (std::fscanf(file.get(), "%d ", &value) != 1) return false;
    }
    return true;
}

// Wall time and processor time of one run; on a busy machine the processor
// time is the steadier figure.
struct stopwatch {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    void take(double& best_wall, double& best_cpu) const {
        const double w =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        const double c = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        best_wall = std::min(best_wall, w);
        best_cpu = std::min(best_cpu, c);
    }
};

}  // namespace

int main() {
    std::mt19937 random(7);
    std::vector<uint16_t> intensity(kCount);
    std::vector<int32_t> phase(kCount);
    for (auto& v : intensity) v = static_cast<uint16_t>(random());
    for (size_t i = 0; i < kCount; ++i) {
        phase[i] = i % 97 == 0 ? 2147483640 : static_cast<int32_t>(random() % 2000001) - 1000000;
    }
    const std::string text = sample_text(intensity, phase);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("bench_read_ascii_" + std::to_string(random()));
    {
        const file_ptr out(std::fopen(path.c_str(), "wb"));
        if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("file: %.1f MB, %zu intensity + %zu phase values\n",
                static_cast<double>(text.size()) / 1e6, kCount, kCount);

    double fast_wall = 1e9, fast_cpu = 1e9;
    double slow_wall = 1e9, slow_cpu = 1e9;
    bool same = true;
    for (int round = 0; round < 3; ++round) {
        data_file_ident ident{};
        data_file_params params{};
        intens_matrix intens{};
        phase_matrix ph{};
        const stopwatch fast;
        const int32_t err = df_read_ascii(path.c_str(), &ident, &params, &intens, &ph);
        fast.take(fast_wall, fast_cpu);
        if (err != NO_ERROR) {
            std::fprintf(stderr, "df_read_ascii failed: %s\n", u_err_name(err));
            return 1;
        }

        std::vector<uint16_t> slow_intensity;
        std::vector<int32_t> slow_phase;
        const stopwatch slow;
        const bool ok = read_with_fscanf(path.c_str(), slow_intensity, slow_phase);
        slow.take(slow_wall, slow_cpu);

        same = same && ok && intens.size == kCount && ph.size == kCount &&
               std::equal(slow_intensity.begin(), slow_intensity.end(), intens.matrix) &&
               std::equal(slow_phase.begin(), slow_phase.end(), ph.matrix) &&
               std::equal(intensity.begin(), intensity.end(), intens.matrix) &&
               std::equal(phase.begin(), phase.end(), ph.matrix);
        intens_matrix_free(&intens);
        phase_matrix_free(&ph);
    }
    std::filesystem::remove(path);

    std::printf("best of 3             wall ms    cpu ms\n");
    std::printf("df_read_ascii:       %8.1f  %8.1f\n", fast_wall * 1e3, fast_cpu * 1e3);
    std::printf("fscanf per value:    %8.1f  %8.1f\n", slow_wall * 1e3, slow_cpu * 1e3);
    std::printf("speed-up:            %7.1fx  %7.1fx (goal 4x)\n", slow_wall / fast_wall,
                slow_cpu / fast_cpu);
    std::printf("same values:          %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
