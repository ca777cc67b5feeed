#include "platform/child_process.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>

// A child gets no input of the caller's: a program that reads standard input
// sees its end at once, even while the caller's own input stays open.
TEST(ChildProcess, ReadsNoInputOfTheCaller) {
    int open_input[2];
    ASSERT_EQ(::pipe(open_input), 0);
    const int saved = ::dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(::dup2(open_input[0], STDIN_FILENO), STDIN_FILENO);

    plat::process_result result;
    const bool ran = plat::run_process({"/bin/sh", "-c", "cat; echo done"}, &result);

    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(open_input[0]);
    ::close(open_input[1]);
    ASSERT_TRUE(ran);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "done\n");
}

TEST(ChildProcess, CollectsBothStreamsAndTheExitStatus) {
    plat::process_result result;
    ASSERT_TRUE(plat::run_process({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, &result));
    EXPECT_EQ(result.out, "out\n");
    EXPECT_EQ(result.err, "err\n");
    EXPECT_EQ(result.exit_code, 3);
}
#endif
