// gridtool: the companion program for analysts. Tells what a data file
// holds, exports its matrices to the formats analysis tools open, draws it,
// and converts many files at once.
//
//   gridtool info [--json] FILE...
//   gridtool export --to npy|matrix|gsf|csv [options] FILE OUT
//   gridtool picture [--frame N] [--force] FILE OUT.png
//   gridtool batch --to DIR [--format ascii|npy|matrix|gsf|png] [-j N] [--force] FILE...
//
// Exit status: 0 success, 1 a failed file (its error name on standard
// error), 2 a wrong command line.
#include <cstring>
#include <string>
#include <vector>

#include "app/gridtool/command_line.h"
#include "app/gridtool/commands.h"

namespace {

constexpr char kHelp[] =
    "Usage: gridtool COMMAND [options] [--] ARGUMENTS\n"
    "\n"
    "The companion program of gridtext, for binary and ASCII data files.\n"
    "\n"
    "Commands:\n"
    "  info [--json] FILE...           what each file holds\n"
    "  export --to FORMAT FILE OUT     the phase map (and with --frames each\n"
    "                                  intensity frame) as npy, matrix, gsf or csv\n"
    "  picture [--frame N] FILE OUT    the phase map or a frame as a PNG\n"
    "  batch --to DIR FILE...          many files converted into DIR\n"
    "\n"
    "gridtool COMMAND --help tells more. OUT - is standard output. -- ends the\n"
    "options. --version prints the version.\n"
    "\n"
    "Exit status: 0 success, 1 a file failed (its error on standard error),\n"
    "2 a wrong command line.\n";

struct command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr command kCommands[] = {
    {"info", run_info},
    {"export", run_export},
    {"picture", run_picture},
    {"batch", run_batch},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage_error("a command is needed: info, export, picture or batch");
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") return print_help(kHelp);
    if (first == "--version") return print_version();
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const command& c : kCommands) {
        if (first == c.name) return c.run(args);
    }
    return usage_error("unknown command " + first);
}
