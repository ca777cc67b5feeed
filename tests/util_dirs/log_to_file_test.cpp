// The size-limited log file.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "probe_runner.h"
#include "support/child_run.h"
#include "support/folder_entries.h"
#include "util/util.h"

#if !defined(_WIN32)
#include <sys/stat.h>

#include "support/file_size_limit.h"
#endif

namespace {

// Collects printed messages whatever their length (some name 4000-byte paths).
std::string printed;
U_PRINTF_FORMAT(1, 2) void capture(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.pop_back();
    printed += text;
}

// Lines of `width` characters, each a different letter, with the given line end.
std::string numbered_lines(int count, size_t width, const std::string& end) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(width, static_cast<char>('a' + i)) + end;
    return text;
}

// Each test logs into logs/ and points the temporary folder (TMPDIR on POSIX,
// TMP on Windows) at an empty tmp/ of its own.
class LogToFile : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_print_ = gl_PrintFunc;
        gl_PrintFunc = capture;
        printed.clear();
        logs_ = scratch_.make_dir("logs");
        tmp_ = scratch_.make_dir("tmp");
        const char* tmpdir = plat::get_environment(plat::kTempDirectoryVariable);
        had_tmpdir_ = tmpdir != nullptr;
        if (had_tmpdir_) saved_tmpdir_ = tmpdir;
        plat::set_environment(plat::kTempDirectoryVariable, tmp_.c_str());
        log_ = logs_ + kSep + "instrument.log";
    }
    void TearDown() override {
        plat::set_environment(plat::kTempDirectoryVariable,
                              had_tmpdir_ ? saved_tmpdir_.c_str() : nullptr);
        gl_PrintFunc = saved_print_;
    }
    static void write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // A folder whose name is so long that no temporary name fits beside a
    // log in it, nor the copy's own temporary name beside the log: paths
    // end at 4096 bytes on Linux and at 260 characters for Windows' narrow calls.
    std::string crowded_log() const {
#if defined(_WIN32)
        const size_t target = 252;  // the folder; the log is "<folder>\\L"
#else
        const size_t target = 4088;     // the folder; the log is "<folder>/L"
#endif
        std::string folder = scratch_.str();
        while (folder.size() < target) {
            const size_t room = target - folder.size();
            size_t segment = room > 201 ? 200 : room - 1;
            if (room > 201 && room - 201 < 2) segment = 150;
            folder += kSep + std::string(segment, 'd');
        }
        fs::create_directories(folder);
        return folder + kSep + "L";
    }

    scratch_folder scratch_;
    std::string logs_;
    std::string tmp_;
    std::string log_;
    std::string saved_tmpdir_;
    bool had_tmpdir_ = false;
    u_print_func saved_print_ = nullptr;
};

// ---- appending -------------------------------------------------------------

TEST_F(LogToFile, WithoutLimitEveryCallAppendsWithCrLf) {
    EXPECT_EQ(u_log_to_file(log_.c_str(), "one\n", 0, 0), NO_ERROR);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "two\nthree", 0, 10), NO_ERROR);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "\n\r\nfour\r\n", 0, 0), NO_ERROR);
    EXPECT_EQ(u_log_to_file(log_.c_str(), nullptr, 0, 0), NO_ERROR);
    EXPECT_EQ(read(log_), "one\r\ntwo\r\nthree\r\n\r\nfour\r\n");
    EXPECT_EQ(printed, "");
}

TEST_F(LogToFile, NegativeLimitOnlyCreatesTheFile) {
    EXPECT_EQ(u_log_to_file(log_.c_str(), "ignored\n", -1, 10), NO_ERROR);
    EXPECT_TRUE(fs::is_regular_file(log_));
    EXPECT_EQ(fs::file_size(log_), 0u);
    write(log_, "kept\r\n");
    EXPECT_EQ(u_log_to_file(log_.c_str(), "ignored\n", -1, 10), NO_ERROR);
    EXPECT_EQ(read(log_), "kept\r\n");
}

