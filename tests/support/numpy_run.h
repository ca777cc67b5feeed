// numpy, run as a user would run it, to read back the files the project
// writes for it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/child_process.h"

// Runs a Python script with numpy imported as np and the path in `path`;
// false (and the test skipped by the caller) when numpy is not at hand.
inline bool numpy_available() {
#ifdef _WIN32
    return false;  // the Windows build runs under Wine, beside no Windows Python
#endif
    if (!std::filesystem::exists("/usr/bin/python3")) return false;
    plat::process_result r;
    return plat::run_process({"/usr/bin/python3", "-c", "import numpy"}, &r) && r.exit_code == 0;
}

inline std::string run_numpy(const std::string& script, const std::string& path) {
    plat::process_result r;
    const std::string program = "import math, sys\nimport numpy as np\npath = sys.argv[1]\n" +
                                script;
    EXPECT_TRUE(plat::run_process({"/usr/bin/python3", "-c", program, path}, &r));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
}

