// What a command-line program asks of the system: whether a stream is a
// terminal, the reason a file does not open for reading, its error texts,
// and whether two paths name one file.
#include "platform/console_streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "support/temp_file.h"

namespace {

TEST(ConsoleStreams, ATerminalIsOneAndAFileIsNot) {
    const temp_file file("console.txt");
    file.write_text("x");
    FILE* stream = plat::open_file(file.str(), "rb");
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(plat::is_terminal(stream));
    std::fclose(stream);
    EXPECT_FALSE(plat::is_terminal(nullptr));
    if (!plat::kHasPseudoTerminals) GTEST_SKIP() << "no pseudo-terminals here";
    plat::pty_pair pair;
    ASSERT_TRUE(plat::pty_open(&pair));
    FILE* terminal = plat::open_file(pair.device_path, "wb");
    ASSERT_NE(terminal, nullptr);
    EXPECT_TRUE(plat::is_terminal(terminal));
    std::fclose(terminal);
    plat::pty_close(&pair);
}

TEST(ConsoleStreams, ReadRefusalsSayWhyAndReadableFilesHaveNone) {
    const temp_file file("readable.dat");
    file.write_text("data");
    EXPECT_EQ(plat::read_refusal(file.str()), "");
    const temp_file missing("missing.dat");
    const std::string absent = plat::read_refusal(missing.str());
    EXPECT_FALSE(absent.empty());
    const temp_file folder("a-folder");
    std::filesystem::create_directories(folder.path);
    EXPECT_FALSE(plat::read_refusal(folder.str()).empty());
    std::filesystem::remove(folder.path);
#ifndef _WIN32
    EXPECT_EQ(absent, "No such file or directory");
    EXPECT_EQ(plat::read_refusal(folder.str() + "-none/x"), "No such file or directory");
#endif
}

TEST(ConsoleStreams, SameFileThroughAnyNameAndOnlyThen) {
    const temp_file a("same-a.dat");
    const temp_file b("same-b.dat");
    a.write_text("a");
    b.write_text("a");
    EXPECT_TRUE(plat::same_file(a.str(), a.str()));
    const std::string other_name = (a.path.parent_path() / "." / a.path.filename()).string();
    EXPECT_TRUE(plat::same_file(a.str(), other_name));
    EXPECT_FALSE(plat::same_file(a.str(), b.str()));
    const temp_file missing("same-missing.dat");
    EXPECT_FALSE(plat::same_file(missing.str(), missing.str()));
}

}  // namespace
