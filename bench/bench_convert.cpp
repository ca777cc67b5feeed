// bench_convert: speed and memory of one conversion of a large data file.
//
//   bench_convert [--reps N]
//   bench_convert --convert-only input output   (one conversion, then its peak memory)
//
// Generates a 2048 x 2048 phase map with one 2048 x 2048 intensity frame,
// then times the real conversion (df_read_binary + df_write_ascii) against a
// plain writer of the same format that calls fprintf once per value, checks
// that both outputs are byte-identical, and runs itself in --convert-only
// mode as a child process to measure the peak memory of a conversion alone.
// Goals: the conversion at least 4x faster than the plain one; peak memory
// no more than the input file's size + 16 MiB.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "platform/platform.h"
#include "tools/generator/datafile_generator.h"

namespace {

constexpr int16_t SIDE = 2048;
constexpr int64_t MEMORY_ALLOWANCE = 16 * 1024 * 1024;

// ---- the plain writer: one fprintf per field and per value ------------------

template <size_t N>
void plain_quoted(FILE* f, const char (&field)[N]) {
    std::fprintf(f, "\"%-*.*s\"", static_cast<int>(N - 1), static_cast<int>(N), field);
}

int plain_write(const char* path, const data_file_ident& id, const data_file_params& p,
                const intens_matrix& in, const phase_matrix& ph) {
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return 1;
    std::fprintf(f, "Tesk ASCII Data File - Format 2\r\n");
    std::fprintf(f, "%hd %hd %hd %hd ", id.ident_a, id.ident_b, id.ident_c, id.ident_d);
    plain_quoted(f, id.ident_text);
    std::fprintf(f, "\r\n%hd %hd %hd %hd %hd %hd\r\n", in.window.x, in.window.y, in.window.width,
                 in.window.height, in.n_buckets, static_cast<int16_t>(in.range));
    std::fprintf(f, "%hd %hd %hd %hd\r\n", ph.window.x, ph.window.y, ph.window.width,
                 ph.window.height);
    plain_quoted(f, p.text_80);
    std::fprintf(f, "\r\n");
    plain_quoted(f, p.text_320);
    std::fprintf(f, "\r\n");
    plain_quoted(f, p.text_258);
    std::fprintf(f, "\r\n%d %g %g %g %g %g %g %d\r\n", p.val_162, double{p.val_164},
                 double{p.val_168}, double{p.val_172}, double{p.val_176}, double{p.val_180},
                 double{p.val_184}, p.val_76);
    if (p.val_242_wide != 0) {
        std::fprintf(f, "%hd %hd %hd %hd %d %hd ", p.val_234, p.val_236, p.val_238, p.val_240,
                     p.val_242_wide, p.val_244);
    } else {
        std::fprintf(f, "%hd %hd %hd %hd %hd %hd ", p.val_234, p.val_236, p.val_238, p.val_240,
                     p.val_242, p.val_244);
    }
    plain_quoted(f, p.text_246);
    std::fprintf(f, "\r\n%hd %hd %hd %hd %hd %hd %g %g %d %d\r\n", p.val_188, p.val_190, p.val_192,
                 p.val_196, p.val_194, p.val_202, double{p.val_204}, double{p.val_498}, p.val_210,
                 p.val_214);
    std::fprintf(f, "%hd %hd %d %hd %g %hd %hd %hd %hd\r\n", p.val_218, p.val_300, p.val_220,
                 p.val_224, double{p.val_226}, p.val_230, p.val_364, p.val_232, p.val_298);
    std::fprintf(f, "%hd ", p.val_302);
    plain_quoted(f, p.text_534);
    std::fprintf(f, "\r\n%g %g\r\n", double{p.val_360}, double{p.val_198});
    plain_quoted(f, p.text_562);
    std::fprintf(f, "\r\n#\r\n");

    const int64_t n_intens = int64_t{in.window.width} * in.window.height * in.n_buckets;
    int counter = 1;
    for (int64_t i = 0; i < n_intens; ++i) {
        std::fprintf(f, "%u ", unsigned{in.matrix[i]});
        if (++counter > 10) {
            std::fprintf(f, "\r\n");
            counter = 1;
        }
    }
    if (counter != 1) std::fprintf(f, "\r\n");
    std::fprintf(f, "#\r\n");
    const int64_t n_phase = int64_t{ph.window.width} * ph.window.height;
    counter = 1;
    for (int64_t i = 0; i < n_phase; ++i) {
        std::fprintf(f, "%d ", ph.matrix[i]);
        if (++counter > 10) {
            std::fprintf(f, "\r\n");
            counter = 1;
        }
    }
    if (counter != 1) std::fprintf(f, "\r\n");
    std::fprintf(f, "#\r\n");
    return std::fclose(f) == 0 ? 0 : 1;
}

// ---- measuring ----------------------------------------------------------------

struct records {
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    records() = default;
    records(const records&) = delete;
    ~records() {
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
};

double seconds_of(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct timing {
    std::vector<double> runs;
    void add(double s) { runs.push_back(s); }
    double best() const { return *std::min_element(runs.begin(), runs.end()); }
    double median() const {
        std::vector<double> sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n % 2 != 0 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

void report(const char* what, const timing& t) {
    std::printf("  %-38s best %8.3f s   median %8.3f s\n", what, t.best(), t.median());
}

bool same_bytes(const std::string& a, const std::string& b) {
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    std::vector<char> ba(1 << 20);
    std::vector<char> bb(1 << 20);
    for (;;) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        if (fa.gcount() != fb.gcount()) return false;
        if (fa.gcount() == 0) return fa.eof() && fb.eof();
        if (std::memcmp(ba.data(), bb.data(), static_cast<size_t>(fa.gcount())) != 0) return false;
    }
}

std::string quote_for_shell(const std::string& s) {
    std::string out = "'";
    for (const char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

int usage() {
    std::fprintf(stderr,
                 "Usage:  bench_convert [--reps N]\n"
                 "        bench_convert --convert-only input output\n");
    return 1;
}

// The child's job: one conversion, as gridtext does it, then the peak
// resident memory of this process on standard output.
int convert_only(const char* input, const char* output) {
    int32_t err = NO_ERROR;
    {
        records r;
        err = df_read_binary(input, &r.ident, &r.params, &r.intens, &r.phase);
        if (err == NO_ERROR) err = df_write_ascii(output, &r.ident, &r.params, &r.intens, &r.phase);
    }
    if (err != NO_ERROR) {
        std::fprintf(stderr, "conversion failed: %s\n", u_err_name(err));
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(plat::peak_rss_bytes()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--convert-only") == 0) {
        return convert_only(argv[2], argv[3]);
    }
    int reps = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            return usage();
        }
    }

    std::random_device entropy;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench_convert_" + std::to_string(entropy()));
    std::filesystem::create_directories(dir);
    const std::string input = (dir / "input.dat").string();
    const std::string ours = (dir / "ours.txt").string();
    const std::string plain = (dir / "plain.txt").string();
    const std::string child = (dir / "child.txt").string();

    dfgen::options opt;
    opt.format = 2;
    opt.width = SIDE;
    opt.height = SIDE;
    opt.n_buckets = 1;
    if (dfgen::write_file(input.c_str(), dfgen::build_datafile(opt)) != NO_ERROR) {
        std::fprintf(stderr, "bench_convert: cannot write %s\n", input.c_str());
        return 1;
    }
    const auto input_size = static_cast<int64_t>(std::filesystem::file_size(input));
    std::printf("input: %s, %lld bytes (%d x %d phase, %d x %d x 1 intensity)\n", input.c_str(),
                static_cast<long long>(input_size), SIDE, SIDE, SIDE, SIDE);

    timing read_time, write_time, convert_time, plain_write_time, plain_convert_time;
    int failures = 0;
    for (int rep = 0; rep < reps; ++rep) {
        {
            records r;
            int32_t err = NO_ERROR;
            const double read_s = seconds_of([&] {
                err = df_read_binary(input.c_str(), &r.ident, &r.params, &r.intens, &r.phase);
            });
            const double write_s = seconds_of([&] {
                if (err == NO_ERROR) {
                    err = df_write_ascii(ours.c_str(), &r.ident, &r.params, &r.intens, &r.phase);
                }
            });
            if (err != NO_ERROR) {
                std::fprintf(stderr, "conversion failed: %s\n", u_err_name(err));
                return 1;
            }
            read_time.add(read_s);
            write_time.add(write_s);
            convert_time.add(read_s + write_s);
        }
        {
            records r;
            const double read_s = seconds_of(
                [&] { df_read_binary(input.c_str(), &r.ident, &r.params, &r.intens, &r.phase); });
            int result = 0;
            const double write_s = seconds_of(
                [&] { result = plain_write(plain.c_str(), r.ident, r.params, r.intens, r.phase); });
            if (result != 0) {
                std::fprintf(stderr, "plain writer failed\n");
                return 1;
            }
            plain_write_time.add(write_s);
            plain_convert_time.add(read_s + write_s);
        }
        if (!same_bytes(ours, plain)) ++failures;
    }

    std::printf("output: %lld bytes, %d repetitions\n",
                static_cast<long long>(std::filesystem::file_size(ours)), reps);
    report("read (df_read_binary)", read_time);
    report("write (df_write_ascii)", write_time);
    report("conversion (read + write)", convert_time);
    report("plain write (fprintf per value)", plain_write_time);
    report("plain conversion (read + plain write)", plain_convert_time);
    const double write_ratio = plain_write_time.median() / write_time.median();
    const double convert_ratio = plain_convert_time.median() / convert_time.median();
    std::printf("speed-up (medians): writer %.1fx, whole conversion %.1fx (goal 4x): %s\n",
                write_ratio, convert_ratio, convert_ratio >= 4.0 ? "met" : "NOT MET");
    std::printf("outputs byte-identical: %s\n", failures == 0 ? "yes" : "NO");

    // The conversion alone, in a process of its own.
    const std::string peak_file = (dir / "peak.txt").string();
    const std::string command = quote_for_shell(argv[0]) + " --convert-only " +
                                quote_for_shell(input) + " " + quote_for_shell(child) + " > " +
                                quote_for_shell(peak_file);
    const int status = std::system(command.c_str());
    long long peak = -1;
    if (FILE* f = std::fopen(peak_file.c_str(), "r")) {
        if (std::fscanf(f, "%lld", &peak) != 1) peak = -1;
        std::fclose(f);
    }
    if (status != 0 || peak < 0) {
        std::printf("peak memory: not measured (child exited with %d)\n", status);
        ++failures;
    } else {
        const int64_t limit = input_size + MEMORY_ALLOWANCE;
        std::printf(
            "peak memory of one conversion: %.1f MiB (limit input + 16 MiB = %.1f MiB): %s\n",
            static_cast<double>(peak) / 1048576.0, static_cast<double>(limit) / 1048576.0,
            peak <= limit ? "met" : "NOT MET");
        if (!same_bytes(child, ours)) {
            std::printf("the child's output differs from the in-process conversion\n");
            ++failures;
        }
    }

    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
