// ramptool: looks into and makes scan ramp files.
//
//   ramptool dump FILE [-1]          the header and samples of a ramp data file
//   ramptool name FILE               the ramp's standard file name
//   ramptool cfg IN OUT              reads a ramp configuration file, writes the accepted specs
//   ramptool derive BASE SPEC OUT    derives a ramp from BASE for one spec line
//
// Results go to standard output, library messages to standard error. Exit
// status 0 on success; 1 after a failure, whose error name ends standard
// error; 2 for a wrong command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "ramps/ramps.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "Usage:  ramptool dump FILE [-1]\n"
                 "        ramptool name FILE\n"
                 "        ramptool cfg IN OUT\n"
                 "        ramptool derive BASE SPEC_LINE OUT\n"
                 "\tdump    prints the header of ramp data file FILE and its samples,\n"
                 "\t        ten to a line, or one per line with -1\n"
                 "\tname    prints the standard file name of ramp data file FILE\n"
                 "\tcfg     reads ramp configuration file IN and writes the specs it\n"
                 "\t        accepts to OUT\n"
                 "\tderive  derives a ramp from ramp data file BASE for one ramp\n"
                 "\t        configuration line and writes it to ramp data file OUT\n");
    return 2;
}

int failed(int32_t err) {
    std::fprintf(stderr, "%s\n", u_err_name(err));
    return 1;
}

bool stdout_written() {
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
}

int dump(const char* path, bool one_per_line) {
    rr_ramp_t r;
    rr_init_ramp(&r);
    const int32_t err = rr_read_ramp_file(path, &r.hdr, &r.points);
    if (err != NO_ERROR) return failed(err);
    rr_print_ramp_hdr(stdout, &r.hdr, r.points, one_per_line ? 1 : 0);
    rr_release_ramp(&r);
    return stdout_written() ? 0 : failed(ERR_CANT_WRITE_FILE);
}

int name(const char* path) {
    rr_ramp_hdr_t hdr;
    int32_t err = rr_read_ramp_file(path, &hdr, nullptr);
    if (err != NO_ERROR) return failed(err);
    const char* text = nullptr;
    err = rr_get_std_ramp_filename(&hdr, &text);
    if (err != NO_ERROR) return failed(err);
    std::printf("%s\n", text);
    return stdout_written() ? 0 : failed(ERR_CANT_WRITE_FILE);
}

int cfg(const char* in, const char* out) {
    rr_ramp_cfg_t* list = nullptr;
    int32_t count = 0;
    int32_t err = rr_read_ramp_cfg(in, &list, &count);
    if (err != NO_ERROR) return failed(err);
    err = rr_write_ramp_cfg(out, list, count);
    gl_FreeFunc(list);
    return err == NO_ERROR ? 0 : failed(err);
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
    if (err != NO_ERROR) return failed(err);
    rr_ramp_t base;
    rr_init_ramp(&base);
    err = rr_read_ramp_file(base_path, &base.hdr, &base.points);
    if (err == NO_ERROR && base.hdr.rampType != RR_RAMP_SWLI) {
        std::fprintf(stderr, "ramptool: a ramp is derived from a SWLI ramp; %s is of type %d\n",
                     base_path, base.hdr.rampType);
        err = ERR_INVALID_PARAM;
    }
    if (err == NO_ERROR) err = derive_and_write(base, spec, out);
    rr_release_ramp(&base);
    return err == NO_ERROR ? 0 : failed(err);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "dump" && (argc == 3 || (argc == 4 && std::strcmp(argv[3], "-1") == 0))) {
        return dump(argv[2], argc == 4);
    }
    if (command == "name" && argc == 3) return name(argv[2]);
    if (command == "cfg" && argc == 4) return cfg(argv[2], argv[3]);
    if (command == "derive" && argc == 5) return derive(argv[2], argv[3], argv[4]);
    return usage();
}