TEST_F(LogToFile, BelowTheLimitOrWithTooLittleToDropItAppends) {
    const std::string nine = numbered_lines(9, 109, "\r\n");  // 999 bytes
    write(log_, nine);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "x\n", 1000, 500), NO_ERROR);
    EXPECT_EQ(read(log_), nine + "x\r\n");

    // Now 1002 bytes: 502 must go, five lines of 111 bytes.
    EXPECT_EQ(u_log_to_file(log_.c_str(), "y\n", 1000, 500), NO_ERROR);
    EXPECT_EQ(read(log_), nine.substr(5 * 111) + "x\r\ny\r\n");

    // keep_size not below the size, or not positive: no trim at any size.
    const std::string ten = numbered_lines(10, 99, "\r\n");
    write(log_, ten);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "z\n", 1000, 1010), NO_ERROR);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "z\n", 1000, 0), NO_ERROR);
    EXPECT_EQ(read(log_), ten + "z\r\nz\r\n");
    EXPECT_EQ(printed, "");
}

// ---- trimming --------------------------------------------------------------

TEST_F(LogToFile, TenCrLfLinesKeepTheLastFour) {
    const std::string ten = numbered_lines(10, 99, "\r\n");  // 1010 bytes, 101 a line
    write(log_, ten);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "new text\n", 1000, 500), NO_ERROR);
    EXPECT_EQ(read(log_), ten.substr(6 * 101) + "new text\r\n");
    EXPECT_EQ(printed, "");
    // The copy replaced the log; no temporary file is left anywhere.
    EXPECT_EQ(folder_entries(logs_), std::vector<std::string>{"instrument.log"});
    EXPECT_TRUE(folder_entries(tmp_).empty());
}

TEST_F(LogToFile, LineFeedOnlyLinesCountTheirRealLength) {
    const std::string ten = numbered_lines(10, 99, "\n");  // 1000 bytes, 100 a line
    write(log_, ten);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "n\n", 1000, 500), NO_ERROR);
    EXPECT_EQ(read(log_), ten.substr(500) + "n\r\n");
}

TEST_F(LogToFile, LongLinesAreCountedInReadsOf511Bytes) {
    // One 1200-byte line: reads end at 511, 1022, 1202; 902 must go.
    const std::string one_line = std::string(1200, 'q') + "\r\n";
    write(log_, one_line);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "t\n", 1000, 300), NO_ERROR);
    EXPECT_EQ(read(log_), one_line.substr(1022) + "t\r\n");

    // A last line without its line end still counts as a read, up to the end.
    write(log_, std::string(300, 'r'));
    EXPECT_EQ(u_log_to_file(log_.c_str(), "u\n", 200, 100), NO_ERROR);
    EXPECT_EQ(read(log_), "u\r\n");
}

TEST_F(LogToFile, KeptBytesAreCopiedExactly) {
    std::string bytes = numbered_lines(6, 40, "\r\n");
    std::string tail = std::string("zero\0byte\r\n", 11) + std::string("\xff\xfe\x01\r\n", 5);
    write(log_, bytes + tail);
    const int32_t keep = static_cast<int32_t>(tail.size() + 10);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "v", 100, keep), NO_ERROR);
    EXPECT_EQ(read(log_), tail + "v");
}

TEST_F(LogToFile, TrimWithoutTextLeavesTheLogAlone) {
    const std::string ten = numbered_lines(10, 99, "\r\n");
    write(log_, ten);
    EXPECT_EQ(u_log_to_file(log_.c_str(), nullptr, 1000, 500), NO_ERROR);
    EXPECT_EQ(read(log_), ten);
    EXPECT_EQ(folder_entries(logs_).size(), 1u);
    EXPECT_TRUE(folder_entries(tmp_).empty());
}

// ---- wide and linked logs ----------------------------------------------------

