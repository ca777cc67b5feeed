// gridtext: converts one binary data file into one ASCII data file.
//
//   gridtext [-f] input output
//
// Exit codes: 0 done, 1 usage, 2 input missing, 3 output exists (no -f),
// 4 reading failed, 5 writing failed. Every message goes to standard error.
#include <cstdlib>

#include "datafile/datafile.h"
#include "errors/errors.h"
#include "util/util.h"

namespace {

enum exit_code : int {
    EXIT_DONE = 0,
    EXIT_USAGE = 1,
    EXIT_NO_INPUT = 2,
    EXIT_OUTPUT_EXISTS = 3,
    EXIT_READ_FAILED = 4,
    EXIT_WRITE_FAILED = 5,
};

int usage() {
    gl_PrintFunc("\nUsage:  gridtext [options] input output\n");
    gl_PrintFunc("\tinput  = existing Tesk binary data file\n");
    gl_PrintFunc("\toutput = Tesk ascii data file to create\n");
    gl_PrintFunc("\n\tOptions:\n");
    gl_PrintFunc("\t\t-f\twrites output even if file already exists\n");
    return EXIT_USAGE;
}

void failure_heading(const char* input, const char* output) {
    gl_PrintFunc("Unable to convert \"%s\" to \"%s\" because...\n", input, output);
}

int convert(int argc, char** argv) {
    if (argc < 3) return usage();

    const char* input = nullptr;
    const char* output = nullptr;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] == '-') {
            // Only the second character counts: -f and -force are the same.
            if (arg[1] != 'f') return usage();
            force = true;
        } else if (input == nullptr) {
            input = arg;
        } else if (output == nullptr) {
            output = arg;
        } else {
            return usage();
        }
    }
    if (input == nullptr || output == nullptr) return usage();

    if (!u_file_exists(input)) {
        failure_heading(input, output);
        gl_PrintFunc("\t\"%s\" does not exist\n", input);
        return EXIT_NO_INPUT;
    }
    if (u_file_exists(output) && !force) {
        failure_heading(input, output);
        gl_PrintFunc("\t\"%s\" already exists\n", output);
        return EXIT_OUTPUT_EXISTS;
    }

    gl_PrintFunc("Converting \"%s\" to \"%s\"\n", input, output);

    // The reader closes the input before the writer opens the output, so
    // input and output may be one file (-f a.dat a.dat).
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    const struct release_buffers {
        intens_matrix& intens;
        phase_matrix& phase;
        ~release_buffers() {
            intens_matrix_free(&intens);
            phase_matrix_free(&phase);
        }
    } release{intens, phase};

    int32_t err = df_read_binary(input, &ident, &params, &intens, &phase);
    if (err != NO_ERROR) {
        failure_heading(input, output);
        gl_PrintFunc("\tthere was an error reading the file \"%s\"\n", input);
        gl_PrintFunc("\t%s\n", u_err_name(err));
        return EXIT_READ_FAILED;
    }

    err = df_write_ascii(output, &ident, &params, &intens, &phase);
    if (err != NO_ERROR) {
        failure_heading(input, output);
        gl_PrintFunc("\tthere was an error writing to the file \"%s\"\n", output);
        gl_PrintFunc("\t%s\n", u_err_name(err));
        return EXIT_WRITE_FAILED;
    }

    gl_PrintFunc("Conversion from \"%s\" to \"%s\" successful\n", input, output);
    return EXIT_DONE;
}

}  // namespace

int main(int argc, char** argv) {
    return convert(argc, argv);
}
