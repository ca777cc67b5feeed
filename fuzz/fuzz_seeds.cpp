// fuzz_seeds: writes the seed corpora of the fuzz targets, made by the
// project's own sample-file generator.
//
//   fuzz_seeds folder
//
// folder/read_binary gets binary data files of all three formats: small
// sound files and odd ones (blocks absent, cut short, too long, odd lengths,
// oversized or negative dimensions, a wide val_242, foreign magic numbers).
// folder/read_ascii gets the ASCII files the writer makes of every sound
// binary seed, Format 1 variants of them (no line 14), variants with bare
// line feeds and with all values on one line, and a few broken ones.
// folder/header_scan gets the header lines 2 to 14 of those files, each after
// the byte that picks its scan format in fuzz_header_scan.
// folder/read_cal_file gets system calibration files: the tests' full sample
// with both line ends, the writer's file of it and of an empty record, and a
// few broken ones.
// folder/read_ramp_cfg, folder/read_ramp_file and folder/derive_ramp get
// the ramp seeds (ramp_seeds.cpp).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "fuzz/ramp_seeds.h"
#include "instrument/instrument.h"
#include "support/cal_file_sample.h"
#include "tools/generator/datafile_generator.h"

namespace {

namespace fs = std::filesystem;

struct named_options {
    std::string name;
    dfgen::options options;
};

dfgen::options small(int format, int16_t width, int16_t height, int16_t buckets) {
    dfgen::options opt;
    opt.format = format;
    opt.width = width;
    opt.height = height;
    opt.n_buckets = buckets;
    opt.seed = static_cast<uint64_t>(format * 1000 + width * 10 + height);
    return opt;
}

// File offsets of the header fields the odd seeds change.
constexpr size_t kIntensWidth = 52;
constexpr size_t kIntensBuckets = 56;
constexpr size_t kIntensBytes = 60;
constexpr size_t kPhaseWidth = 68;
constexpr size_t kPhaseHeight = 70;
constexpr size_t kPhaseBytes = 72;
constexpr size_t kVal242Wide = 798;

std::vector<named_options> binary_seeds() {
    std::vector<named_options> seeds;
    for (int format = 1; format <= 3; ++format) {
        const std::string f = "f" + std::to_string(format) + "_";
        seeds.push_back({f + "8x6x2", small(format, 8, 6, 2)});
        seeds.push_back({f + "1x1x1", small(format, 1, 1, 1)});
        seeds.push_back({f + "11x3x3", small(format, 11, 3, 3)});
        dfgen::options no_intensity = small(format, 5, 4, 1);
        no_intensity.intensity = false;
        seeds.push_back({f + "phase_only", no_intensity});
        dfgen::options no_phase = small(format, 5, 4, 2);
        no_phase.phase = false;
        seeds.push_back({f + "intensity_only", no_phase});
        dfgen::options header_only = small(format, 4, 4, 1);
        header_only.intensity = false;
        header_only.phase = false;
        seeds.push_back({f + "header_only", header_only});
        dfgen::options trailing = small(format, 3, 2, 1);
        trailing.trailing_bytes = 9;
        seeds.push_back({f + "trailing", trailing});
        dfgen::options wide = small(format, 3, 3, 1);
        wide.patches.push_back(dfgen::patch_be32(kVal242Wide, 70000));
        seeds.push_back({f + "val_242_wide", wide});
    }

    const auto odd = [&seeds](const std::string& name, dfgen::options opt) {
        seeds.push_back({"odd_" + name, std::move(opt)});
    };
    dfgen::options o = small(2, 4, 3, 2);
    o.patches.push_back(dfgen::patch_be32(kIntensBytes, 47));  // odd length
    odd("intensity_length_odd", o);
    o = small(1, 4, 3, 2);
    o.patches.push_back(dfgen::patch_be32(kIntensBytes, 10));  // shorter than the matrix
    odd("short_intensity_block", o);
    o = small(1, 4, 3, 1);
    o.patches.push_back(dfgen::patch_be32(kIntensBytes, 200));  // longer than the matrix
    odd("long_intensity_block", o);
    o = small(3, 6, 5, 1);
    o.truncate_to = static_cast<int64_t>(dfgen::header_size(3)) + 60 + 30;  // cut in the phase
    odd("cut_phase", o);
    o = small(1, 6, 5, 1);
    o.truncate_to = 500;  // cut in the header
    odd("cut_header", o);
    o = small(2, 4, 4, 1);
    o.patches.push_back(dfgen::patch_be32(kPhaseBytes, 8));  // shorter than width x height
    odd("short_phase_block", o);
    o = small(1, 3, 3, 1);
    o.patches.push_back(dfgen::patch_be16(kPhaseWidth, 40000));
    odd("phase_width_40000", o);
    o = small(1, 3, 3, 1);
    o.patches.push_back(dfgen::patch_be16(kPhaseWidth, 32767));
    o.patches.push_back(dfgen::patch_be16(kPhaseHeight, 32767));
    odd("phase_huge_small_file", o);
    o = small(2, 3, 3, 1);
    o.patches.push_back(dfgen::patch_be16(kIntensBuckets, 0xFFFF));  // -1 frames
    odd("negative_buckets", o);
    o = small(2, 3, 3, 1);
    o.patches.push_back(dfgen::patch_be16(kIntensWidth, 0));
    odd("zero_width", o);
    o = small(2, 3, 3, 1);
    o.patches.push_back(dfgen::patch_be32(kIntensBytes, 0xFFFFFFF0));  // negative length
    odd("negative_intensity_length", o);
    o = small(1, 2, 2, 1);
    o.patches.push_back(dfgen::patch_be32(0, 0x6F031B88));  // little-endian magic
    odd("little_endian_magic", o);
    o = small(1, 2, 2, 1);
    o.patches.push_back(dfgen::patch_be32(0, 0x881B0372));  // a fourth format
    odd("unknown_magic", o);
    return seeds;
}

bool write_text(const fs::path& path, const std::string& text) {
    FILE* const file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string read_text(const fs::path& path) {
    std::string text;
    FILE* const file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) return text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, got);
    }
    std::fclose(file);
    return text;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string join_lines(const std::vector<std::string>& lines, const char* line_end) {
    std::string text;
    for (const std::string& line : lines) text += line + line_end;
    return text;
}

