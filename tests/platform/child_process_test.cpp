#include "platform/child_process.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_file.h"

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
TEST(ChildProcess, LooksABareNameUpOnPath) {
    plat::process_result result;
    ASSERT_TRUE(plat::run_process({"sh", "-c", "exit 4"}, &result));
    EXPECT_EQ(result.exit_code, 4);
    EXPECT_FALSE(plat::run_process({"no-such-program-anywhere"}, &result));
}

// The stop signal is asked for once the child has written its mark (so that
// its shell has set up what the case needs), and reaches every process the
// child started; one that ignores it is killed after the grace period.
TEST(ChildProcess, PassesAStopSignalOnToEverythingTheChildStarted) {
    const temp_file mark("stop-mark");
    plat::process_options options;
    options.environment.push_back("MARK=" + mark.text);
    options.stop_signal = [&mark] { return std::filesystem::exists(mark.path) ? SIGTERM : 0; };
    options.stop_grace = std::chrono::milliseconds(100);
    struct {
        const char* script;
        int signal;
    } const cases[] = {
        // The background sleep holds the output pipes: only a signal to the
        // whole group lets the run end.
        {"sleep 600 & touch \"$MARK\"; wait; echo not stopped", SIGTERM},
        {"trap '' TERM; touch \"$MARK\"; exec sleep 600", SIGKILL},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.script);
        std::filesystem::remove(mark.path);
        plat::process_result result;
        ASSERT_TRUE(plat::run_process({"/bin/sh", "-c", each.script}, options, &result));
        EXPECT_EQ(result.signal, each.signal);
        EXPECT_EQ(result.exit_code, -1);
        EXPECT_EQ(result.out, "");
    }
}
#endif
