// gridtool info: what a data file holds, as text or as one JSON object per
// file (one per line).
#include <cstdio>

#include "app/gridtool/command_line.h"
#include "app/gridtool/commands.h"
#include "app/gridtool/measurement.h"
#include "app/gridtool/number_text.h"

namespace {

constexpr char kHelp[] =
    "Usage: gridtool info [--json] FILE...\n"
    "\n"
    "For each binary or ASCII data file: its format, the window (first x, first y,\n"
    "width, height) of the intensity and phase matrices, the number of intensity\n"
    "frames, the valid and invalid phase points and the phase statistics (minimum\n"
    "and maximum with their first positions, peak-to-valley, mean).\n"
    "\n"
    "  --json   one JSON object per file, one per line\n"
    "\n"
    "Exit status: 0 every file read, 1 a file failed (the others are still shown),\n"
    "2 a wrong command line.\n";

struct file_facts {
    std::string format;  // "binary" or "ascii"
    int version = 0;     // the binary format's number; 0 for ASCII
    int64_t phase_points = 0;
    int32_t stats_err = NO_ERROR;
    phase_stats stats{};
};

file_facts facts_of(const measurement& m) {
    file_facts f;
    f.format = m.kind == DF_KIND_ASCII ? "ascii" : "binary";
    f.version = m.kind == DF_KIND_ASCII ? 0 : static_cast<int>(m.kind);
    const matrix_window& w = m.phase.window;
    f.phase_points = w.width > 0 && w.height > 0 ? int64_t{w.width} * w.height : 0;
    f.stats_err = f.phase_points == 0 ? ERR_NO_DATA : phase_matrix_stats(&m.phase, nullptr, &f.stats);
    if (f.stats_err != NO_ERROR) f.stats.count = 0;
    return f;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    return out + "\"";
}

std::string json_window(const matrix_window& w) {
    return "\"x\":" + std::to_string(w.x) + ",\"y\":" + std::to_string(w.y) +
           ",\"width\":" + std::to_string(w.width) + ",\"height\":" + std::to_string(w.height);
}

void print_json(const std::string& file, const measurement& m, const file_facts& f) {
    std::string out = "{\"file\":" + json_string(file) + ",\"format\":\"" + f.format + "\"";
    if (f.version != 0) out += ",\"binary_format\":" + std::to_string(f.version);
    out += ",\"intensity\":{" + json_window(m.intens.window) +
           ",\"frames\":" + std::to_string(m.intens.n_buckets) + "}";
    out += ",\"phase\":{" + json_window(m.phase.window) +
           ",\"valid\":" + std::to_string(f.stats.count) +
           ",\"invalid\":" + std::to_string(f.phase_points - f.stats.count) + ",\"stats\":";
    if (f.stats_err == NO_ERROR) {
        const phase_stats& s = f.stats;
        out += "{\"min\":" + std::to_string(s.min) + ",\"min_x\":" + std::to_string(s.min_x) +
               ",\"min_y\":" + std::to_string(s.min_y) + ",\"max\":" + std::to_string(s.max) +
               ",\"max_x\":" + std::to_string(s.max_x) + ",\"max_y\":" + std::to_string(s.max_y) +
               ",\"pv\":" + std::to_string(s.pv) + ",\"mean\":" + exact_text(s.mean) + "}";
    } else {
        out += "null,\"stats_error\":\"" + std::string(u_err_name(f.stats_err)) + "\"";
    }
    out += "}}\n";
    std::fputs(out.c_str(), stdout);
}

void print_text(const std::string& file, const measurement& m, const file_facts& f) {
    const matrix_window& iw = m.intens.window;
    const matrix_window& pw = m.phase.window;
    std::printf("%s\n", file.c_str());
    if (f.version != 0) {
        std::printf("  format:         binary data file, format %d\n", f.version);
    } else {
        std::printf("  format:         ASCII data file\n");
    }
    std::printf("  intensity:      x %d, y %d, %d x %d, %d frames\n", iw.x, iw.y, iw.width,
                iw.height, m.intens.n_buckets);
    std::printf("  phase:          x %d, y %d, %d x %d\n", pw.x, pw.y, pw.width, pw.height);
    std::printf("  phase points:   %d valid, %lld invalid\n", f.stats.count,
                static_cast<long long>(f.phase_points - f.stats.count));
    if (f.stats_err == NO_ERROR) {
        const phase_stats& s = f.stats;
        std::printf("  phase minimum:  %d at (%d, %d)\n", s.min, s.min_x, s.min_y);
        std::printf("  phase maximum:  %d at (%d, %d)\n", s.max, s.max_x, s.max_y);
        std::printf("  peak to valley: %d\n", s.pv);
        std::printf("  phase mean:     %s\n", exact_text(s.mean).c_str());
    } else {
        std::printf("  phase statistics: none (%s)\n", u_err_name(f.stats_err));
    }
}

}  // namespace

int run_info(const std::vector<std::string>& args) {
    parsed_args a;
    if (!parse_command_line(args, {{"--json", false}}, &a)) return EXIT_WRONG_COMMAND_LINE;
    if (a.help) return print_help(kHelp);
    if (a.version) return print_version();
    if (a.operands.empty()) return usage_error("info needs at least one FILE");
    int status = EXIT_OK;
    for (const std::string& file : a.operands) {
        measurement m;
        std::string reason;
        if (const int32_t err = m.load(file, &reason); err != NO_ERROR) {
            std::fflush(stdout);
            report_failure(file, err, reason);
            status = EXIT_FILE_FAILED;
            continue;
        }
        const file_facts f = facts_of(m);
        if (a.has("--json")) {
            print_json(file, m, f);
        } else {
            print_text(file, m, f);
        }
    }
    return status;
}