// The writer's file as Format 1: another first line, and no line 14.
std::string as_format1(std::vector<std::string> lines) {
    lines[0] = "Tesk ASCII Data File - Format 1";
    lines.erase(lines.begin() + 13);
    return join_lines(lines, "\r\n");
}

// Every data value of both sections on one line of its own.
std::string values_on_one_line(const std::vector<std::string>& lines) {
    std::vector<std::string> out(lines.begin(), lines.begin() + 15);  // header and separator
    std::string values;
    size_t i = 15;
    for (; i < lines.size() && lines[i] != "#"; ++i) values += lines[i];
    out.push_back(values);
    out.push_back("#");
    values.clear();
    for (++i; i < lines.size() && lines[i] != "#"; ++i) values += lines[i];
    out.push_back(values);
    out.push_back("#");
    return join_lines(out, "\r\n");
}

// Header lines 2 to 14 of a Format 2 file, each as the reader hands it to
// the scanner (with its line feed) after the index of its scan format.
bool write_header_line_seeds(const fs::path& dir, const std::string& name,
                             const std::vector<std::string>& lines) {
    // Scan format of header lines 2 to 14 in fuzz_header_scan's table.
    constexpr char kFormatOfLine[] = {0, 1, 2, 3, 4, 4, 5, 6, 7, 8, 9, 10, 11};
    bool ok = true;
    for (size_t k = 0; k < sizeof kFormatOfLine; ++k) {
        const std::string seed = std::string(1, kFormatOfLine[k]) + lines[k + 1] + "\n";
        ok = ok && write_text(dir / (name + "_line" + std::to_string(k + 2)), seed);
    }
    return ok;
}

// The binary seed read and written as ASCII; false when it is not a sound file.
bool write_ascii_seed(const fs::path& binary, const fs::path& ascii) {
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    int32_t err = df_read_binary(binary.string().c_str(), &ident, &params, &intens, &phase);
    if (err == NO_ERROR)
        err = df_write_ascii(ascii.string().c_str(), &ident, &params, &intens, &phase);
    intens_matrix_free(&intens);
    phase_matrix_free(&phase);
    return err == NO_ERROR;
}

// Calibration files; returns how many were written, -1 on failure.
int write_cal_file_seeds(const fs::path& dir) {
    const std::string full = cal_sample::full_file();
    bool ok = write_text(dir / "full_crlf.cal", full) &&
              write_text(dir / "full_lf.cal", cal_sample::join(cal_sample::full_lines(), "\n")) &&
              write_text(dir / "bad_value.cal", full + "SystemType: 999\r\n") &&
              write_text(dir / "twice.cal", full + full) &&
              write_text(dir / "no_colon.cal", "SystemType 3\r\n");
    sys_info info;
    sys_info_clear(&info);
    ok = ok && sys_cal_write((dir / "defaults.cal").string().c_str(), 1, &info) == NO_ERROR;
    ok = ok && sys_cal_read((dir / "full_crlf.cal").string().c_str(), 1, &info) == NO_ERROR;
    ok = ok && sys_cal_write((dir / "written.cal").string().c_str(), 1, &info) == NO_ERROR;
    return ok ? 7 : -1;
}

