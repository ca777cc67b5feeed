// gridtool export: the phase map (and on request each intensity frame) of
// one data file in a format analysis tools read.
#include "app/gridtool/command_line.h"
#include "app/gridtool/commands.h"
#include "app/gridtool/export_formats.h"
#include "app/gridtool/measurement.h"
#include "app/gridtool/output.h"

namespace {

constexpr char kHelp[] =
    "Usage: gridtool export --to npy|matrix|gsf|csv [options] FILE OUT\n"
    "\n"
    "Writes the phase map of a binary or ASCII data file to OUT (- for standard\n"
    "output). Invalid points are NaN (npy, matrix, gsf) or left out (csv).\n"
    "  npy     numpy's .npy (version 1.0), float64; int32 as stored with --raw\n"
    "  matrix  one text line per row, values apart by blanks (numpy.loadtxt)\n"
    "  gsf     Gwyddion Simple Field, float32\n"
    "  csv     x,y,value: one line per valid point, in matrix coordinates\n"
    "\n"
    "Options:\n"
    "  --raw        npy and matrix: the stored integers, invalid markers included\n"
    "  --frames     also each intensity frame N (from 0) beside OUT, named\n"
    "               OUT's stem + \".frameN\" + OUT's extension\n"
    "  --xreal M    gsf: width of the map (default: its width in pixels)\n"
    "  --yreal M    gsf: height of the map (default: square pixels)\n"
    "  --xyunit U   gsf: unit of the lateral sizes (default: \"m\" when --xreal or\n"
    "               --yreal is given, else none: the sizes count pixels)\n"
    "  --zunit U    gsf: unit of the values (default: none; phase values are\n"
    "               whole numbers in the file's own units)\n"
    "  --force      replace an existing OUT\n"
    "\n"
    "Exit status: 0 written, 1 the file failed, 2 a wrong command line.\n";

// OUT's name with ".frameN" before its extension.
std::string frame_path(const std::string& out, int32_t frame) {
    const size_t slash = out.find_last_of("/\\");
    const size_t dot = out.rfind('.');
    const bool has_extension = dot != std::string::npos && dot != 0 &&
                               (slash == std::string::npos || dot > slash + 1);
    const std::string stem = has_extension ? out.substr(0, dot) : out;
    const std::string extension = has_extension ? out.substr(dot) : std::string();
    return stem + ".frame" + std::to_string(frame) + extension;
}

int fail(const std::string& file, int32_t err, const std::string& reason) {
    report_failure(file, err, reason);
    return EXIT_FILE_FAILED;
}

// Encodes one grid and writes it to out; EXIT_OK or the failure reported.
int write_grid(const parsed_args& a, const std::string& format, const gsf_options& gsf,
               const value_grid& grid, const std::string& out) {
    std::string reason;
    const int32_t err = write_output(out, encode_as(format, grid, a.has("--raw"), gsf), &reason);
    return err == NO_ERROR ? EXIT_OK : fail(out, err, reason);
}

}  // namespace

int run_export(const std::vector<std::string>& args) {
    parsed_args a;
    if (!parse_command_line(args,
                            {{"--to", true}, {"--raw", false}, {"--frames", false},
                             {"--xreal", true}, {"--yreal", true}, {"--xyunit", true},
                             {"--zunit", true}, {"--force", false}},
                            &a)) {
        return EXIT_WRONG_COMMAND_LINE;
    }
    if (a.help) return print_help(kHelp);
    if (a.version) return print_version();
    const std::string format = a.value("--to", "");
    if (format.empty()) return usage_error("export needs --to npy|matrix|gsf|csv");
    if (!is_export_format(format)) return usage_error("unknown export format " + format);
    if (a.operands.size() != 2) return usage_error("export takes FILE and OUT");
    if (a.has("--raw") && format != "npy" && format != "matrix") {
        return usage_error("--raw is for npy and matrix");
    }
    const std::string& file = a.operands[0];
    const std::string& out = a.operands[1];
    if (a.has("--frames") && out == "-") return usage_error("--frames writes files: OUT cannot be -");

    gsf_options gsf;
    for (const auto& [name, size] : {std::pair{"--xreal", &gsf.xreal}, std::pair{"--yreal", &gsf.yreal}}) {
        if (a.has(name) && !parse_positive(a.value(name, ""), size)) {
            return usage_error(std::string(name) + " needs a positive number, not " + a.value(name, ""));
        }
    }
    const bool sized = a.has("--xreal") || a.has("--yreal");
    gsf.xyunit = a.value("--xyunit", sized ? "m" : "");
    gsf.zunit = a.value("--zunit", "");

    measurement m;
    std::string reason;
    if (const int32_t err = m.load(file, &reason); err != NO_ERROR) return fail(file, err, reason);
    gsf.title = ident_title(m.ident);

    // Every grid first, so that a bad frame fails the file before anything is written.
    std::vector<value_grid> grids(1);
    if (const int32_t err = phase_grid(m.phase, &grids[0]); err != NO_ERROR) return fail(file, err, "");
    if (a.has("--frames")) {
        if (m.intens.n_buckets <= 0) return fail(file, ERR_NO_DATA, "no intensity frames");
        grids.resize(1 + static_cast<size_t>(m.intens.n_buckets));
        for (int32_t frame = 0; frame < m.intens.n_buckets; ++frame) {
            const int32_t err = frame_grid(m.intens, frame, &grids[1 + static_cast<size_t>(frame)]);
            if (err != NO_ERROR) return fail(file, err, "");
        }
    }
    // Every output refused or allowed before the first is written.
    std::vector<std::string> paths;
    for (size_t i = 0; i < grids.size(); ++i) {
        paths.push_back(i == 0 ? out : frame_path(out, static_cast<int32_t>(i - 1)));
        std::string refusal;
        const int32_t err = check_output(paths.back(), a.has("--force"), &refusal);
        if (err != NO_ERROR) return fail(paths.back(), err, refusal);
    }
    for (size_t i = 0; i < grids.size(); ++i) {
        if (const int status = write_grid(a, format, gsf, grids[i], paths[i]); status != EXIT_OK) {
            return status;
        }
    }
    return EXIT_OK;
}
