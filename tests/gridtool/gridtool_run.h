// gridtool run as a user runs it, the library's own records of a file to
// compare its outputs with, and numpy to read them back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "platform/child_process.h"
#include "support/measurement.h"
#include "support/numpy_run.h"

inline plat::process_result gridtool(std::vector<std::string> args) {
    args.insert(args.begin(), GRIDTOOL_EXE);
    plat::process_result result;
    EXPECT_TRUE(plat::run_process(args, &result));
    EXPECT_EQ(result.signal, 0);
    return result;
}

// A failure line with the system's reason after the error name: exactly
// posix_reason on POSIX; on Windows whatever the system's message table says.
inline void expect_reason(const std::string& err, const std::string& before,
                          const std::string& posix_reason) {
#ifdef _WIN32
    (void)posix_reason;
    EXPECT_EQ(err.substr(0, before.size() + 2), before + " (") << err;
    EXPECT_GT(err.size(), before.size() + 4) << err;
    EXPECT_EQ(err.substr(err.size() - 2), ")\n") << err;
#else
    EXPECT_EQ(err, before + " (" + posix_reason + ")\n");
#endif
}

// The bundled example as the binary reader returns it.
struct example_records : measurement {
    example_records() {
        EXPECT_EQ(df_read_binary(GRIDTOOL_EXAMPLE, &ident, &params, &intens, &phase), NO_ERROR);
    }
};

// Values as the numpy scripts below print them: whole numbers, "nan" for
// invalid points, apart by blanks.
inline std::string value_list(const int32_t* values, size_t count, bool raw = false) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) out += ' ';
        out += !raw && phase_is_invalid(values[i]) ? "nan" : std::to_string(values[i]);
    }
    return out;
}

// Prints a numpy array's values as value_list writes them.
inline constexpr char kPrintValues[] =
    "print(' '.join('nan' if math.isnan(v) else str(int(v)) for v in a.ravel().tolist()))\n";