// Encoded zoom calibration files; returns how many were written, -1 on failure.
int write_enc_zoom_seeds(const fs::path& dir) {
    std::string hundred = "Zoom calibration\r\n";
    for (int i = 0; i < 100; ++i)
        hundred += std::to_string(i * 10) + " " + std::to_string(0.5 + i * 0.05) + "\r\n";
    const bool ok = write_text(dir / "two.txt", "Zoom calibration\r\n0 0.5\r\n1000,1.0\r\n") &&
                    write_text(dir / "comma_blank.txt", "t\n0, 0.5\n10, 6\n") &&
                    write_text(dir / "semicolon.txt", "t\n0 0.5\n1;2\n") &&
                    write_text(dir / "equal.txt", "t\n5 0.5\n5 1\n") &&
                    write_text(dir / "hundred.txt", hundred);
    return ok ? 5 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage:  fuzz_seeds folder\n");
        return 1;
    }
    const fs::path binary_dir = fs::path(argv[1]) / "read_binary";
    const fs::path ascii_dir = fs::path(argv[1]) / "read_ascii";
    const fs::path line_dir = fs::path(argv[1]) / "header_scan";
    const fs::path cal_dir = fs::path(argv[1]) / "read_cal_file";
    const fs::path zoom_dir = fs::path(argv[1]) / "enc_zoom_cal";
    std::error_code ec;
    fs::create_directories(binary_dir, ec);
    fs::create_directories(ascii_dir, ec);
    fs::create_directories(line_dir, ec);
    fs::create_directories(cal_dir, ec);
    fs::create_directories(zoom_dir, ec);
    if (ec) {
        std::fprintf(stderr, "fuzz_seeds: cannot create %s\n", argv[1]);
        return 2;
    }

    int binary_count = 0;
    int ascii_count = 0;
    int line_count = 0;
    bool ok = true;
    for (const named_options& seed : binary_seeds()) {
        const fs::path binary = binary_dir / (seed.name + ".dat");
        ok = ok && dfgen::write_file(binary.string().c_str(),
                                     dfgen::build_datafile(seed.options)) == NO_ERROR;
        ++binary_count;

        const fs::path ascii = ascii_dir / (seed.name + ".txt");
        if (!write_ascii_seed(binary, ascii)) continue;  // odd files give no ASCII seed
        ++ascii_count;
        const std::vector<std::string> lines = split_lines(read_text(ascii));
        if (lines.size() < 17) continue;
        ok = ok && write_text(ascii_dir / (seed.name + "_format1.txt"), as_format1(lines));
        ok = ok && write_text(ascii_dir / (seed.name + "_lf.txt"), join_lines(lines, "\n"));
        ok = ok && write_text(ascii_dir / (seed.name + "_one_line.txt"), values_on_one_line(lines));
        ascii_count += 3;
        if (seed.name.rfind("f2_", 0) == 0) {
            ok = ok && write_header_line_seeds(line_dir, seed.name, lines);
            line_count += 13;
        }
        if (seed.name == "f2_8x6x2") {
            // Broken variants: a cut phase section, and a text short of its width.
            const std::string whole = read_text(ascii);
            ok = ok && write_text(ascii_dir / "cut_values.txt", whole.substr(0, whole.size() - 40));
            std::vector<std::string> short_text = lines;
            short_text[4] = "\"short\"";
            ok = ok && write_text(ascii_dir / "short_text.txt", join_lines(short_text, "\r\n"));
            ascii_count += 2;
            ok = ok && write_header_line_seeds(line_dir, "short_text", short_text);
            line_count += 13;
        }
    }
    const int cal_count = write_cal_file_seeds(cal_dir);
    const int zoom_count = write_enc_zoom_seeds(zoom_dir);
    int ramp_count = 0;
    ok = ok && cal_count >= 0 && zoom_count >= 0 && write_ramp_seeds(argv[1], &ramp_count);
    if (!ok) {
        std::fprintf(stderr, "fuzz_seeds: cannot write the seeds under %s\n", argv[1]);
        return 2;
    }
    std::printf(
        "fuzz_seeds: %d binary, %d ASCII, %d header line, %d calibration file, %d zoom "
        "calibration and %d ramp seeds under %s\n",
        binary_count, ascii_count, line_count, cal_count, zoom_count, ramp_count, argv[1]);
    return 0;
}