// A wide path as the library takes it: the byte-order mark, the UTF-16 text
// and its terminator.
std::string wide_path(const std::u16string& name) {
    std::u16string text = u'\xFEFF' + name;
    text.push_back(0);
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// A relative wide name, from the log's folder: appended to and trimmed in
// that one file, with nothing left under a name made of its first bytes.
TEST_F(LogToFile, WideLogIsAppendedToAndTrimmed) {
    const std::u16string name = u"instrument-\u00E9.log";
    const fs::path on_disk = fs::path(logs_) / name;
    const std::string ten = numbered_lines(10, 99, "\r\n");
    std::ofstream(on_disk, std::ios::binary) << ten;  // the name as the system has it
    const fs::path saved = fs::current_path();
    fs::current_path(logs_);
    const int32_t trimmed = u_log_to_file(wide_path(name), "new text\n", 1000, 500);
    const int32_t appended = u_log_to_file(wide_path(name), "more\n", 0, 0);
    fs::current_path(saved);
    EXPECT_EQ(trimmed, NO_ERROR);
    EXPECT_EQ(appended, NO_ERROR);
    std::ifstream in(on_disk, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              ten.substr(6 * 101) + "new text\r\nmore\r\n");
    EXPECT_EQ(folder_entries(logs_), std::vector<std::string>{on_disk.filename().string()});
    EXPECT_TRUE(folder_entries(tmp_).empty());
    EXPECT_EQ(printed, "");
}

// A wide path handed over as a bare pointer cannot be read to its end: the
// call fails, and no file is made under a name of its first bytes.
TEST_F(LogToFile, UnreadableWidePathIsAnAccessError) {
    const std::string wide = wide_path(u"instrument.log");
    const fs::path saved = fs::current_path();
    fs::current_path(logs_);
    const int32_t result = u_log_to_file(wide.c_str(), "x\n", 0, 0);
    fs::current_path(saved);
    EXPECT_EQ(result, ERR_FILE_IO);
    EXPECT_TRUE(folder_entries(logs_).empty());
    EXPECT_EQ(printed, "u_log_to_file: error accessing file '" + std::string(wide.c_str()) + "'\n");
}

#if !defined(_WIN32)
// Trimming a log that is a link replaces the file it leads to, which keeps
// its permissions; the link stays.
TEST_F(LogToFile, LinkedLogKeepsItsLinkAndPermissions) {
    const std::string target = logs_ + kSep + "real.log";
    const std::string ten = numbered_lines(10, 99, "\r\n");
    write(target, ten);
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, mode);
    fs::create_symlink("real.log", log_);
    EXPECT_EQ(u_log_to_file(log_.c_str(), "new text\n", 1000, 500), NO_ERROR);
    EXPECT_TRUE(fs::is_symlink(log_));
    EXPECT_EQ(read(target), ten.substr(6 * 101) + "new text\r\n");
    EXPECT_EQ(fs::status(target).permissions(), mode);
    EXPECT_EQ(folder_entries(logs_).size(), 2u);
    EXPECT_TRUE(folder_entries(tmp_).empty());
}
#endif

// ---- failures --------------------------------------------------------------

TEST_F(LogToFile, UnopenableLogIsAnAccessError) {
    const std::string folder = scratch_.make_dir("logs/is_a_folder");
    EXPECT_EQ(u_log_to_file(folder.c_str(), "x\n", 0, 0), ERR_FILE_IO);
    EXPECT_TRUE(fs::is_directory(folder));  // never deleted
    const std::string missing = scratch_.str("no/such/folder.log");
    EXPECT_EQ(u_log_to_file(missing.c_str(), "x\n", 0, 0), ERR_FILE_IO);
    EXPECT_EQ(printed, "u_log_to_file: error accessing file '" + folder +
                           "'\n"
                           "u_log_to_file: error accessing file '" +
                           missing + "'\n");
}

