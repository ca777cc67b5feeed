// A writer ended by a signal in the middle of a file replacement leaves the
// old file as it was and nothing beside it, and its status still shows the
// signal. POSIX only: Windows ends console programs through other means.
#include <gtest/gtest.h>

#if !defined(_WIN32)

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/folder_entries.h"
#include "support/temp_file.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// In the child: a replacement of target with some bytes written, then one
// byte on `ready`, then nothing but waiting for the signal.
[[noreturn]] void write_and_wait(const fs::path& target, bool named, int ready) {
    // A signal that the test runner ignores would never end the child; a
    // handler that this process installed already (the cleanup) stays.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
            std::signal(signal_number, SIG_DFL);
        }
    }
    plat::file_replacement::use_named_temporaries(named);
    plat::file_replacement replacement;
    if (replacement.create(target.string(), "_sig") != 0) ::_exit(2);
    FILE* stream = replacement.open_stream();
    if (stream == nullptr) ::_exit(3);
    const std::string block(1 << 16, 'n');
    if (std::fwrite(block.data(), 1, block.size(), stream) != block.size() ||
        std::fflush(stream) != 0) {
        ::_exit(4);
    }
    if (::write(ready, "r", 1) != 1) ::_exit(5);
    for (;;) ::pause();
}

struct ended_child {
    bool ready = false;
    std::vector<std::string> while_written;
    int status = 0;
};

ended_child end_writer(const fs::path& target, bool named, int signal_number) {
    ended_child result;
    int ready[2];
    if (::pipe(ready) != 0) return result;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        write_and_wait(target, named, ready[1]);
    }
    ::close(ready[1]);
    if (child < 0) {
        ::close(ready[0]);
        return result;
    }
    pollfd wait_for{ready[0], POLLIN, 0};
    char byte = 0;
    result.ready = ::poll(&wait_for, 1, 60000) == 1 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (result.ready) result.while_written = folder_entries(target.parent_path());
    ::kill(child, result.ready ? signal_number : SIGKILL);
    ::waitpid(child, &result.status, 0);
    return result;
}

class FileReplacementSignals : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder_.path);
        std::ofstream(target_, std::ios::binary) << "old";
    }
    void TearDown() override { fs::remove_all(folder_.path); }

    void expect_nothing_left(bool named, int signal_number) {
        SCOPED_TRACE(std::string(named ? "named" : "as the system makes it") + ", signal " +
                     std::to_string(signal_number));
        const ended_child ended = end_writer(target_, named, signal_number);
        ASSERT_TRUE(ended.ready);
        if (named) {
            EXPECT_EQ(ended.while_written.size(), 2u);
        }
        EXPECT_TRUE(WIFSIGNALED(ended.status));
        EXPECT_EQ(WTERMSIG(ended.status), signal_number);
        EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"target"});
        EXPECT_EQ(read(target_), "old");
    }

    temp_file folder_{"signals"};
    fs::path target_ = folder_.path / "target";
};

TEST_F(FileReplacementSignals, InterruptTerminationAndHangUpLeaveNothingBehind) {
    for (const bool named : {true, false}) {
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
            expect_nothing_left(named, signal_number);
        }
    }
}

#if defined(__linux__)
// Where the temporary file has no name until it is complete, not even a
// kill leaves it.
TEST_F(FileReplacementSignals, AKilledWriterLeavesNothingWhereFilesCanBeUnnamed) {
    const ended_child ended = end_writer(target_, false, SIGKILL);
    ASSERT_TRUE(ended.ready);
    EXPECT_EQ(ended.while_written, std::vector<std::string>{"target"});
    EXPECT_TRUE(WIFSIGNALED(ended.status));
    EXPECT_EQ(WTERMSIG(ended.status), SIGKILL);
    EXPECT_EQ(folder_entries(folder_.path), std::vector<std::string>{"target"});
    EXPECT_EQ(read(target_), "old");
}
#endif

}  // namespace

#endif
