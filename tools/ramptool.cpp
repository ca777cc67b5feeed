// ramptool: looks into and makes scan ramp files.
//
//   ramptool dump FILE [-1]          the header and samples of a ramp data file
//   ramptool name FILE               the ramp's standard file name
//   ramptool cfg IN OUT              reads a ramp configuration file, writes the accepted specs
//   ramptool derive BASE SPEC OUT    derives a ramp from BASE for one spec line
//   ramptool --help
//
// Results go to standard output, library messages to standard error. Exit
// status 0 on success; 1 after a failure, whose last line on standard error
// names the file and ends with the error's name; 2 for a wrong command line,
// after a line that names the argument refused.
#include <cstdio>
#include <cstring>
#include <string>

#include "ramps/ramps.h"

namespace {

constexpr const char* kUsage =
    "Usage:  ramptool dump FILE [-1]\n"
    "        ramptool name FILE\n"
    "        ramptool cfg IN OUT\n"
    "        ramptool derive BASE SPEC_LINE OUT\n"
    "        ramptool --help\n"
    "\tdump    prints the header of ramp data file FILE and its samples,\n"
    "\t        ten to a line, or one per line with -1\n"
    "\tname    prints the standard file name of ramp data file FILE\n"
    "\tcfg     reads ramp configuration file IN and writes the specs it\n"
    "\t        accepts to OUT\n"
    "\tderive  derives a ramp from ramp data file BASE for one ramp\n"
    "\t        configuration line and writes it to ramp data file OUT\n";

// A wrong command line: what is wrong with it, then the usage.
int refused(const std::string& why) {
    std::fprintf(stderr, "ramptool: %s (see ramptool --help)\n%s", why.c_str(), kUsage);
    return 2;
}

// The failure's line: what was done to which file, and the error's name.
int failed(const char* doing, const char* path, int32_t err) {
    std::fprintf(stderr, "ramptool: %s %s: %s\n", doing, path, u_err_name(err));
    return 1;
}

bool stdout_written() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

int dump(const char* path, bool one_per_line) {
    rr_ramp_t r;
    rr_init_ramp(&r);
    const int32_t err = rr_read_ramp_file(path, &r.hdr, &r.points);
    if (err != NO_ERROR) return failed("cannot read ramp data file", path, err);
    rr_print_ramp_hdr(stdout, &r.hdr, r.points, one_per_line ? 1 : 0);
    rr_release_ramp(&r);
    return stdout_written()
               ? 0
               : failed("cannot write to standard output the dump of", path, ERR_CANT_WRITE_FILE);
}

int name(const char* path) {
    rr_ramp_hdr_t hdr;
    int32_t err = rr_read_ramp_file(path, &hdr, nullptr);
    if (err != NO_ERROR) return failed("cannot read ramp data file", path, err);
    const char* text = nullptr;
    err = rr_get_std_ramp_filename(&hdr, &text);
    if (err != NO_ERROR) return failed("no standard file name for the ramp in", path, err);
    std::printf("%s\n", text);
    return stdout_written()
               ? 0
               : failed("cannot write to standard output the name of", path, ERR_CANT_WRITE_FILE);
}

int cfg(const char* in, const char* out) {
    rr_ramp_cfg_t* list = nullptr;
    int32_t count = 0;
    int32_t err = rr_read_ramp_cfg(in, &list, &count);
    if (err != NO_ERROR) return failed("cannot read ramp configuration file", in, err);
    err = rr_write_ramp_cfg(out, list, count);
    gl_FreeFunc(list);
    return err == NO_ERROR ? 0 : failed("cannot write ramp configuration file", out, err);
}

// Derives from the base ramp and writes the result.
int32_t derive_and_write(const rr_ramp_t& base, const rr_ramp_cfg_t& spec, const char* out) {
    rr_ramp_t derived;
    rr_init_ramp(&derived);
    int32_t err = rr_derive_ramp(&base, &derived, &spec);
    if (err == NO_ERROR) err = rr_write_ramp_file(out, &derived.hdr, derived.points);
    rr_release_ramp(&derived);
    return err;
}

int derive(const char* base_path, const char* line, const char* out) {
    rr_ramp_cfg_t spec;
    int32_t err = rr_parse_ramp_spec(line, &spec);
    if (err != NO_ERROR) return failed("cannot take the ramp configuration line", line, err);
    rr_ramp_t base;
    rr_init_ramp(&base);
    err = rr_read_ramp_file(base_path, &base.hdr, &base.points);
    if (err != NO_ERROR) {
        rr_release_ramp(&base);
        return failed("cannot read ramp data file", base_path, err);
    }
    if (base.hdr.rampType != RR_RAMP_SWLI) {
        std::fprintf(stderr, "ramptool: a ramp is derived from a SWLI ramp; %s is of type %d\n",
                     base_path, base.hdr.rampType);
        err = ERR_INVALID_PARAM;
    } else {
        err = derive_and_write(base, spec, out);
    }
    rr_release_ramp(&base);
    return err == NO_ERROR ? 0 : failed("cannot derive ramp data file", out, err);
}

// What a command takes after its name: at least, at most, and the text.
struct command_form {
    const char* name;
    int least;
    int most;
    const char* arguments;
};
constexpr command_form kCommands[] = {{"dump", 1, 2, "FILE [-1]"},
                                      {"name", 1, 1, "FILE"},
                                      {"cfg", 2, 2, "IN OUT"},
                                      {"derive", 3, 3, "BASE SPEC_LINE OUT"}};

// Why the command line is wrong; empty when it is right.
std::string wrong_command_line(int argc, char** argv) {
    if (argc < 2) return "no command";
    const std::string command = argv[1];
    for (const command_form& form : kCommands) {
        if (command != form.name) continue;
        const int given = argc - 2;
        if (given < form.least) return command + " needs " + form.arguments;
        if (given > form.most) return command + " does not take " + argv[2 + form.most];
        if (command == "dump" && given == 2 && std::strcmp(argv[3], "-1") != 0) {
            return std::string("dump does not take ") + argv[3] + " (only -1)";
        }
        return {};
    }
    return "no command " + command + " (dump, name, cfg, derive)";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::string wrong = wrong_command_line(argc, argv);
    if (!wrong.empty()) return refused(wrong);
    const std::string command = argv[1];
    if (command == "dump") return dump(argv[2], argc == 4);
    if (command == "name") return name(argv[2]);
    if (command == "cfg") return cfg(argv[2], argv[3]);
    return derive(argv[2], argv[3], argv[4]);
}
