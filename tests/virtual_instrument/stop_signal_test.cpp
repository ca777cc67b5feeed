// virtual-instrument --then under a stop signal: the signal reaches the
// command, the simulators stop, the folder goes and the exit status names
// the signal; and the command is looked up as a shell looks it up.
#include <gtest/gtest.h>

#include "platform/child_process.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_file.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

// Long enough for no run to see it end by itself.
constexpr const char* kCommand =
    "echo $$ > \"$MARK.tmp\" && mv \"$MARK.tmp\" \"$MARK\"; exec sleep 600";
constexpr auto kBound = std::chrono::seconds(60);

// virtual-instrument started as a person starts it, with TMPDIR pointing at
// a folder of the test's, so that the folder it makes can be looked for.
struct started_instrument {
    pid_t pid = -1;
    fs::path tmpdir;
    fs::path mark;
    pid_t command = -1;  // the command's process, once its mark is there

    started_instrument(const fs::path& scratch) : tmpdir(scratch / "tmp"), mark(scratch / "mark") {
        fs::create_directories(tmpdir);
        pid = ::fork();
        if (pid != 0) return;
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        ::setenv("MARK", mark.c_str(), 1);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) ::_exit(126);
        ::execl(VIRTUAL_INSTRUMENT_EXE, VIRTUAL_INSTRUMENT_EXE, "--kind", "can", "--then",
                "/bin/sh", "-c", kCommand, static_cast<char*>(nullptr));
        ::_exit(126);
    }

    // Waits for the command to have written its mark; false past the bound.
    bool command_started() {
        for (const auto end = steady_clock::now() + kBound; steady_clock::now() < end;) {
            std::ifstream in(mark);
            if (in >> command) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The wait status once it has ended; false past the bound (then it and
    // the command are killed).
    bool ended(int* status) {
        for (const auto end = steady_clock::now() + kBound; steady_clock::now() < end;) {
            if (::waitpid(pid, status, WNOHANG) == pid) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid, SIGKILL);
        if (command > 0) ::kill(command, SIGKILL);
        ::waitpid(pid, status, 0);
        return false;
    }
};

TEST(VirtualInstrumentStop, PassesAStopSignalOnAndEndsByIt) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const temp_file scratch("stop-" + std::to_string(signal));
        started_instrument instrument(scratch.path);
        ASSERT_GT(instrument.pid, 0);
        ASSERT_TRUE(instrument.command_started());

        ASSERT_EQ(::kill(instrument.pid, signal), 0);
        int status = 0;
        ASSERT_TRUE(instrument.ended(&status)) << "still running after the signal";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
        // The command has ended, and the folder is gone.
        EXPECT_EQ(::kill(instrument.command, 0), -1);
        EXPECT_EQ(errno, ESRCH);
        EXPECT_TRUE(fs::is_empty(instrument.tmpdir));
        std::error_code ignored;
        fs::remove_all(scratch.path, ignored);
    }
}

TEST(VirtualInstrumentStop, LooksTheCommandUpOnPath) {
    plat::process_result result;
    ASSERT_TRUE(plat::run_process(
        {VIRTUAL_INSTRUMENT_EXE, "--kind", "can", "--then", "sh", "-c", "exit 3"}, &result));
    EXPECT_EQ(result.exit_code, 3) << result.err;
    EXPECT_EQ(result.err, "");

    ASSERT_TRUE(plat::run_process(
        {VIRTUAL_INSTRUMENT_EXE, "--kind", "can", "--then", "no-such-program-anywhere"}, &result));
    EXPECT_EQ(result.exit_code, 127);
    EXPECT_NE(result.err.find("cannot run no-such-program-anywhere"), std::string::npos)
        << result.err;
}

}  // namespace

#endif
