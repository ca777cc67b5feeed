// gridtool picture: the phase map, or one intensity frame, as a PNG. The
// pictures themselves come from gridtool_png, built where libpng is found.
#include <cstdio>
#include <string>

#include "app/gridtool/command_line.h"
#include "app/gridtool/commands.h"
#include "app/gridtool/measurement.h"
#include "app/gridtool/output.h"
#include "app/gridtool/picture_output.h"

namespace {

constexpr char kHelp[] =
    "Usage: gridtool picture [--frame N] [--force] FILE OUT.png\n"
    "\n"
    "Draws the phase map of a binary or ASCII data file as a PNG (OUT - for\n"
    "standard output): a perceptually uniform colour map, invalid points in a\n"
    "neutral grey and a colour bar labelled with the minimum and maximum.\n"
    "\n"
    "  --frame N   intensity frame N (from 0) in grey levels instead\n"
    "  --force     replace an existing OUT\n"
    "\n"
    "Exit status: 0 written, 1 the file failed, 2 a wrong command line or a\n"
    "gridtool built without libpng.\n";

}  // namespace

int run_picture(const std::vector<std::string>& args) {
    parsed_args a;
    if (!parse_command_line(args, {{"--frame", true}, {"--force", false}}, &a)) {
        return EXIT_WRONG_COMMAND_LINE;
    }
    if (a.help) return print_help(kHelp);
    if (a.version) return print_version();
    if (a.operands.size() != 2) return usage_error("picture takes FILE and OUT.png");
    long frame = -1;
    if (a.has("--frame") && !parse_integer(a.value("--frame", ""), 0, 32767, &frame)) {
        return usage_error("--frame needs a frame number from 0, not " + a.value("--frame", ""));
    }
    if (!pictures_built_in()) return usage_error(kNoPictures);
    const std::string& file = a.operands[0];
    const std::string& out = a.operands[1];

    measurement m;
    std::string reason;
    int32_t err = m.load(file, &reason);
    if (err != NO_ERROR) {
        report_failure(file, err, reason);
        return EXIT_FILE_FAILED;
    }
    err = check_output(out, a.has("--force"), &reason);
    if (err == NO_ERROR) err = write_picture(out, m, static_cast<int32_t>(frame), &reason);
    if (err != NO_ERROR) {
        // A frame the file does not have is the file's failure; the rest concern OUT.
        report_failure(err == ERR_PARAM_OUT_OF_RANGE ? file : out, err, reason);
        return EXIT_FILE_FAILED;
    }
    return EXIT_OK;
}
