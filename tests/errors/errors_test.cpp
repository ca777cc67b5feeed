// Error names, the print hook and its printers.
#include "errors/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "support/print_capture.h"
#include "util/util.h"

namespace {

// Each test that looks at printed text holds a capture while it runs.
struct HookCapture : ::testing::Test {
    print_capture capture;
    const std::string& captured() const { return print_capture::text(); }
};

TEST(ErrorNames, KnownCodesAndBoundaries) {
    EXPECT_STREQ(u_err_name(NO_ERROR), "NO_ERROR");
    EXPECT_STREQ(u_err_name(1), "ERR_AC_CANT_AGC");
    EXPECT_STREQ(u_err_name(27), "ERR_ALL_BAD_DATA");
    EXPECT_STREQ(u_err_name(317), "ERR_MISSING_CONFIG_DATA");
    EXPECT_STREQ(u_err_name(ERR_NO_MEM), "ERR_NO_MEM");
    EXPECT_STREQ(u_err_name(462), "ERR_ZOOM_TIMEOUT");
    EXPECT_STREQ(u_err_name(463), "invalid error number 463");
    EXPECT_STREQ(u_err_name(-1), "invalid error number -1");
    EXPECT_STREQ(u_err_name(INT32_MIN), "invalid error number -2147483648");
}

TEST(ErrorNames, NumbersUsedAcrossTheLibrary) {
    EXPECT_EQ(ERR_CANT_CREATE_FILE, 116);
    EXPECT_EQ(ERR_CANT_OPEN_FILE, 120);
    EXPECT_EQ(ERR_CANT_WRITE_FILE, 125);
    EXPECT_EQ(ERR_CORRUPT_DATA_FILE, 134);
    EXPECT_EQ(ERR_DATASET_DIM_TOO_LARGE, 142);
    EXPECT_EQ(ERR_INVALID_PARAM, 242);
    EXPECT_EQ(ERR_NO_MEM, 320);
    EXPECT_EQ(ERR_NOT_A_DATA_FILE, 328);
    EXPECT_EQ(ERR_PARAM_OUT_OF_RANGE, 333);
    EXPECT_EQ(ERR_PREMATURE_EOF, 353);
}

TEST(ErrorNames, EveryCodeHasItsOwnName) {
    std::set<std::string> names;
    for (int32_t code = 1; code <= ERR_LAST_CODE; ++code) {
        const std::string name = u_err_name(code);
        EXPECT_EQ(name.rfind("ERR_", 0), 0u) << code;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 462u);
}

TEST(ErrorNames, NextLookupOverwritesTheBuffer) {
    const char* first = u_err_name(1);
    const char* second = u_err_name(2);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "ERR_AC_CANT_CALIBRATE");
}

TEST_F(HookCapture, ErrPrintWritesNameAndLineEnd) {
    u_err_print(NO_ERROR);
    EXPECT_EQ(captured(), "");
    u_err_print(ERR_CANT_OPEN_FILE);
    EXPECT_EQ(captured(), "ERR_CANT_OPEN_FILE\n");
}

TEST_F(HookCapture, ErrExitWithZeroReturns) {
    u_err_exit(NO_ERROR);
    EXPECT_EQ(captured(), "");
}

TEST(ErrExitDeathTest, PrintsNameAndExitsWithOne) {
    EXPECT_EXIT(u_err_exit(120), ::testing::ExitedWithCode(1), "ERR_CANT_OPEN_FILE\n");
}

TEST(PrintStream, FollowsTheHook) {
    EXPECT_EQ(u_print_stream(), stderr);
    gl_PrintFunc = u_print_stdout;
    EXPECT_EQ(u_print_stream(), stdout);
    gl_PrintFunc = u_print_nothing;
    EXPECT_EQ(u_print_stream(), nullptr);
    gl_PrintFunc = u_print_stderr;
}

// True when text is a local time "YYYY-MM-DD hh:mm:ss". (A hand check: with
// the sanitizers, g++ 12 warns inside std::regex's own headers.)
bool is_time_stamp(const std::string& text) {
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kShape - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
    }
    return true;
}

TEST_F(HookCapture, StampedMessageHasLocalTimeThenText) {
    u_print_stamped("%s: %s\n", "pl_can_setup", u_err_name(ERR_CAN_TIMEOUT));
    EXPECT_TRUE(is_time_stamp(captured().substr(0, 19))) << captured();
    EXPECT_EQ(captured().substr(std::min<size_t>(19, captured().size())),
              " pl_can_setup: ERR_CAN_TIMEOUT\n");
}

TEST_F(HookCapture, StampedMessageIsCutAt511Characters) {
    const std::string longer(600, 'x');
    u_print_stamped("%s", longer.c_str());
    const size_t blank = captured().find(' ', 11);  // the blank after the time of day
    ASSERT_NE(blank, std::string::npos);
    EXPECT_EQ(captured().size() - blank - 1, 511u);
}

TEST(TimeStamp, FormatsLocalTime) {
    char stamp[U_TIME_STAMP_SIZE];
    EXPECT_EQ(u_time_stamp(stamp), 19);
    EXPECT_TRUE(is_time_stamp(stamp)) << stamp;
}

TEST(SwapBytes, ReversesTwoFourAndEight) {
    unsigned char four[] = {1, 2, 3, 4};
    u_swap_bytes(four, 4);
    EXPECT_EQ(four[0], 4);
    EXPECT_EQ(four[3], 1);
    unsigned char two[] = {1, 2};
    u_swap_bytes(two, 2);
    EXPECT_EQ(two[0], 2);
    unsigned char eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    u_swap_bytes(eight, 8);
    EXPECT_EQ(eight[0], 8);
    EXPECT_EQ(eight[7], 1);
}

TEST(SwapBytesDeathTest, OtherSizesAbort) {
    unsigned char bytes[4] = {};
    EXPECT_DEATH(u_swap_bytes(bytes, 3), "u_swap_bytes: n=3\n");
}

}  // namespace
