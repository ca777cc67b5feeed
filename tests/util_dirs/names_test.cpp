// The program path, the computer name and the calibration file name.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "util/util.h"

namespace {

// The computer's name as the system tells it to everyone else.
std::string host_name() {
    std::string name;
#if defined(_WIN32)
    const char* computer = plat::get_environment("COMPUTERNAME");
    if (computer != nullptr) name = computer;
#else
    std::ifstream("/proc/sys/kernel/hostname") >> name;
#endif
    return name.substr(0, U_COMPUTER_NAME_SIZE - 1);
}

TEST(Names, ModulePathIsTheRunningProgram) {
#if defined(_WIN32)
    // Lower-cased, and naming this program's file.
    const std::string path = u_module_path();
    EXPECT_TRUE(plat::is_absolute_path(path.c_str())) << path;
    EXPECT_TRUE(plat::is_regular_file(path.c_str())) << path;
    EXPECT_EQ(path.substr(path.find_last_of('\\') + 1), "util_dirs_tests.exe");
    EXPECT_EQ(path.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << path;
#else
    EXPECT_EQ(u_module_path(), std::filesystem::read_symlink("/proc/self/exe").string());
#endif
    EXPECT_EQ(u_module_path(), u_module_path());  // the same buffer every time
}

TEST(Names, ComputerNameIsCutAndCopiedLikeAFixedField) {
    const std::string expected = host_name();
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(u_computer_name(nullptr, 0), 0);

    char wide[24];
    std::memset(wide, '#', sizeof wide);
    EXPECT_EQ(u_computer_name(wide, static_cast<int32_t>(sizeof wide)), 0);
    EXPECT_EQ(std::string(wide), expected);
    for (size_t i = expected.size(); i < sizeof wide; ++i) EXPECT_EQ(wide[i], '\0') << i;

    char narrow[8];
    std::memset(narrow, '#', sizeof narrow);
    EXPECT_EQ(u_computer_name(narrow, 3), 0);
    EXPECT_EQ(std::string(narrow, 3), (expected + std::string(3, '\0')).substr(0, 3));
    EXPECT_EQ(narrow[3], '#');  // no terminator beyond the capacity
}

TEST(Names, CalibrationFileNameIsFixedByTheFirstCall) {
    const std::string first = u_cal_file_name(1);
    EXPECT_EQ(first, host_name() + ".1");
    EXPECT_EQ(std::string(u_cal_file_name(2)), first);
}

}  // namespace