// The log's folder lets anyone delete in it, so only the library's own check
// keeps the write-protected log. Root writes to write-protected files: when
// the tests run as root the case runs as an unprivileged user.
TEST_F(LogToFile, WriteProtectedLogIsNotDeleted) {
    write(log_, "protected\r\n");
    fs::permissions(log_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(logs_, fs::perms::all);
    const auto attempt = [this]() -> std::string {
        std::string failures;
        const int32_t result = u_log_to_file(log_.c_str(), "x\n", 0, 0);
        if (result != ERR_FILE_IO) failures += "result " + std::to_string(result) + "\n";
        if (!fs::exists(log_)) failures += "log deleted\n";
        if (read(log_) != "protected\r\n") failures += "log now: " + read(log_) + "\n";
        if (printed != "u_log_to_file: error accessing file '" + log_ + "'\n") {
            failures += "printed: " + printed;
        }
        return failures;
    };
#if !defined(_WIN32)
    if (running_as_root()) {
        EXPECT_EQ(run_in_child([&]() -> std::string {
                      return become_unprivileged() ? attempt() : "cannot become unprivileged";
                  }),
                  "");
        return;
    }
#endif
    if (std::ofstream(log_, std::ios::app)) {
        GTEST_SKIP() << "this user writes to write-protected files";
    }
    EXPECT_EQ(attempt(), "");
}

TEST_F(LogToFile, UnknownSizeIsAnAccessError) {
    EXPECT_EQ(u_log_to_file("/dev/null", "x\n", 10, 5), ERR_FILE_IO);
    EXPECT_EQ(printed, "u_log_to_file: error accessing file '/dev/null'\n");
}

#if !defined(_WIN32)
TEST_F(LogToFile, FailedAppendIsReported) {
    write(log_, "old\n");
    {
        const file_size_limit limit(4);
        EXPECT_EQ(u_log_to_file(log_, "x\n", 0, 0), ERR_FILE_IO);
    }
    EXPECT_EQ(printed, "u_log_to_file: error writing file '" + log_ + "'\n");
    EXPECT_EQ(read(log_), "old\n");
}

// Only a regular file is a log: a FIFO is refused at once (opening one for
// reading waits for a writer) and stays, and so does a device.
TEST_F(LogToFile, AFifoOrADeviceIsNoLog) {
    const std::string fifo = scratch_.str("log.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& name : {fifo, std::string("/dev/full")}) {
        printed.clear();
        for (const int32_t max_size : {0, 10}) {
            EXPECT_EQ(u_log_to_file(name, "x\n", max_size, 5), ERR_FILE_IO) << name;
        }
        EXPECT_EQ(printed, "u_log_to_file: error accessing file '" + name + "'\n" +
                               "u_log_to_file: error accessing file '" + name + "'\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}
#endif

TEST_F(LogToFile, NoTemporaryName) {
    const std::string log = crowded_log();
    const std::string ten = numbered_lines(10, 99, "\r\n");
    write(log, ten);
    plat::set_environment(plat::kTempDirectoryVariable, scratch_.str("no_such_tmp").c_str());
    EXPECT_EQ(u_log_to_file(log.c_str(), "x\n", 1000, 500), ERR_CANT_CREATE_FILE);
    EXPECT_EQ(printed, "u_log_to_file: cannot obtain temp file name\n");
    EXPECT_EQ(read(log), ten);
    EXPECT_EQ(folder_entries(fs::path(log).parent_path()), std::vector<std::string>{"L"});
}

TEST_F(LogToFile, FailedCopyBackKeepsTheLogAndTheTemporaryCopy) {
    const std::string log = crowded_log();
    const std::string ten = numbered_lines(10, 99, "\r\n");
    write(log, ten);
    EXPECT_EQ(u_log_to_file(log.c_str(), "x\n", 1000, 500), ERR_CANT_WRITE_FILE);
    EXPECT_EQ(read(log), ten);

    // The copy went to the system's temporary folder, and holds the result.
    const std::vector<std::string> temps = folder_entries(tmp_);
    ASSERT_EQ(temps.size(), 1u);
    EXPECT_EQ(temps[0].rfind("_log", 0), 0u);
    const std::string temp = tmp_ + kSep + temps[0];
    EXPECT_EQ(read(temp), ten.substr(6 * 101) + "x\r\n");
#if defined(_WIN32)
    const char* const too_long = "111";  // ERROR_BUFFER_OVERFLOW: no room for a temporary name
#else
    const char* const too_long = "36";  // ENAMETOOLONG
#endif
    EXPECT_EQ(printed, "u_copy_file failed: win_err = " + std::string(too_long) +
                           "\n"
                           "u_log_to_file: cannot copy temp file '" +
                           temp + "' to '" + log + "'\n");
}

}  // namespace
